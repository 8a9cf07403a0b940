#include "display/panel_font.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "display/text.h"
#include "panel_screen.h"

namespace {

constexpr uint16_t kBack = 0x0841;
constexpr uint32_t kInk = 0xABCD;

// Glyph widths of the printable codes 32-96; every other code below 128 has none.
int expected_width(int code) {
    static const char *const kByWidth[6] = {
        "", " !'.:I", "(),-;=CEFL[]_", "\"$&+/0123456789<>?ABDGHJKNOPQRSTUVXYZ\\^`", "#@MW", "%*",
    };
    if (code < 32 || code > 96) return 0;
    for (int w = 1; w <= 5; w++)
        if (std::strchr(kByWidth[w], code)) return w;
    return -1;
}

struct Art {
    int code, width, rows[5];
};
const Art kLineArt[] = {
    {0x80, 8, {0x00, 0x00, 0xFF, 0x01, 0x01}}, {0x81, 8, {0x03, 0x05, 0x09, 0x10, 0x20}},
    {0x82, 8, {0x01, 0xFF, 0x00, 0x00, 0x00}}, {0x83, 8, {0x10, 0x09, 0x05, 0x03, 0x00}},
    {0x84, 8, {0x00, 0x00, 0xFF, 0x80, 0x80}}, {0x85, 8, {0xC0, 0xA0, 0x90, 0x08, 0x04}},
    {0x86, 8, {0x80, 0xFF, 0x00, 0x00, 0x00}}, {0x87, 8, {0x08, 0x90, 0xA0, 0xC0, 0x00}},
    {0x88, 5, {0x10, 0x08, 0x04, 0x02, 0x07}}, {0x89, 4, {0x00, 0x01, 0x02, 0x04, 0x0E}},
    {0x8A, 5, {0x04, 0x04, 0x04, 0x04, 0x1C}}, {0x8B, 4, {0x02, 0x02, 0x02, 0x02, 0x03}},
    {0x8C, 5, {0x1C, 0x04, 0x04, 0x04, 0x04}}, {0x8D, 4, {0x03, 0x02, 0x02, 0x02, 0x02}},
    {0x8E, 5, {0x07, 0x02, 0x04, 0x08, 0x10}}, {0x8F, 4, {0x0E, 0x04, 0x02, 0x01, 0x00}},
    {0x90, 2, {0x03, 0x03, 0x00, 0x00, 0x00}}, {0x91, 2, {0x03, 0x03, 0x02, 0x01, 0x00}},
    {0x92, 7, {0x77, 0x33, 0x11, 0x00, 0x00}},
};

TEST(PanelFont, GlyphTable) {
    for (int code = 32; code < 160; code++) {
        SCOPED_TRACE(code);
        const PanelGlyph &g = panelfont[code - 32];
        int want =
            code >= 0x80 && code <= 0x92 ? kLineArt[code - 0x80].width : expected_width(code);
        ASSERT_EQ(g.width, want);
        for (int r = 0; r < 5; r++) EXPECT_EQ(g.rows[r] >> g.width, 0) << "row " << r;
        if (code >= 0x80 && code <= 0x92) {
            for (int r = 0; r < 5; r++) EXPECT_EQ(g.rows[r], kLineArt[code - 0x80].rows[r]);
        } else if (code > 32 && g.width) {
            // A printable glyph fills its width: ink in its first and its last column.
            int used = g.rows[0] | g.rows[1] | g.rows[2] | g.rows[3] | g.rows[4];
            EXPECT_TRUE(used & 1);
            EXPECT_TRUE(used & (1 << (g.width - 1)));
        }
    }
    const int a[5] = {0x7, 0x5, 0x7, 0x5, 0x5}, mm[5] = {0x9, 0xF, 0xF, 0x9, 0x9};
    for (int r = 0; r < 5; r++) {
        EXPECT_EQ(panelfont['A' - 32].rows[r], a[r]);
        EXPECT_EQ(panelfont['M' - 32].rows[r], mm[r]);
        EXPECT_EQ(panelfont[0].rows[r], 0);  // space
    }
}

class PanelText : public PanelScreen {};

// Every code drawn at 1x and 2x sets exactly its glyph's bits, advances as the font says,
// and leaves everything else as it was.
TEST_F(PanelText, GlyphsDrawTheirBitsAndAdvance) {
    const int x = 600, y = 300;
    for (int code = 32; code < 160; code++) {
        SCOPED_TRACE(code);
        const PanelGlyph &g = panelfont[code - 32];
        int gap = code < 128 ? 1 : 0;
        for (int scale = 1; scale <= 2; scale++) {
            fill(kBack);
            int advance =
                scale == 1 ? panel_char(m, x, y, code, kInk) : panel_char2x(m, x, y, code, kInk);
            EXPECT_EQ(advance, g.width ? scale * (g.width + gap) : 0) << "scale " << scale;
            int lit = 0;
            for (int py = y - 2; py < y + 12; py++)
                for (int px = x - 2; px < x + 18; px++) {
                    int c = (px - x) / scale, r = (py - y) / scale;
                    bool in = px >= x && py >= y && c < g.width && r < 5;
                    bool set = in && (g.rows[r] >> c & 1);
                    lit += set;
                    ASSERT_EQ(at(px, py), set ? kInk : kBack) << px - x << "," << py - y;
                }
            if (code > 32 && g.width) {
                EXPECT_GT(lit, 0);
            }
            EXPECT_EQ(kW * kH - std::count(m->pixels, m->pixels + kW * kH, kBack), lit);
        }
    }
}

TEST_F(PanelText, NamedAdvances) {
    struct Case {
        int code, one, two;
    } cases[] = {{'A', 4, 8}, {'I', 2, 4}, {' ', 2, 4},   {'M', 5, 10},  {'%', 6, 12}, {'a', 0, 0},
                 {'z', 0, 0}, {127, 0, 0}, {0x80, 8, 16}, {0x92, 7, 14}, {0x93, 0, 0}, {159, 0, 0}};
    for (const Case &c : cases) {
        EXPECT_EQ(panel_char(m, 10, 10, c.code, kInk), c.one) << c.code;
        EXPECT_EQ(panel_char2x(m, 10, 10, c.code, kInk), c.two) << c.code;
    }
}

// The 2x width of "RESET" is 36: an 'I' after it starts at x + 36, with the gap before.
TEST_F(PanelText, StringsAdvanceByEachGlyph) {
    panel_text2x(m, "RESETI", 600, 100, kInk);
    for (int py = 100; py < 110; py++) {
        EXPECT_EQ(at(600 + 34, py), 0);
        EXPECT_EQ(at(600 + 35, py), 0);
        EXPECT_EQ(at(600 + 36, py), kInk);
        EXPECT_EQ(at(600 + 37, py), kInk);
        EXPECT_EQ(at(600 + 38, py), 0);
    }
    // Lower case takes no room and leaves no mark.
    std::vector<uint16_t> plain;
    for (int scale = 1; scale <= 2; scale++) {
        fill(0);
        if (scale == 1)
            panel_text(m, "AB", 600, 100, kInk);
        else
            panel_text2x(m, "AB", 600, 100, kInk);
        plain = snapshot();
        fill(0);
        if (scale == 1)
            panel_text(m, "aAbcB~x", 600, 100, kInk);
        else
            panel_text2x(m, "aAbcB~x", 600, 100, kInk);
        EXPECT_EQ(differs_from(plain), "") << "scale " << scale;
    }
    // Only the low 16 bits of the colour are stored.
    fill(0);
    panel_char(m, 600, 100, 'I', 0x5A5AF81F);
    EXPECT_EQ(at(600, 100), 0xF81F);
}

// The arrow pieces join without a gap into a right arrow 14 wide and 9 high.
TEST_F(PanelText, LineArtPiecesJoin) {
    const int x = 700, y = 400;
    panel_text(m, "\x80\x81", x, y, kInk);
    panel_text(m, "\x82\x83", x, y + 5, kInk);
    int left = kW, right = -1, top = kH, bottom = -1;
    for (int py = 0; py < kH; py++)
        for (int px = 0; px < kW; px++)
            if (at(px, py)) {
                left = std::min(left, px), right = std::max(right, px);
                top = std::min(top, py), bottom = std::max(bottom, py);
            }
    EXPECT_EQ(left, x);
    EXPECT_EQ(right - left + 1, 14);
    EXPECT_EQ(top, y);
    EXPECT_EQ(bottom - top + 1, 9);
    // The second piece starts at x + 8: the same as drawing it there alone.
    std::vector<uint16_t> joined = snapshot();
    fill(0);
    panel_char(m, x, y, 0x80, kInk);
    panel_char(m, x + 8, y, 0x81, kInk);
    panel_char(m, x, y + 5, 0x82, kInk);
    panel_char(m, x + 8, y + 5, 0x83, kInk);
    EXPECT_EQ(differs_from(joined), "");
    EXPECT_EQ(at(x + 8, y), kInk);  // the tip's first column, 0x81 row 0
    EXPECT_EQ(at(x + 7, y + 2), kInk);
    EXPECT_EQ(at(x + 7, y + 6), kInk);
}

// Nothing clips for its callers, but a glyph hanging over the surface's edge only draws
// what is on it (ASan guards the rest).
TEST_F(PanelText, GlyphsOverTheEdgeKeepToTheSurface) {
    fill(0);
    EXPECT_EQ(panel_char2x(m, 798, 478, 'M', kInk), 10);
    EXPECT_EQ(panel_char(m, -2, -3, 'M', kInk), 5);
    EXPECT_EQ(at(798, 478), kInk);
    EXPECT_EQ(at(799, 479), kInk);
    EXPECT_EQ(at(1, 0), kInk);  // 'M' row 3 is 0x9: columns 0 and 3, drawn at x -2 and 1
    EXPECT_EQ(kW * kH - std::count(m->pixels, m->pixels + kW * kH, 0), 4 + 2);
}

}  // namespace
