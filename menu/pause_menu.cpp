#include "menu/pause_menu.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr MenuAction kStay = {kMenuStay, 0, 0};

void show_page(PauseMenu *menu, const MenuContext *context, MenuPage page, int cursor) {
    menu->page = page;
    menu->count = menu_items(page, context->last_game != nullptr, menu->items);
    menu->cursor = cursor >= 0 ? cursor : menu_first_item(menu->items, menu->count);
}

// When a slot was saved: the time of day today, the day before.
void saved_when(time_t saved, time_t now, char *text, size_t size) {
    tm then = {}, today = {};
    localtime_r(&saved, &then);
    localtime_r(&now, &today);
    bool same_day = then.tm_year == today.tm_year && then.tm_yday == today.tm_yday;
    strftime(text, size, same_day ? "%H:%M" : "%d %b", &then);
}

void slot_tiles(PauseMenu *menu, const MenuContext *context, bool loading) {
    static SlotView view;
    for (int k = 0; k < kMenuTiles; k++) {
        MenuTile *tile = &menu->tiles[k];
        slot_view(context->game, k + 1, &view);
        char what[12];
        switch (view.kind) {
            case kSlotEmpty: std::snprintf(what, sizeof what, "empty"); break;
            case kSlotUnreadable: std::snprintf(what, sizeof what, "unreadable"); break;
            case kSlotSaved: saved_when(view.saved, context->now, what, sizeof what); break;
        }
        std::snprintf(tile->label, sizeof tile->label, "%d  %s", k + 1, what);
        tile->picture = view.kind == kSlotSaved;
        if (tile->picture) std::memcpy(tile->screen, view.screen, kScreenBytes);
        // Any slot can be saved over; only a snapshot can be loaded.
        tile->usable = !loading || tile->picture;
    }
}

void rewind_tiles(PauseMenu *menu, const MenuContext *context) {
    for (int k = 0; k < kMenuTiles; k++) {
        MenuTile *tile = &menu->tiles[k];
        const RewindState *state = rewind_find(context->ring, kRewindSeconds[k]);
        tile->picture = tile->usable = state != nullptr;
        if (state) std::memcpy(tile->screen, state->machine.ram, kScreenBytes);
        std::snprintf(tile->label, sizeof tile->label, state ? "%d s back" : "%d s: not yet",
                      kRewindSeconds[k]);
    }
}

// The main page's entry that opens page, highlighted on the way back.
int entry_of(const PauseMenu *menu, ItemRole role) {
    for (int k = 0; k < menu->count; k++)
        if (menu->items[k].role == role) return k;
    return 0;
}

void back_to_main(PauseMenu *menu, const MenuContext *context) {
    static constexpr ItemRole kOpener[] = {kItemResume, kItemSave, kItemLoad, kItemRewind,
                                           kItemKeys};
    ItemRole opener = kOpener[menu->page];
    show_page(menu, context, kPageMain, 0);
    menu->cursor = entry_of(menu, opener);
}

void open_sub_page(PauseMenu *menu, const MenuContext *context, MenuPage page) {
    show_page(menu, context, page, -1);
    if (page == kPageSave || page == kPageLoad) slot_tiles(menu, context, page == kPageLoad);
    if (page == kPageRewind) rewind_tiles(menu, context);
    if (page == kPageKeys) {
        menu->keys = *context->keys;
        menu->picked = menu->items[menu->cursor].arg;
    }
}

MenuAction choose(PauseMenu *menu, const MenuContext *context) {
    const MenuItem &item = menu->items[menu->cursor];
    switch (item.role) {
        case kItemResume: return {kMenuResume, 0, 0};
        case kItemSave: open_sub_page(menu, context, kPageSave); return kStay;
        case kItemLoad: open_sub_page(menu, context, kPageLoad); return kStay;
        case kItemRewind: open_sub_page(menu, context, kPageRewind); return kStay;
        case kItemKeys: open_sub_page(menu, context, kPageKeys); return kStay;
        case kItemContinue: return {kMenuContinue, 0, 0};
        case kItemBack: back_to_main(menu, context); return kStay;
        case kItemTile: {
            if (!menu->tiles[item.arg].usable) return kStay;
            if (menu->page == kPageRewind) return {kMenuGoBack, kRewindSeconds[item.arg], 0};
            return {menu->page == kPageSave ? kMenuSaveSlot : kMenuLoadSlot, item.arg + 1, 0};
        }
        case kItemHardKey: menu->picked = item.arg; return kStay;
        case kItemChoice: return {kMenuGiveKey, menu->picked, item.arg};
        case kItemBuiltIn: return {kMenuBuiltInKeys, 0, 0};
    }
    return kStay;
}

}  // namespace

void menu_open(PauseMenu *menu, const MenuContext *context) {
    show_page(menu, context, kPageMain, 0);
    if (context->last_game)
        std::snprintf(menu->continue_label, sizeof menu->continue_label, "Continue %s",
                      saves_game(context->last_game));
    menu->picked = 0;
}

MenuAction menu_command(PauseMenu *menu, const MenuContext *context, MenuCommand command) {
    MenuMove move;
    switch (command) {
        case kMenuUp: move = kMoveUp; break;
        case kMenuDown: move = kMoveDown; break;
        case kMenuLeft: move = kMoveLeft; break;
        case kMenuRight: move = kMoveRight; break;
        case kMenuChoose: return choose(menu, context);
        case kMenuBack:
            if (menu->page == kPageMain) return {kMenuResume, 0, 0};
            back_to_main(menu, context);
            return kStay;
        default: return kStay;
    }
    menu->cursor = menu_move(menu->items, menu->count, menu->cursor, move);
    return kStay;
}

MenuAction menu_tap(PauseMenu *menu, const MenuContext *context, int x, int y) {
    int at = menu_item_at(menu->items, menu->count, x, y);
    if (at < 0) return kStay;
    menu->cursor = at;
    return choose(menu, context);
}

MenuAction menu_drawn_key(const PauseMenu *menu, int code) {
    if (menu->page != kPageKeys) return kStay;
    return {kMenuGiveKey, menu->picked, code};
}

void menu_keys_changed(PauseMenu *menu, const KeyMap *keys) { menu->keys = *keys; }
