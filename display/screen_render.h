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

// Rewrites every pixel of the rectangle from ram and the FLASH phase of counter; touches
// nothing else, in the surface or the machine. Call between frame runs. Returns 0.
int render_screen(Machine *m);
