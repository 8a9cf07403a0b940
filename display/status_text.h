// The status line: one line of text in the black panel area below the drawn keyboard,
// where nothing else is ever drawn, telling a user who sees no terminal what happened.
#pragma once

#include <cstdint>

#include "display/screen_render.h"
#include "machine/machine.h"

// The band the line occupies (and the rectangle to publish): the full width of the area
// below the keyboard, from its left edge to the screen's right edge. The keyboard ends at
// y 293; the band leaves a gap under it.
constexpr int kStatusX = 516;
constexpr int kStatusY = 304;
constexpr int kStatusWidth = kScreenWidth - kStatusX;
constexpr int kStatusHeight = 14;
// The text in the 2x panel font (10 pixels high, legible on the handheld), aligned with the
// buttons' left edge and centred in the band.
constexpr int kStatusTextX = 520;
constexpr int kStatusTextY = kStatusY + 2;
constexpr uint32_t kStatusColour = 0xFFFF;  // white on the panel's black

// Clears the band to black and draws text in it upper-cased (the panel font has capitals
// only); bytes the font cannot show become '?'. The line is cut before the first character
// that would reach past the screen's right edge. Not published.
void draw_status_text(Machine *m, const char *text);
