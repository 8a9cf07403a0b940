#include "display/status_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/control_panel.h"
#include "display/text.h"
#include "panel_screen.h"

namespace {

constexpr uint16_t kWhite = 0xFFFF;

class StatusText : public PanelScreen {
   protected:
    std::vector<uint16_t> drawn(const char *text) {
        fill(0);
        draw_status_text(m, text);
        return snapshot();
    }
    bool in_band(int x, int y) const {
        return x >= kStatusX && x < 800 && y >= kStatusY && y < kStatusY + kStatusHeight;
    }
};

TEST_F(StatusText, ReplacesItsLineAndTouchesNothingElse) {
    // Whatever is below and around the band, the panel included, stays; the band is only
    // the new line on black.
    fill(0x1234);
    draw_panel(m, kPanelFull);
    draw_status_text(m, "AN OLDER AND MUCH LONGER MESSAGE");
    std::vector<uint16_t> before = snapshot();
    draw_status_text(m, "Loaded game.z80");
    int ink = 0;
    for (int y = 0; y < kH; y++)
        for (int x = 0; x < kW; x++) {
            uint16_t p = at(x, y);
            if (!in_band(x, y)) {
                ASSERT_EQ(p, before[x + kW * y]) << "(" << x << ", " << y << ")";
            } else {
                ASSERT_TRUE(p == 0 || p == kWhite) << "(" << x << ", " << y << ")";
                ink += p == kWhite;
            }
        }
    EXPECT_GT(ink, 0);
    // Nothing of the longer line is left: the band is what a fresh draw gives.
    std::vector<uint16_t> band;
    for (int y = kStatusY; y < kStatusY + kStatusHeight; y++)
        for (int x = kStatusX; x < kW; x++) band.push_back(at(x, y));
    drawn("Loaded game.z80");
    for (int y = kStatusY, i = 0; y < kStatusY + kStatusHeight; y++)
        for (int x = kStatusX; x < kW; x++, i++) ASSERT_EQ(at(x, y), band[i]);
}

TEST_F(StatusText, TextIsTheTwiceSizePanelFontInCapitals) {
    std::vector<uint16_t> shown = drawn("Loaded x.sna");
    fill(0);
    panel_text2x(m, "LOADED X.SNA", kStatusTextX, kStatusTextY, kWhite);
    EXPECT_EQ(differs_from(shown), "");

    // Each line looks exactly like its stand-in: lower case as capitals, and every byte the
    // font has no glyph for (braces, bar, tilde, controls, UTF-8) as '?', never as the
    // keyboard's line-art pieces.
    struct Same {
        const char *text, *looks_like;
    };
    const Same cases[] = {
        {"can't read a.z80: no such file", "CAN'T READ A.Z80: NO SUCH FILE"},
        {"{|}~", "????"},
        {"\t\x7F", "??"},
        {"caf\xC3\xA9.sna", "CAF??.SNA"},
        {"\x80\x81\x92", "???"},
    };
    for (const Same &c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<uint16_t> want = drawn(c.looks_like);
        drawn(c.text);
        EXPECT_EQ(differs_from(want), "");
    }
    EXPECT_NE(drawn("?"), drawn("A")) << "the stand-in must be visible";
    EXPECT_EQ(drawn(""), std::vector<uint16_t>(kW * kH, 0));
}

TEST_F(StatusText, LongLineIsCutBeforeTheFirstCharacterThatDoesNotFit) {
    // 27 W's at a 10-pixel pitch end at x 789; the I fits at 790-791; the next W, at 794,
    // would need columns up to 801 and is left out whole.
    std::string text(27, 'W');
    std::vector<uint16_t> fits = drawn((text + "I").c_str());
    EXPECT_EQ(at(790, kStatusTextY), kWhite);
    std::vector<uint16_t> cut = drawn((text + "IW" + std::string(40, 'W')).c_str());
    EXPECT_EQ(differs_from(fits), "");
    for (int x = 792; x < kW; x++)
        for (int y = kStatusY; y < kStatusY + kStatusHeight; y++)
            ASSERT_EQ(at(x, y), 0) << "(" << x << ", " << y << ")";
}

}  // namespace
