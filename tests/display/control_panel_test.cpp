#include "display/control_panel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/panel_font.h"
#include "panel_screen.h"

namespace {

constexpr uint16_t kGreen = 0x07E0, kRed = 0xF800, kCap = 0x8218;

struct Button {
    const char *label;
    int x, y, w, h;
    uint16_t colour;
};
const Button kButtons[] = {
    {"RESET", 0, 0, 50, 50, 0x8218},  {"SOUND", 60, 0, 50, 50, 0x8218},
    {"FAST", 120, 0, 50, 50, 0x8218}, {"QUIT", 180, 0, 50, 50, 0x8218},
    {"PAUSE", 0, 80, 50, 50, 0xF800}, {"LOAD", 60, 80, 50, 50, 0xF800},
};

// Right-hand lines of the keys of each row, relative to the keyboard at (516, 190).
const std::vector<int> kKeyLines[5] = {
    {20, 41, 62, 83, 104, 125, 146, 167, 188, 209, 230, 251},
    {31, 52, 73, 94, 115, 136, 157, 178, 199, 220, 241, 261},
    {31, 57, 78, 99, 120, 141, 162, 183, 204, 225, 246},
    {47, 68, 89, 110, 131, 152, 173, 194, 215, 236},
    {21, 42, 63, 84, 105, 199, 220, 240, 259},
};
// The key after each of those lines, with a cap when it is a letter or digit.
const char *const kCaps[4] = {".1234567890.", ".qwertyuiop.", ".asdfghjkl.", ".zxcvbnm.."};

struct Legend {
    const char *text;
    int x, y;
};
const Legend kLegends[] = {
    {"TRUE", 3, 5},
    {"VIDEO", 2, 11},
    {"INV", 26, 5},
    {"VIDEO", 23, 11},
    {"DELETE", 6, 29},
    {"GRAPH", 32, 29},
    {"EXTEND", 6, 47},
    {"MODE", 9, 53},
    {"EDIT", 39, 50},
    {"CAPS SHIFT", 6, 71},
    {"CAPS", 51, 67},
    {"LOCK", 51, 73},
    {"SYMBL", 1, 87},
    {"SHIFT", 2, 93},
    {"BREAK", 257, 8},
    {"ENTER", 254, 50},
    {"CAPS SHIFT", 241, 71},
    {"SYMBL", 260, 87},
    {"SHIFT", 261, 93},
    {"\x80\x81", 88, 89},
    {"\x82\x83", 88, 94},
    {"\x85\x84", 65, 89},
    {"\x87\x86", 65, 94},
    {"\x88\x89", 206, 89},
    {"\x8A\x8B", 206, 94},
    {"\x8E\x8F", 227, 94},
    {"\x8C\x8D", 227, 89},
    {"\x90", 225, 73},
    {"\x91", 251, 93},
    {"\x90", 31, 90},
    {"\x91", 31, 94},
    {"\x92", 52, 89},
    {"!", 60, 2},
    {"@", 78, 2},
    {"#", 99, 2},
    {"$", 121, 2},
    {"%", 140, 2},
    {"&", 162, 2},
    {"'", 186, 2},
    {"(", 206, 2},
    {")", 227, 2},
    {"_", 248, 2},
    {"<=", 66, 22},
    {"<>", 86, 22},
    {">=", 108, 22},
    {"<", 132, 22},
    {">", 153, 22},
    {"AND", 167, 22},
    {"OR", 191, 22},
    {"AT", 211, 22},
    {"^", 179, 43},
    {"-", 201, 43},
    {"+", 221, 43},
    {"=", 243, 43},
    {":", 87, 64},
    {"~", 105, 64},
    {"?", 127, 64},
    {"/", 148, 64},
    {"*", 167, 64},
    {"ST", 71, 43},
    {"OP", 71, 49},
    {"NO", 92, 43},
    {"T", 94, 49},
    {"ST", 113, 43},
    {"EP", 113, 49},
    {"TO", 134, 43},
    {"TH", 155, 43},
    {"EN", 155, 49},
};

// An image built the long way round, pixel by pixel from the glyph bits.
struct Image {
    std::vector<uint16_t> p;
    void set(int x, int y, uint16_t c) { p[x + kW * y] = c; }
    void rect(int x, int y, int w, int h, uint16_t c) {
        for (int j = y; j < y + h; j++)
            for (int i = x; i < x + w; i++) set(i, j, c);
    }
    void text(const char *s, int x, int y, int scale, uint16_t c) {
        for (; *s; s++) {
            int code = static_cast<unsigned char>(*s);
            const PanelGlyph &g = panelfont[code - 32];
            for (int r = 0; r < 5 * scale; r++)
                for (int k = 0; k < g.width * scale; k++)
                    if (g.rows[r / scale] >> (k / scale) & 1) set(x + k, y + r, c);
            if (g.width) x += scale * (g.width + (code < 128 ? 1 : 0));
        }
    }
};

class ControlPanel : public PanelScreen {
   protected:
    // The picture area holds a pattern the panel must leave alone; the rest is black.
    void SetUp() override {
        PanelScreen::SetUp();
        for (int y = 0; y < kH; y++)
            for (int x = 0; x < 512; x++) m->pixels[x + kW * y] = uint16_t(0x1000 + x * 7 + y);
        start = snapshot();
    }
    Image image() const { return Image{start}; }

