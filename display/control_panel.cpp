#include "display/control_panel.h"

#include <SDL/SDL.h>

#include "display/keyboard_layout.h"
#include "display/screen_render.h"
#include "display/text.h"

const PanelButton panel_buttons[kPanelButtons + 1] = {
    {0, 0, 50, 50, 0x8218, "RESET"},
    {60, 0, 50, 50, 0x8218, "SOUND"},
    {120, 0, 50, 50, 0x8218, "FAST"},
    {180, 0, 50, 50, 0x8218, "QUIT"},
    {0, 80, 50, 50, 0xF800, "PAUSE"},
    {60, 80, 50, 50, 0xF800, "LOAD"},
    {-1, 0, 0, 0, 0, ""},
};

// The keyboard grid's green, which no other button wears.
const PanelButton deck_buttons[kDeckButtons + 1] = {
    {0, 320, 50, 50, kGridColour, "REW"},
    {60, 320, 50, 50, kGridColour, "PLAY"},
    {120, 320, 50, 50, kGridColour, "FWD"},
    {180, 320, 50, 50, kGridColour, "EJECT"},
    {-1, 0, 0, 0, 0, ""},
};

namespace {

constexpr int kCaptionDx = 4;  // caption offset from the button's top-left
constexpr int kCaptionDy = 15;
constexpr int kCapDx = 5;  // a 2x cap sits 5 right of the key's left line, rows 8-17
constexpr int kCapDy = 8;
constexpr int kCappedRows = 4;  // the bottom row has no caps
constexpr int kEnterGapY = kKeyboardY + 2 * kKeyRowPitch - 1;
constexpr int kEnterGapFirst = 778;
constexpr int kEnterGapLast = 794;

void hline(Machine *m, int x0, int x1, int y, uint32_t colour) {
    for (int x = x0; x <= x1; x++) m->pixels[x + kScreenWidth * y] = uint16_t(colour);
}

void vline(Machine *m, int x, int y0, int y1, uint32_t colour) {
    for (int y = y0; y <= y1; y++) m->pixels[x + kScreenWidth * y] = uint16_t(colour);
}

int button_at(const PanelButton *rows, int x, int y) {
    int px = x - kButtonOriginX, py = y - kButtonOriginY;
    for (int row = 0; rows[row].x >= 0; row++) {
        const PanelButton &b = rows[row];
        if (b.x < px && px < b.x + b.w && b.y < py && py < b.y + b.h) return row;
    }
    return -1;
}

void draw_button(Machine *m, const PanelButton *b, const char *label) {
    SDL_Rect rect;
    rect.x = Sint16(kButtonOriginX + b->x);
    rect.y = Sint16(kButtonOriginY + b->y);
    rect.w = Uint16(b->w);
    rect.h = Uint16(b->h);
    SDL_FillRect(m->surface, &rect, b->colour);
    panel_text2x(m, label, rect.x + kCaptionDx, rect.y + kCaptionDy, 0);
}

}  // namespace

int panel_button_at(int x, int y) { return button_at(panel_buttons, x, y); }

int deck_button_at(int x, int y) { return button_at(deck_buttons, x, y); }

void draw_button_rows(Machine *m, const PanelButton *rows) {
    for (const PanelButton *b = rows; b->x >= 0; b++) draw_button(m, b, b->label);
}

void draw_deck(Machine *m, bool shown, bool stop) {
    SDL_Rect area = {kDeckAreaX, kDeckAreaY, kDeckAreaWidth, kDeckAreaHeight};
    SDL_FillRect(m->surface, &area, 0);
    if (!shown) return;
    draw_button_rows(m, deck_buttons);
    if (stop) draw_button(m, &deck_buttons[kDeckPlay], "STOP");
}

void draw_buttons(Machine *m) { draw_button_rows(m, panel_buttons); }

void draw_keycaps(Machine *m) {
    for (int row = 0; row < kCappedRows; row++)
        for (int key = 1; key < kKeySlots; key++) {
            int code = keychars[row][key];
            bool letter = code >= 'a' && code <= 'z';
            if (!letter && !(code >= '0' && code <= '9')) continue;
            panel_char2x(m, kKeyboardX + keyedges[row][key - 1] + kCapDx,
                         kKeyboardY + kKeyRowPitch * row + kCapDy, letter ? code - 32 : code,
                         kCapColour);
        }
}

void draw_keygrid(Machine *m, uint32_t colour) {
    constexpr int right = kKeyboardX + kKeyboardWidth - 1;
    constexpr int bottom = kKeyboardY + kKeyboardHeight - 1;
    hline(m, kKeyboardX, right, kKeyboardY, colour);
    hline(m, kKeyboardX, right, bottom, colour);
    vline(m, kKeyboardX, kKeyboardY, bottom, colour);
    vline(m, right, kKeyboardY, bottom, colour);
    for (int k = kKeyRowPitch - 1; k < kKeyboardHeight - 1; k += kKeyRowPitch)
        hline(m, kKeyboardX, right, kKeyboardY + k, colour);
    for (int r = 0; r < kKeyRows; r++)
        for (int i = 0; i < kKeySlots - 1; i++)
            if (keyedges[r][i] < kKeyboardWidth)
                vline(m, kKeyboardX + keyedges[r][i], kKeyboardY + kKeyRowPitch * r,
                      kKeyboardY + kKeyRowPitch * r + 19, colour);
    hline(m, kEnterGapFirst, kEnterGapLast, kEnterGapY, 0);  // ENTER spans two rows
}

void draw_keylabels(Machine *m, int mask, uint32_t colour) {
    for (const KeyLabel *l = keylabels; l->x >= 0; l++)
        if (l->mask & mask) panel_text(m, l->label, kKeyboardX + l->x, kKeyboardY + l->y, colour);
}

void draw_panel(Machine *m, int form) {
    if (form != kPanelFull) return;
    draw_keycaps(m);
    draw_keygrid(m, kGridColour);
    draw_keylabels(m, kLabelFunction | kLabelSymbol, kLegendColour);
    draw_buttons(m);
}
