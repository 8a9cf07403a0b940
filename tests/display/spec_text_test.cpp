#include "display/spec_font.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "display/palette.h"
#include "display/text.h"
#include "panel_screen.h"

namespace {

constexpr uint16_t kBack = 0x0841;

class SpecText : public PanelScreen {
   protected:
    // Whether the Spectrum pixel (x, y) shows colour, on all four screen pixels.
    bool lit(int x, int y, uint16_t colour) const {
        int sx = 2 * x, sy = 50 + 2 * y;
        return at(sx, sy) == colour && at(sx + 1, sy) == colour && at(sx, sy + 1) == colour &&
               at(sx + 1, sy + 1) == colour;
    }
    int changed() const { return kW * kH - int(std::count(m->pixels, m->pixels + kW * kH, kBack)); }
    // The glyph of code at character cell (column, row) exactly, and nothing else.
    void expect_glyph(int column, int row, int code, uint16_t colour) {
        const uint8_t *g = &specfont[8 * (code - 32)];
        int set = 0;
        for (int j = 0; j < 8; j++)
            for (int i = 0; i < 8; i++) {
                bool on = g[j] & (0x80 >> i);
                set += on;
                int sx = 2 * (8 * column + i), sy = 50 + 2 * (8 * row + j);
                for (int d = 0; d < 4; d++)
                    ASSERT_EQ(at(sx + d % 2, sy + d / 2), on ? colour : kBack)
                        << "code " << code << " pixel " << i << "," << j;
            }
        EXPECT_EQ(changed(), 4 * set) << "code " << code;
    }
};

TEST_F(SpecText, PlotDrawsOneDoubledPixel) {
    struct Case {
        int x, y, colour;
    } cases[] = {{0, 0, 9}, {255, 191, 15}, {100, 7, 2}, {3, 100, 12}};
    for (const Case &c : cases) {
        fill(kBack);
        spec_plot(m, c.x, c.y, c.colour);
        uint16_t colour = uint16_t(palette[c.colour]);
        EXPECT_EQ(at(2 * c.x, 50 + 2 * c.y), colour);
        EXPECT_TRUE(lit(c.x, c.y, colour));
        EXPECT_EQ(changed(), 4);
    }
    fill(kBack);
    spec_plot(m, 255, 191, 15);
    EXPECT_EQ(at(511, 433), 0xFFFF);  // the picture's last screen pixel
    // Beyond the surface nothing is written (ASan guards the memory after it).
    fill(kBack);
    spec_plot(m, 400, 10, 15);
    spec_plot(m, 10, 300, 15);
    spec_text(m, 0, 60, 15, "ABC");
    EXPECT_EQ(changed(), 0);
}

TEST_F(SpecText, EveryCodeDrawsItsGlyph) {
    for (int code = 32; code < 128; code++) {
        fill(kBack);
        spec_char(m, code % 32, code / 32, 14, code);
        expect_glyph(code % 32, code / 32, code, 0xFFE0);
    }
    // Codes outside 32-127 show '!'.
    for (int code : {0, 10, 31, 128, 200, 255, -7}) {
        fill(kBack);
        spec_char(m, 5, 20, 4, code);
        expect_glyph(5, 20, '!', 0x0600);
    }
}

TEST_F(SpecText, TextStopsAfterColumn31) {
    struct Case {
        int column;
        const char *text;
        std::string drawn;  // the characters expected from column on
    } cases[] = {
        {30, "WXYZ", "WX"}, {31, "AB", "A"},  {32, "AB", ""},     {40, "A", ""},
        {0, "", ""},        {2, nullptr, ""}, {28, "HI!", "HI!"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.column);
        fill(kBack);
        spec_text(m, c.column, 3, 2, c.text);
        std::vector<uint16_t> got = snapshot();
        fill(kBack);
        for (size_t i = 0; i < c.drawn.size(); i++)
            spec_char(m, c.column + int(i), 3, 2, c.drawn[i]);
        EXPECT_EQ(differs_from(got), "");
        if (c.drawn.empty()) {
            EXPECT_EQ(changed(), 0);
        }
    }
    // The row has no bound of its own: row 23 is the picture's last.
    fill(kBack);
    spec_text(m, 0, 23, 7, "A");
    expect_glyph(0, 23, 'A', 0xC618);
}

TEST_F(SpecText, FillRectCoversTheDoubledRectangle) {
    fill(kBack);
    spec_fillrect(m, 6, 6, 244, 180, 9);
    for (int y = 0; y < kH; y++)
        for (int x = 0; x < kW; x++) {
            bool in = x >= 12 && x < 12 + 488 && y >= 62 && y < 62 + 360;
            ASSERT_EQ(at(x, y), in ? 0x001F : kBack) << x << "," << y;
        }
}

// The set is drawn in the Spectrum's style: each printable glyph distinct and inked, the
// top row and the leftmost column kept clear as spacing.
TEST(SpecFont, GlyphsAreDistinctAndSpaced) {
    std::set<std::string> seen;
    int spaced = 0;
    for (int code = 32; code < 128; code++) {
        const uint8_t *g = &specfont[8 * (code - 32)];
        std::string bytes(reinterpret_cast<const char *>(g), 8);
        EXPECT_TRUE(seen.insert(bytes).second) << "code " << code << " repeats a glyph";
        bool blank = std::all_of(g, g + 8, [](uint8_t b) { return b == 0; });
        EXPECT_EQ(blank, code == 32) << "code " << code;
        uint8_t left = 0;
        for (int j = 0; j < 8; j++) left |= g[j] & 0x80;
        spaced += g[0] == 0 && left == 0;
    }
    EXPECT_GE(spaced, 90);
    // The three non-ASCII shapes: an upward arrow with its point at the top, a pound sign
    // with its foot bar, a circle around a C.
    const uint8_t *arrow = &specfont[8 * (94 - 32)], *pound = &specfont[8 * (96 - 32)];
    const uint8_t *copyright = &specfont[8 * (127 - 32)];
    EXPECT_EQ(__builtin_popcount(arrow[1]), 1);
    EXPECT_GE(__builtin_popcount(arrow[3]), 3);
    EXPECT_GE(__builtin_popcount(pound[6]), 5);
    EXPECT_GE(__builtin_popcount(copyright[0]), 4);
    EXPECT_GE(__builtin_popcount(copyright[7]), 4);
}

}  // namespace
