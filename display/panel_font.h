// The proportional five-row font of the control panel, with the line-art pieces that
// the drawn keyboard builds its arrow and punctuation legends from.
#pragma once

#include <cstdint>

struct PanelGlyph {
    int32_t width;    // columns used, 0-8; 0: not drawn and no advance
    int32_t rows[5];  // top row first; bit 0 the leftmost column
};

constexpr int kPanelFontFirst = 32;
constexpr int kPanelFontGlyphs = 128;  // codes 32-159
constexpr int kPanelArtFirst = 128;    // codes from here advance by their width alone

extern const PanelGlyph panelfont[kPanelFontGlyphs];
