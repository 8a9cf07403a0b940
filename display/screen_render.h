// Draws the Spectrum's display memory, doubled, into the 512x384 rectangle at (0, 50).
#pragma once

#include "display/palette.h"
#include "machine/machine.h"

constexpr int kScreenWidth = 800;
constexpr int kScreenHeight = 480;
constexpr int kSpecAreaX = 0;
constexpr int kSpecAreaY = 50;
constexpr int kSpecAreaWidth = 512;
constexpr int kSpecAreaHeight = 384;

constexpr int kCharRows = 24;        // character rows of the picture, 8 pixel lines each
constexpr uint8_t kAllLines = 0xFF;  // a line mask with every pixel line of a row

// 1 while FLASH cells show ink and paper exchanged: the second half of every 50 frames.
int screen_flash_phase(int32_t counter);

// Redraws the pixel lines picked by line_masks (bit l of entry r: line l of character row
// r) from ram and the FLASH phase of counter, and nothing else. Call between frame runs.
void render_lines(Machine *m, const uint8_t line_masks[kCharRows]);

// Rewrites every pixel of the rectangle from ram and the FLASH phase of counter; touches
// nothing else, in the surface or the machine. Call between frame runs. Returns 0.
int render_screen(Machine *m);
