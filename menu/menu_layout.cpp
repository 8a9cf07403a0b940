#include "menu/menu_layout.h"

#include <cstdlib>

#include "input/key_matrix.h"

namespace {

// The main page's entries fill the Spectrum picture's place, rows 50 to 433.
constexpr int kEntryTop = 50;
constexpr int kEntryPitch = 64;
constexpr int kEntryHeight = 60;

// A row at the top of every other page: Back, and on the keys page "Built-in keys".
constexpr MenuItem kBack = {0, 0, 168, 48, kItemBack, 0};
constexpr MenuItem kBuiltIn = {172, 0, 340, 48, kItemBuiltIn, 0};

// Tiles two by two, each a half-size picture (256x192) with a label 22 high under it.
constexpr MenuItem kTiles[] = {
    {0, 50, 256, 214, kItemTile, 0},
    {256, 50, 256, 214, kItemTile, 1},
    {0, 264, 256, 214, kItemTile, 2},
    {256, 264, 256, 214, kItemTile, 3},
};

// The hardware keys in the order a player looks for them: the pad first. Indexes of the
// device's order (ESC F4 F5 F6 F8 F7 RIGHT LEFT DOWN UP SELECT).
constexpr uint8_t kHardKeysShown[] = {9, 8, 7, 6, 10, 0, 1, 2, 3, 5, 4};
constexpr int kHardKeyTop = 50, kHardKeyPitch = 50, kHardKeyHeight = 48;
constexpr int kHardKeyWidth = 254, kHardKeyColumn = 258;
// What the page itself offers to give: the joystick lines and nothing.
constexpr uint8_t kChoices[] = {kKeyJoyUp,    kKeyJoyDown, kKeyJoyLeft,
                                kKeyJoyRight, kKeyJoyFire, 0};
constexpr int kChoiceTop = 352, kChoiceWidth = 168, kChoiceColumn = 172;

int centre_x(const MenuItem &i) { return i.x + i.w / 2; }

}  // namespace

int menu_items(MenuPage page, bool with_continue, MenuItem *items) {
    int n = 0;
    switch (page) {
        case kPageMain: {
            static constexpr ItemRole kEntries[] = {kItemResume, kItemSave,     kItemLoad,
                                                    kItemRewind, kItemContinue, kItemKeys};
            for (ItemRole role : kEntries) {
                if (role == kItemContinue && !with_continue) continue;
                items[n] = {0, int16_t(kEntryTop + kEntryPitch * n), kMenuWidth, kEntryHeight,
                            role, 0};
                n++;
            }
            break;
        }
        case kPageSave:
        case kPageLoad:
        case kPageRewind:
            items[n++] = kBack;
            for (const MenuItem &tile : kTiles) items[n++] = tile;
            break;
        case kPageKeys:
            items[n++] = kBack;
            items[n++] = kBuiltIn;
            for (int k = 0; k < int(sizeof kHardKeysShown); k++)
                items[n++] = {int16_t(kHardKeyColumn * (k % 2)),
                              int16_t(kHardKeyTop + kHardKeyPitch * (k / 2)), kHardKeyWidth,
                              kHardKeyHeight, kItemHardKey, kHardKeysShown[k]};
            for (int k = 0; k < int(sizeof kChoices); k++)
                items[n++] = {int16_t(kChoiceColumn * (k % 3)),
                              int16_t(kChoiceTop + kHardKeyPitch * (k / 3)), kChoiceWidth,
                              kHardKeyHeight, kItemChoice, kChoices[k]};
            break;
    }
    return n;
}

int menu_first_item(const MenuItem *items, int count) {
    for (int k = 0; k < count; k++)
        if (items[k].role == kItemTile || items[k].role == kItemHardKey) return k;
    return 0;
}

int menu_move(const MenuItem *items, int count, int at, MenuMove move) {
    const MenuItem &from = items[at];
    int best = at;
    bool vertical = move == kMoveUp || move == kMoveDown;
    for (int k = 0; k < count; k++) {
        const MenuItem &to = items[k];
        if (vertical) {
            // A row is the items of one top edge; the next row up or down is the nearest one.
            int dy = move == kMoveUp ? from.y - to.y : to.y - from.y;
            if (dy <= 0) continue;
            if (best != at) {
                int best_dy = std::abs(items[best].y - from.y);
                if (dy > best_dy) continue;
                if (dy == best_dy && std::abs(centre_x(to) - centre_x(from)) >=
                                         std::abs(centre_x(items[best]) - centre_x(from)))
                    continue;
            }
        } else {
            int dx = move == kMoveLeft ? from.x - to.x : to.x - from.x;
            if (to.y != from.y || dx <= 0) continue;
            if (best != at && dx >= std::abs(items[best].x - from.x)) continue;
        }
        best = k;
    }
    return best;
}

int menu_item_at(const MenuItem *items, int count, int x, int y) {
    for (int k = 0; k < count; k++) {
        const MenuItem &i = items[k];
        if (x >= i.x && x < i.x + i.w && y >= i.y && y < i.y + i.h) return k;
    }
    return -1;
}
