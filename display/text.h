// Text and rectangles drawn straight into the locked surface: the panel font in screen
// pixels with raw RGB565 colours, and the 8x8 font, plots and fills in doubled Spectrum
// pixels (screen (2x, 50 + 2y)) with palette indexes. Nothing here publishes the surface.
#pragma once

#include <cstdint>

#include "machine/machine.h"

// One panel glyph with its top-left at screen (x, y); returns the advance: width + 1 for
// codes up to 127, the bare width for the line-art codes 128-159, 0 for an empty glyph.
int panel_char(Machine *m, int x, int y, int code, uint32_t colour);
// The same with every pixel doubled; the advance doubles too.
int panel_char2x(Machine *m, int x, int y, int code, uint32_t colour);
void panel_text(Machine *m, const char *text, int x, int y, uint32_t colour);
void panel_text2x(Machine *m, const char *text, int x, int y, uint32_t colour);

// The 8x8 font with every pixel doubled, top-left at screen (x, y), in an RGB565 colour;
// codes outside 32-127 show '!'. Returns the x after the last character.
int spec_text2x(Machine *m, const char *text, int x, int y, uint32_t colour);

// Spectrum pixel (x, y) as its 2x2 screen block.
void spec_plot(Machine *m, int x, int y, int colour);
// An 8x8 glyph at Spectrum character cell (column, row); codes outside 32-127 show '!'.
void spec_char(Machine *m, int column, int row, int colour, int code);
// Characters in successive columns, cut after column 31.
void spec_text(Machine *m, int column, int row, int colour, const char *text);
// Fills the Spectrum-pixel rectangle through SDL_FillRect on the surface.
void spec_fillrect(Machine *m, int x, int y, int w, int h, int colour);
