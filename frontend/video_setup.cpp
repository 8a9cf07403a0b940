#include "frontend/video_setup.h"

#include <SDL/SDL.h>

#include <cstdio>
#include <cstdlib>

int video_open(Machine *m) {
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO) < 0) {
        std::fprintf(stderr, "SDL_Init: %s\n", SDL_GetError());
        return 1;
    }
    std::atexit(SDL_Quit);
    SDL_WM_SetCaption("Tavisk", nullptr);
    SDL_Surface *s = SDL_SetVideoMode(800, 480, 16, SDL_FULLSCREEN | SDL_HWSURFACE);
    if (!s) {
        std::fprintf(stderr, "SDL_SetVideoMode: %s\n", SDL_GetError());
        return 1;
    }
    // The renderer, fonts and panel write rows 1600 bytes apart: any other shape would be
    // drawn out of place or out of bounds.
    if (s->w != 800 || s->h != 480 || s->format->BitsPerPixel != 16 || s->pitch != 1600) {
        std::fprintf(stderr, "Obtained video: %ix%i, %i bits, pitch %i; need 800x480, 16, 1600\n",
                     s->w, s->h, int(s->format->BitsPerPixel), int(s->pitch));
        return 1;
    }
    if (SDL_LockSurface(s) < 0) {
        std::fprintf(stderr, "SDL_LockSurface: %s\n", SDL_GetError());
        return 1;
    }
    SDL_ShowCursor(0);
    m->surface = s;
    m->pixels = static_cast<uint16_t *>(s->pixels);
    return 0;
}
