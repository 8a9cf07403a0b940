// The pause menu drawn over the column left of the panel: large entries in colours that
// read well on the handheld's screen, the highlighted one in a colour of its own.
#pragma once

#include <cstdint>

#include "machine/machine.h"
#include "menu/pause_menu.h"

// A text colour on its background, RGB565.
struct MenuStyle {
    uint16_t text;
    uint16_t back;
};

enum MenuStyleName : uint8_t {
    kStylePage,       // titles and help on the menu's background
    kStyleEntry,      // an entry or a tile's label
    kStyleHighlight,  // the highlighted one
    kStylePicked,     // the hardware key the keys page gives keys to
    kStyleBlank,      // a tile without a picture
    kMenuStyles,
};
extern const MenuStyle kMenuStyle[kMenuStyles];

// Draws the whole menu column (kMenuWidth x kMenuHeight at the screen's top-left); the
// caller publishes it.
void menu_draw(Machine *m, const PauseMenu *menu);
