// A Spectrum picture at half the size the screen shows it: one screen pixel per Spectrum
// pixel, from screen bytes that need not be the running machine's (a saved slot, a state of
// the rewind ring).
#pragma once

#include <cstdint>

#include "machine/machine.h"

constexpr int kThumbnailWidth = 256;
constexpr int kThumbnailHeight = 192;

// Draws the 6912 screen bytes (display file, then attributes) with its top-left at screen
// (x, y), FLASH cells as in the first half of their period. Not published.
void draw_thumbnail(Machine *m, int x, int y, const uint8_t *screen);
