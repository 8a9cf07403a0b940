// Where the pause menu's items stand on each of its pages, and how the pad moves between
// them. Everything is in screen pixels of the column left of the panel (512 wide, the whole
// screen's height), which the menu covers while it is open.
#pragma once

#include <cstdint>

constexpr int kMenuWidth = 512;    // the Spectrum picture's width
constexpr int kMenuHeight = 480;   // the screen's height
constexpr int kMenuItemsMax = 20;  // the keys page's

enum MenuPage : uint8_t {
    kPageMain,
    kPageSave,
    kPageLoad,
    kPageRewind,
    kPageKeys,
};

// What choosing an item does.
enum ItemRole : uint8_t {
    kItemResume,
    kItemSave,
    kItemLoad,
    kItemRewind,
    kItemContinue,
    kItemKeys,
    kItemBack,      // to the main page
    kItemTile,      // arg: the tile, 0-3
    kItemHardKey,   // arg: the hardware key's index
    kItemChoice,    // arg: the key code it gives
    kItemBuiltIn,   // the game's keys file removed
};

struct MenuItem {
    int16_t x, y, w, h;
    ItemRole role;
    uint8_t arg;
};

// The items of page, into items (kMenuItemsMax); the main page offers Continue only with
// a last game. Returns their count.
int menu_items(MenuPage page, bool with_continue, MenuItem *items);

// Where the highlight starts on page: the first entry, the first tile, the first hardware key.
int menu_first_item(const MenuItem *items, int count);

enum MenuMove : uint8_t { kMoveUp, kMoveDown, kMoveLeft, kMoveRight };

// The item the pad moves the highlight to from item at: up and down to the nearest row above
// or below (the item there nearest in its middle), left and right within the row. At an
// edge the highlight stays.
int menu_move(const MenuItem *items, int count, int at, MenuMove move);

// The item under screen point (x, y), or -1.
int menu_item_at(const MenuItem *items, int count, int x, int y);
