// The Spectrum picture drawn frame by frame, only where it changed: the display file and
// attributes last drawn and their FLASH phase are kept, and a frame redraws and names for
// publishing just the pixel lines whose bytes, attributes or flashing cells differ from
// what the screen shows.
#pragma once

#include <cstdint>

#include "display/screen_render.h"
#include "machine/machine.h"

constexpr int kScreenMemory = 0x1B00;  // display file and attributes, from 0x4000
constexpr int kPixelLines = 192;
// Unchanged lines between two changed ones that are published with them rather than cost
// another rectangle: each rectangle is a request to the display server.
constexpr int kBandGap = 8;
// A band and the gap after it take at least kBandGap + 1 lines.
constexpr int kMaxBands = kPixelLines / (kBandGap + 1) + 1;

// What the screen shows of the picture. Zeroed, it shows nothing known: the next frame is
// drawn whole.
struct ShownScreen {
    uint8_t memory[kScreenMemory];  // the display file and attributes as drawn
    int32_t known;                  // memory and flashphase are what the screen shows
    int32_t flashphase;             // the FLASH phase drawn
};

// Screen rows y to y + height - 1 of the Spectrum area (x 0, width 512).
struct ScreenBand {
    int32_t y;
    int32_t height;
};

struct ScreenBands {
    int32_t count;
    ScreenBand band[kMaxBands];
};

// Something drew over the picture (the browser, a menu) or made what it shows unknown: the
// next render_frame draws it whole. Any code that draws over the picture calls this.
void screen_drawn_over(ShownScreen *shown);

// Draws what changed of the picture since the frame the screen shows (all of it after
// screen_drawn_over) and fills bands with the screen rows to publish, in order, adjacent
// and nearby ones merged: one band for the whole picture, none when nothing changed.
// Returns the band count. Every pixel ends as render_screen would draw it. Call between
// frame runs.
int render_frame(Machine *m, ShownScreen *shown, ScreenBands *bands);
