#include "frontend/status_line.h"

#include <SDL/SDL.h>

#include <cstdio>

#include "display/status_text.h"

void status_say(Machine *m, const char *text) {
    std::fprintf(stderr, "%s\n", text);
    if (!m->surface) return;
    draw_status_text(m, text);
    SDL_UpdateRect(m->surface, kStatusX, kStatusY, kStatusWidth, kStatusHeight);
}
