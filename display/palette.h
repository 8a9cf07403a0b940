// The sixteen Spectrum colours as RGB565, each stored twice in one word so that a single
// 32-bit store paints two horizontally adjacent screen pixels.
#pragma once

#include <cstdint>

constexpr uint32_t palette_doubled(uint32_t rgb565) { return rgb565 << 16 | rgb565; }

// Index: colour 0-7, plus 8 when BRIGHT. Entries 0 and 8 are both black. Normal colours
// take 24 of 31 in red and blue and 48 of 63 in green, bright ones the full value. Known at
// compile time, so that the renderer's colour tables are too.
inline constexpr uint32_t palette[16] = {
    palette_doubled(0x0000), palette_doubled(0x0018), palette_doubled(0xC000),
    palette_doubled(0xC018), palette_doubled(0x0600), palette_doubled(0x0618),
    palette_doubled(0xC600), palette_doubled(0xC618), palette_doubled(0x0000),
    palette_doubled(0x001F), palette_doubled(0xF800), palette_doubled(0xF81F),
    palette_doubled(0x07E0), palette_doubled(0x07FF), palette_doubled(0xFFE0),
    palette_doubled(0xFFFF),
};

// The RGB565 colour of an entry, for drawing single pixels.
inline uint16_t palette_colour(int entry) { return uint16_t(palette[entry & 15]); }
