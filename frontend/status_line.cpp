#include "frontend/status_line.h"

#include <SDL/SDL.h>

#include <cstdio>

#include "display/status_text.h"

namespace {

// The last message, for showing again after a hint. Longer ones are cut at the screen's
// edge anyway.
char shown[256];
bool hinting;  // a hint stands in its place

void draw(Machine *m, const char *text) {
    if (!m->surface) return;
    draw_status_text(m, text);
    SDL_UpdateRect(m->surface, kStatusX, kStatusY, kStatusWidth, kStatusHeight);
}

}  // namespace

void status_say(Machine *m, const char *text) {
    std::fprintf(stderr, "%s\n", text);
    status_show(m, text);
}

void status_show(Machine *m, const char *text) {
    std::snprintf(shown, sizeof shown, "%s", text);
    hinting = false;
    draw(m, text);
}

void status_hint(Machine *m, const char *text) {
    hinting = true;
    draw(m, text);
}

void status_restore(Machine *m) {
    if (!hinting) return;
    hinting = false;
    draw(m, shown);
}
