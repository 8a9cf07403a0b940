// The sixteen Spectrum colours as RGB565, each stored twice in one word so that a single
// 32-bit store paints two horizontally adjacent screen pixels.
#pragma once

#include <cstdint>

// Index: colour 0-7, plus 8 when BRIGHT. Entries 0 and 8 are both black.
extern const uint32_t palette[16];

// The RGB565 colour of an entry, for drawing single pixels.
inline uint16_t palette_colour(int entry) { return uint16_t(palette[entry & 15]); }
