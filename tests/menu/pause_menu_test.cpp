// The pause menu without a display: where the pad takes the highlight and what choosing
// does, the highlight drawn where it is, and a layout for fingers in colours that read well.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <string>
#include <vector>

#include "input/key_matrix.h"
#include "menu/menu_draw.h"
#include "menu/pause_menu.h"

namespace {

// The menu's colour at screen (x, y) as drawn.
struct Screen {
    std::vector<uint16_t> pixels = std::vector<uint16_t>(800 * 480);
    Machine m{};
    Screen() { m.pixels = pixels.data(); }
    uint16_t at(int x, int y) const { return pixels[size_t(y) * 800 + x]; }
};

struct Walk {
    const char *what;
    bool with_continue;
    std::vector<MenuCommand> keys;
    ItemRole role;  // highlighted at the end
    int arg;
    MenuAction last;  // what the last key asked of the front end
};

TEST(PauseMenu, ThePadMovesTheHighlightAndSelectChooses) {
    constexpr MenuCommand U = kMenuUp, D = kMenuDown, L = kMenuLeft, R = kMenuRight,
                          S = kMenuChoose, B = kMenuBack;
    constexpr MenuAction kStay = {kMenuStay, 0, 0};
    const Walk walks[] = {
        {"past the last entry", false, {D, D, D, D, D, D, D}, kItemKeys, 0, kStay},
        {"above the first", false, {U}, kItemResume, 0, kStay},
        {"Continue chosen", true, {D, D, D, D, S}, kItemContinue, 0, {kMenuContinue, 0, 0}},
        {"Resume chosen", false, {S}, kItemResume, 0, {kMenuResume, 0, 0}},
        {"ESC resumes", false, {D, B}, kItemSave, 0, {kMenuResume, 0, 0}},
        {"Save opens on the first tile", false, {D, S}, kItemTile, 0, kStay},
        {"right, down: the fourth tile", false, {D, S, R, D, L, R}, kItemTile, 3, kStay},
        {"up from a tile: Back", false, {D, S, R, U}, kItemBack, 0, kStay},
        {"Back down: the first tile", false, {D, S, R, U, D}, kItemTile, 0, kStay},
        {"slot 2 saved", false, {D, S, R, S}, kItemTile, 1, {kMenuSaveSlot, 2, 0}},
        {"an empty slot loads nothing", false, {D, D, S, S}, kItemTile, 0, kStay},
        {"not that far back", false, {D, D, D, S, D, S}, kItemTile, 2, kStay},
        {"ESC back to Load", false, {D, D, S, R, B}, kItemLoad, 0, kStay},
        {"Back chosen", false, {D, D, D, S, U, S}, kItemRewind, 0, kStay},
        {"Keys opens on up", false, {D, D, D, D, S}, kItemHardKey, 9, kStay},
        {"beside up: down", false, {D, D, D, D, S, R}, kItemHardKey, 8, kStay},
        {"up gets joy-fire", false, {D, D, D, D, S, D, D, D, D, D, D, D, R, S},
         kItemChoice, kKeyJoyFire, {kMenuGiveKey, 9, kKeyJoyFire}},
        {"select picked, gets none", false, {D, D, D, D, S, D, D, S, D, D, D, D, D, R, R, S},
         kItemChoice, 0, {kMenuGiveKey, 10, 0}},
        {"built-in keys", false, {D, D, D, D, S, U, R, S}, kItemBuiltIn, 0,
         {kMenuBuiltInKeys, 0, 0}},
    };
    setenv("XDG_DATA_HOME", "/nonexistent", 1);  // every slot empty
    static RewindRing ring;
    const KeyMap keys = {};
    for (const Walk &w : walks) {
        SCOPED_TRACE(w.what);
        MenuContext context = {"game", w.with_continue ? "last" : nullptr, &ring, &keys, 0};
        static PauseMenu menu;
        menu_open(&menu, &context);
        MenuAction last = kStay;
        for (MenuCommand key : w.keys) last = menu_command(&menu, &context, key);
        const MenuItem &at = menu.items[menu.cursor];
        EXPECT_EQ(at.role, w.role);
        EXPECT_EQ(at.arg, w.arg);
        EXPECT_EQ(last.what, w.last.what);
        EXPECT_EQ(last.arg, w.last.arg);
        EXPECT_EQ(last.code, w.last.code);

        // Drawn: the highlight colour on that item and on no other.
        static Screen screen;
        menu_draw(&screen.m, &menu);
        const uint16_t highlight = kMenuStyle[kStyleHighlight].back;
        for (int k = 0; k < menu.count; k++) {
            const MenuItem &i = menu.items[k];
            int y = i.role == kItemTile ? i.y + i.h - 2 : i.y + 1;  // a tile's label
            EXPECT_EQ(screen.at(i.x + 1, y) == highlight, k == menu.cursor) << "item " << k;
        }
    }
}

// WCAG's relative luminance of an RGB565 colour, each channel scaled to 0-1.
double luminance(uint16_t c) {
    auto linear = [](double v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    double r = linear((c >> 11) / 31.0), g = linear(((c >> 5) & 63) / 63.0), b = linear((c & 31) / 31.0);
    return 0.2126 * r + 0.7152 * g + 0.0722 * b;
}

double contrast(uint16_t a, uint16_t b) {
    double x = luminance(a), y = luminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

TEST(PauseMenu, ItemsAreForFingersAndReadWell) {
    for (const MenuStyle &s : kMenuStyle) EXPECT_GE(contrast(s.text, s.back), 4.5) << s.text;
    // The highlight stands out from every other item's background.
    const uint16_t highlight = kMenuStyle[kStyleHighlight].back;
    for (MenuStyleName other : {kStyleEntry, kStylePicked, kStyleBlank, kStylePage})
        EXPECT_GE(contrast(highlight, kMenuStyle[other].back), 3.0) << int(other);

    for (MenuPage page : {kPageMain, kPageSave, kPageLoad, kPageRewind, kPageKeys}) {
        SCOPED_TRACE(int(page));
        MenuItem items[kMenuItemsMax];
        int count = menu_items(page, true, items);
        for (int k = 0; k < count; k++) {
            const MenuItem &i = items[k];
            EXPECT_GE(i.h, 48);
            if (page == kPageMain) EXPECT_EQ(i.w, kMenuWidth);
            EXPECT_TRUE(i.x >= 0 && i.y >= 0 && i.x + i.w <= kMenuWidth && i.y + i.h <= kMenuHeight);
            for (int j = 0; j < k; j++) {
                const MenuItem &o = items[j];
                EXPECT_FALSE(i.x < o.x + o.w && o.x < i.x + i.w && i.y < o.y + o.h && o.y < i.y + i.h)
                    << "items " << j << " and " << k << " overlap";
            }
        }
    }
}

}  // namespace