    void add_caps(Image *img) const {
        for (int r = 0; r < 4; r++)
            for (size_t k = 0; kCaps[r][k]; k++) {
                char c = kCaps[r][k];
                if (c == '.') continue;
                char cap[2] = {char(c >= 'a' ? c - 32 : c), 0};
                img->text(cap, 516 + kKeyLines[r][k] + 5, 190 + 21 * r + 8, 2, kCap);
            }
    }
    void add_grid(Image *img, uint16_t c) const {
        img->rect(516, 190, 280, 1, c);
        img->rect(516, 293, 280, 1, c);
        img->rect(516, 190, 1, 104, c);
        img->rect(795, 190, 1, 104, c);
        for (int y : {210, 231, 252, 273}) img->rect(516, y, 280, 1, c);
        for (int r = 0; r < 5; r++)
            for (int x : kKeyLines[r]) img->rect(516 + x, 190 + 21 * r, 1, 20, c);
        img->rect(778, 231, 17, 1, 0);
    }
    void add_legends(Image *img, int first, int end, uint16_t c) const {
        for (int i = first; i < end; i++)
            img->text(kLegends[i].text, 516 + kLegends[i].x, 190 + kLegends[i].y, 1, c);
    }
    void add_buttons(Image *img) const {
        for (const Button &b : kButtons) {
            img->rect(520 + b.x, 10 + b.y, b.w, b.h, b.colour);
            img->text(b.label, 524 + b.x, 25 + b.y, 2, 0);
        }
    }

