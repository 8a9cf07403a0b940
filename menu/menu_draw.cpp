#include "menu/menu_draw.h"

#include <cstdio>

#include "display/screen_render.h"
#include "display/screen_thumbnail.h"
#include "display/text.h"
#include "keymaps/keys_file.h"

// White on black, white on dark blue, black on yellow, white on dark green, light grey on
// dark grey: every pair well over 4.5:1, and the yellow stands out from every background.
const MenuStyle kMenuStyle[kMenuStyles] = {
    {0xFFFF, 0x0000},
    {0xFFFF, 0x0010},
    {0x0000, 0xFFE0},
    {0xFFFF, 0x0320},
    {0xC618, 0x2104},
};

namespace {

constexpr int kGlyph = 16;       // the 8x8 font doubled
constexpr int kTextInset = 16;   // left margin of an entry's text
constexpr int kLabelHeight = 22; // under a tile's picture

void fill(Machine *m, int x, int y, int w, int h, uint16_t colour) {
    for (int j = y; j < y + h; j++) {
        uint16_t *row = m->pixels + j * kScreenWidth;
        for (int i = x; i < x + w; i++) row[i] = colour;
    }
}

// Text cut to what fits in width.
void text_in(Machine *m, const char *text, int x, int y, int width, uint16_t colour) {
    char shown[64];
    size_t fits = size_t(width / kGlyph);
    if (fits >= sizeof shown) fits = sizeof shown - 1;
    std::snprintf(shown, sizeof shown, "%.*s", int(fits), text);
    spec_text2x(m, shown, x, y, colour);
}

const char *entry_text(const PauseMenu *menu, ItemRole role) {
    switch (role) {
        case kItemResume: return "Resume";
        case kItemSave: return "Save";
        case kItemLoad: return "Load";
        case kItemRewind: return "Rewind";
        case kItemContinue: return menu->continue_label;
        case kItemKeys: return "Keys";
        case kItemBack: return "Back";
        case kItemBuiltIn: return "Built-in keys";
        default: return "";
    }
}

// A bar with its text on one line, or two lines for a hardware key (its name, what it gives).
void draw_entry(Machine *m, const PauseMenu *menu, const MenuItem &i, const MenuStyle &s) {
    fill(m, i.x, i.y, i.w, i.h, s.back);
    // The narrow items of the keys page spare their margin for "joy-right".
    int inset = i.w < kMenuWidth / 2 ? kTextInset / 2 : kTextInset;
    int x = i.x + inset, width = i.w - 2 * inset, middle = i.y + (i.h - kGlyph) / 2;
    char word[16];
    if (i.role == kItemHardKey) {
        key_word(menu->keys.keys[i.arg], word);
        text_in(m, hardware_key_name(i.arg), x, i.y + 6, width, s.text);
        text_in(m, word, x + kTextInset, i.y + 26, width - kTextInset, s.text);
    } else if (i.role == kItemChoice) {
        key_word(i.arg, word);
        text_in(m, word, x, middle, width, s.text);
    } else {
        text_in(m, entry_text(menu, i.role), x, middle, width, s.text);
    }
}

void draw_tile(Machine *m, const PauseMenu *menu, const MenuItem &i, bool highlighted) {
    const MenuTile &tile = menu->tiles[i.arg];
    int picture_height = i.h - kLabelHeight;
    if (tile.picture) {
        draw_thumbnail(m, i.x, i.y, tile.screen);
    } else {
        const MenuStyle &blank = kMenuStyle[kStyleBlank];
        fill(m, i.x, i.y, i.w, picture_height, blank.back);
    }
    // The picture is shown whole: the label says which tile is highlighted, and a gap
    // between the labels keeps the tiles apart.
    const MenuStyle &s = kMenuStyle[highlighted ? kStyleHighlight : kStyleEntry];
    fill(m, i.x + 1, i.y + picture_height, i.w - 2, kLabelHeight, s.back);
    text_in(m, tile.label, i.x + 8, i.y + picture_height + (kLabelHeight - kGlyph) / 2, i.w - 8,
            s.text);
}

const char *page_title(MenuPage page) {
    switch (page) {
        case kPageMain: return "Paused";
        case kPageSave: return "Save to a slot";
        case kPageLoad: return "Load a slot";
        case kPageRewind: return "Go back";
        case kPageKeys: return "";
    }
    return "";
}

const char *page_help(MenuPage page) {
    switch (page) {
        case kPageMain: return "Pad moves, Select chooses";
        case kPageKeys: return "Or tap a drawn key to give it";
        default: return "";
    }
}

}  // namespace

void menu_draw(Machine *m, const PauseMenu *menu) {
    const MenuStyle &page = kMenuStyle[kStylePage];
    fill(m, 0, 0, kMenuWidth, kMenuHeight, page.back);
    // The title beside Back, or above the main page's entries.
    int title_x = menu->page == kPageMain ? kTextInset : 184;
    text_in(m, page_title(menu->page), title_x, 16, kMenuWidth - title_x, page.text);
    text_in(m, page_help(menu->page), kTextInset, kMenuHeight - 26, kMenuWidth - kTextInset,
            page.text);
    for (int k = 0; k < menu->count; k++) {
        const MenuItem &i = menu->items[k];
        bool highlighted = k == menu->cursor;
        if (i.role == kItemTile) {
            draw_tile(m, menu, i, highlighted);
            continue;
        }
        MenuStyleName style = kStyleEntry;
        if (i.role == kItemHardKey && i.arg == menu->picked) style = kStylePicked;
        if (highlighted) style = kStyleHighlight;
        draw_entry(m, menu, i, kMenuStyle[style]);
    }
}
