// The drawn keyboard's keys shown pressed while they are down: a key whose places in the
// keyboard matrix are all down (by a tap, a hardware key through the map, a latched shift or
// the typed load command) has its inside inverted, so that it stands out at arm's length;
// inverted again when it comes up, it is exactly the panel at rest.
#pragma once

#include <SDL/SDL.h>

#include <cstdint>

#include "machine/machine.h"

// Rectangles a change may need published: one per drawn key, ENTER's two rows included.
constexpr int kPressedKeyRects = 64;

// The eight keyboard rows as last drawn, in one word, their bits set for the places down:
// zero, as a record starts, for the panel at rest.
struct PressedKeys {
    uint64_t down;
};

// Draws the keys that went down or came up since the last call, and puts the screen
// rectangles to publish into rects (room for kPressedKeyRects); returns their count. While
// no key changes this only compares the eight rows and draws nothing.
int draw_pressed_keys(Machine *m, PressedKeys *shown, SDL_Rect *rects);