    std::vector<uint16_t> start;
};

TEST_F(ControlPanel, ButtonsAreFilledAndCaptioned) {
    draw_buttons(m);
    Image want = image();
    add_buttons(&want);
    EXPECT_EQ(differs_from(want.p), "");
    // Each caption starts 4 right of and 15 below its button's corner: its first column
    // holds ink in the ten caption rows, the column before and the rows around do not.
    for (const Button &b : kButtons) {
        EXPECT_EQ(at(520 + b.x, 10 + b.y), b.colour) << b.label;
        EXPECT_EQ(at(520 + b.x + b.w - 1, 10 + b.y + b.h - 1), b.colour) << b.label;
        EXPECT_EQ(at(520 + b.x + b.w, 10 + b.y + b.h), 0) << b.label;
        int inked = 0;
        for (int y = 10 + b.y; y < 10 + b.y + b.h; y++) {
            bool caption = y >= 25 + b.y && y < 35 + b.y;
            EXPECT_EQ(at(523 + b.x, y), b.colour) << b.label;
            if (!caption) {
                EXPECT_EQ(at(524 + b.x, y), b.colour) << b.label;
            }
            inked += caption && at(524 + b.x, y) == 0;
        }
        EXPECT_GT(inked, 0) << b.label;
    }
}

TEST_F(ControlPanel, ButtonWalkStopsAtTheEndRow) {
    PanelButton rows[3] = {{-1, 0, 50, 50, 0xFFFF, "X"}, {0, 0, 50, 50, 0xFFFF, "Y"}, {}};
    draw_button_rows(m, rows);
    EXPECT_EQ(differs_from(start), "");
    rows[0].x = 100;
    rows[1].x = -5;
    draw_button_rows(m, rows);
    EXPECT_EQ(at(620, 10), 0xFFFF);
    EXPECT_EQ(at(520, 10), 0);
}

TEST_F(ControlPanel, GridLinesFollowTheKeyEdges) {
    draw_keygrid(m, kGreen);
    Image want = image();
    add_grid(&want, kGreen);
    EXPECT_EQ(differs_from(want.p), "");
    // ENTER is one key over two rows: its middle line is erased up to the frame.
    EXPECT_EQ(at(777, 231), kGreen);
    for (int x = 778; x <= 794; x++) EXPECT_EQ(at(x, 231), 0) << x;
    EXPECT_EQ(at(795, 231), kGreen);
    // The line is erased in black whatever the grid's colour.
    draw_keygrid(m, kRed);
    EXPECT_EQ(at(778, 231), 0);
    EXPECT_EQ(at(516, 190), kRed);
}

TEST_F(ControlPanel, LegendsAndCapsAtTheirPositions) {
    struct Case {
        int mask, first, end;
    } cases[] = {{2, 0, 32}, {8, 32, 68}, {10, 0, 68}, {1, 0, 0}, {4, 0, 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.mask);
        fill(0);
        for (int i = 0; i < kW * kH; i++) m->pixels[i] = start[i];
        draw_keylabels(m, c.mask, kRed);
        Image want = image();
        add_legends(&want, c.first, c.end, kRed);
        EXPECT_EQ(differs_from(want.p), "");
    }
    for (int i = 0; i < kW * kH; i++) m->pixels[i] = start[i];
    draw_keycaps(m);
    Image want = image();
    add_caps(&want);
    EXPECT_EQ(differs_from(want.p), "");
    EXPECT_EQ(at(516 + 41 + 5 + 2, 190 + 8), kCap);  // '1': the top of its stem
}

// The tape deck's row below the status line: four 50x50 buttons at x 520, 580, 640 and 700
// from y 330, in a green no panel button wears, or the area black; a tap hits one strictly
// inside.
TEST_F(ControlPanel, DeckButtonsOrABlackArea) {
    const char *const labels[] = {"REW", "PLAY", "FWD", "EJECT"};
    struct Case {
        bool shown, stop;
    } cases[] = {{true, false}, {true, true}, {false, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.shown) + std::to_string(c.stop));
        for (int y = 320; y < 390; y++)
            for (int x = 515; x < 760; x++) m->pixels[x + kW * y] = 0x1234;
        draw_deck(m, c.shown, c.stop);
        Image want = image();
        want.rect(515, 320, 245, 70, 0x1234);
        want.rect(520, 330, 230, 50, 0);
        for (int k = 0; k < 4 && c.shown; k++) {
            want.rect(520 + 60 * k, 330, 50, 50, kGreen);
            want.text(k == 1 && c.stop ? "STOP" : labels[k], 524 + 60 * k, 345, 2, 0);
        }
        EXPECT_EQ(differs_from(want.p), "");
    }
    for (const Button &b : kButtons) EXPECT_NE(b.colour, kGreen) << b.label;
    struct Tap {
        int x, y, action;
    } taps[] = {
        {545, 355, kDeckRewind}, {581, 331, kDeckPlay},   {689, 378, kDeckForward},
        {749, 355, kDeckEject},  {580, 355, -1},          {630, 355, -1},
        {545, 330, -1},          {545, 379, kDeckRewind}, {545, 380, -1},
        {545, 290, -1},          {545, 35, -1},
    };
    for (const Tap &t : taps) EXPECT_EQ(deck_button_at(t.x, t.y), t.action) << t.x << "," << t.y;
}

TEST_F(ControlPanel, WholePanelInOrder) {
    draw_panel(m, 0);  // only form 1 draws
    EXPECT_EQ(differs_from(start), "");
    draw_panel(m, 1);
    Image want = image();
    add_caps(&want);
    add_grid(&want, kGreen);
    add_legends(&want, 0, 68, kRed);
    add_buttons(&want);
    EXPECT_EQ(differs_from(want.p), "");
    // Nothing of the panel lands in the Spectrum picture's columns.
    for (int y = 0; y < kH; y++)
        for (int x = 0; x < 512; x++) ASSERT_EQ(at(x, y), start[x + kW * y]) << x << "," << y;
}

}  // namespace
