// The 8x8 font of text drawn inside the Spectrum picture (the snapshot browser).
#pragma once

#include <cstdint>

constexpr int kSpecFontFirst = 32;
constexpr int kSpecFontGlyphs = 96;
constexpr int kSpecFontBytes = kSpecFontGlyphs * 8;

// Glyph of code c (32-127) at byte 8 * (c - 32); byte j is pixel row j, bit 7 the leftmost
// pixel. Code 94 is an up arrow, 96 a pound sign, 127 a circled C.
extern const uint8_t (&specfont)[kSpecFontBytes];
