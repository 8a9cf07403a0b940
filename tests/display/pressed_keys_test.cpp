#include "display/pressed_keys.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "display/control_panel.h"
#include "display/keyboard_layout.h"
#include "input/key_matrix.h"
#include "panel_screen.h"

namespace {

// Whether every matrix place of key code is down in m: pressed alone into fresh rows, the
// code changes nothing that is up in m.
bool all_down(const Machine *m, int code) {
    static Machine fresh;
    for (uint8_t &row : fresh.keyrows) row = 0xFF;
    fresh.joystick = 0x1F;
    key_press(unsigned(code), &fresh);
    bool any = false;
    for (int r = 0; r < 8; r++) {
        if (fresh.keyrows[r] == 0xFF) continue;
        any = true;
        if ((m->keyrows[r] | fresh.keyrows[r]) != fresh.keyrows[r]) return false;
    }
    return any;
}

// The key the keyboard pixel (x, y) belongs to, from the hit test: the frame and the key
// lines belong to none; a separator pixel belongs to the key above and below it when both
// are the same key (ENTER, over two rows).
int key_at(int x, int y) {
    if (x == 0 || y == 0 || x == kKeyboardWidth - 1 || y == kKeyboardHeight - 1) return -1;
    int code = keyboard_hit(x, y);
    if (code != kHitSeparator) return code;
    int above = keyboard_hit(x, y - 1), below = keyboard_hit(x, y + 1);
    return above >= 0 && above == below ? above : -1;
}

class PressedKeysTest : public PanelScreen {
   protected:
    void SetUp() override {
        PanelScreen::SetUp();
        draw_panel(m, kPanelFull);
        rest = snapshot();
        for (uint8_t &row : m->keyrows) row = 0xFF;
        m->joystick = 0x1F;
    }
    std::vector<uint16_t> rest;
};

// Every key of the drawn keyboard, pressed into the matrix: the keys whose places are all
// down are drawn inverted inside their lines, nothing else changes, only their rectangles
// are published; let go, the panel is pixel for pixel the one at rest.
TEST_F(PressedKeysTest, EveryKeyDrawnPressedAndRestoredExactly) {
    std::set<int> codes;
    for (int r = 0; r < kKeyRows; r++)
        for (int i = 0; i < kKeySlots; i++) codes.insert(keychars[r][i]);
    for (int code : codes) {
        SCOPED_TRACE(code);
        PressedKeys shown = {};
        key_press(unsigned(code), m);
        SDL_Rect rects[kPressedKeyRects];
        int count = draw_pressed_keys(m, &shown, rects);
        ASSERT_LE(count, kPressedKeyRects);
        int inverted = 0;
        for (int y = 0; y < kH; y++)
            for (int x = 0; x < kW; x++) {
                int kx = x - kKeyboardX, ky = y - kKeyboardY;
                bool on_keys = kx >= 0 && kx < kKeyboardWidth && ky >= 0 && ky < kKeyboardHeight;
                int under = on_keys ? key_at(kx, ky) : -1;
                bool pressed = under >= 0 && all_down(m, under);
                uint16_t want = pressed ? uint16_t(~rest[x + kW * y]) : rest[x + kW * y];
                ASSERT_EQ(at(x, y), want) << x << "," << y << " of key " << under;
                if (!pressed) continue;
                inverted++;
                bool published = false;
                for (int k = 0; k < count; k++)
                    published |= x >= rects[k].x && x < rects[k].x + rects[k].w &&
                                 y >= rects[k].y && y < rects[k].y + rects[k].h;
                ASSERT_TRUE(published) << x << "," << y;
            }
        // Published: the pressed keys' insides and nothing more.
        int area = 0;
        for (int k = 0; k < count; k++) area += rects[k].w * rects[k].h;
        EXPECT_EQ(area, inverted);
        // Nothing changed since: nothing drawn, nothing to publish.
        std::vector<uint16_t> drawn = snapshot();
        EXPECT_EQ(draw_pressed_keys(m, &shown, rects), 0);
        EXPECT_EQ(differs_from(drawn), "");
        key_release(unsigned(code), m);
        EXPECT_GT(draw_pressed_keys(m, &shown, rects), 0);
        EXPECT_EQ(differs_from(rest), "");
    }
}

// Keys going down and coming up in any order: each drawn change toggles only what changed.
TEST_F(PressedKeysTest, OverlappingPressesComeBackToRest) {
    PressedKeys shown = {};
    SDL_Rect rects[kPressedKeyRects];
    const int steps[][2] = {{kKeyCapsShift, 1}, {'5', 1},       {kKeyCursorLeft, 1},
                            {kKeyCapsShift, 0}, {kKeyEnter, 1}, {' ', 1},
                            {'5', 0},           {' ', 0},       {kKeyCursorLeft, 0},
                            {kKeyEnter, 0}};
    for (const auto &s : steps) {
        if (s[1])
            key_press(unsigned(s[0]), m);
        else
            key_release(unsigned(s[0]), m);
        draw_pressed_keys(m, &shown, rects);
    }
    EXPECT_EQ(differs_from(rest), "");
}

}  // namespace
