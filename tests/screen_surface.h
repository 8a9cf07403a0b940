// The program's screen shape as an SDL software surface, so that drawing code can be
// checked without a display.
#pragma once

#include <SDL/SDL.h>

#include "machine/machine.h"

// An 800x480 RGB565 surface with 1600-byte rows, wired into m as its surface and pixels;
// nullptr when SDL cannot make one of that shape.
inline SDL_Surface *attach_screen_surface(Machine *m) {
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, 800, 480, 16, 0xF800, 0x07E0, 0x001F, 0);
    if (s && s->pitch != 1600) {
        SDL_FreeSurface(s);
        s = nullptr;
    }
    if (s) {
        m->surface = s;
        m->pixels = static_cast<uint16_t *>(s->pixels);
    }
    return s;
}
