// The pause menu: what the paused machine offers when its picture is tapped. A main page
// (Resume, Save, Load, Rewind, Continue <game>, Keys), three pages of four tiles (the save
// slots to save to or load from, the states to go back to) and a page of the hardware keys.
// The pad moves a highlight, Select or a tap chooses; what the front end must then do comes
// back as an action. Nothing here draws or touches the machine.
#pragma once

#include <time.h>

#include <cstdint>

#include "input/key_profiles.h"
#include "menu/menu_layout.h"
#include "saves/rewind_ring.h"
#include "saves/slot_store.h"

constexpr int kMenuTiles = 4;
constexpr int kTileLabelSize = 17;  // 16 characters fit under a tile

struct MenuTile {
    bool picture;  // screen holds a picture to show
    bool usable;   // choosing the tile does something
    uint8_t screen[kScreenBytes];
    char label[kTileLabelSize];
};

// What the menu is shown with, read from the front end when a page opens.
struct MenuContext {
    const char *game;       // the game now running, "" while none is
    const char *last_game;  // the game Continue offers ("" for none loaded), nullptr: no Continue
    const RewindRing *ring;
    const KeyMap *keys;  // the map in force
    time_t now;
};

struct PauseMenu {
    MenuPage page;
    int cursor;  // the highlighted item
    int count;
    MenuItem items[kMenuItemsMax];
    char continue_label[48];
    MenuTile tiles[kMenuTiles];
    KeyMap keys;  // as the keys page shows it
    int picked;   // the hardware key the keys page gives keys to
};

// What a key asks of the menu; kMenuNone for a key the menu does not use.
enum MenuCommand : uint8_t {
    kMenuUp,
    kMenuDown,
    kMenuLeft,
    kMenuRight,
    kMenuChoose,
    kMenuBack,
    kMenuNone,
};

enum MenuDo : uint8_t {
    kMenuStay,         // nothing for the front end to do but show the menu again
    kMenuResume,       // the menu closes and the machine runs
    kMenuSaveSlot,     // the machine saved as slot arg (1-4), then resume
    kMenuLoadSlot,     // slot arg loaded, then resume
    kMenuGoBack,       // back arg seconds, then resume
    kMenuContinue,     // the last game's snapshot loaded, then resume
    kMenuGiveKey,      // hardware key arg gives key code from now on
    kMenuBuiltInKeys,  // the game's own keys file removed, the built-in map again
};

struct MenuAction {
    MenuDo what;
    int arg;
    int code;
};

// The main page, its first entry highlighted.
void menu_open(PauseMenu *menu, const MenuContext *context);

// A key of the pad: the highlight moves, Select chooses, ESC goes back a page (from the main
// page: resume).
MenuAction menu_command(PauseMenu *menu, const MenuContext *context, MenuCommand command);

// A tap at screen (x, y): the item there is highlighted and chosen; elsewhere nothing.
MenuAction menu_tap(PauseMenu *menu, const MenuContext *context, int x, int y);

// A key of the drawn keyboard tapped: on the keys page the picked hardware key gets it.
MenuAction menu_drawn_key(const PauseMenu *menu, int code);

// The map in force changed: the keys page shows it.
void menu_keys_changed(PauseMenu *menu, const KeyMap *keys);
