#include "frontend/panel_status.h"

#include <SDL/SDL.h>

#include <cstdio>

#include "display/control_panel.h"
#include "display/text.h"

namespace {

constexpr int kDigitDx = kButtonOriginX + 20;
constexpr int kDigitDy = kButtonOriginY + 30;
constexpr int kDigitCell = 10;
constexpr int kCountDy = kButtonOriginY + 2;
constexpr int kCountHeight = 10;
constexpr int kCountPitch = 8;
constexpr uint32_t kCountColour = 0x8218;

}  // namespace

void draw_button_digit(Machine *m, int action, int value) {
    const PanelButton &b = panel_buttons[action];
    panel_char2x(m, b.x + kDigitDx, b.y + kDigitDy, '0' + value, 0);
}

void redraw_button_digit(Machine *m, int action, int value) {
    const PanelButton &b = panel_buttons[action];
    SDL_Rect cell;
    cell.x = Sint16(b.x + kDigitDx);
    cell.y = Sint16(b.y + kDigitDy);
    cell.w = kDigitCell;
    cell.h = kDigitCell;
    SDL_FillRect(m->surface, &cell, b.colour);
    draw_button_digit(m, action, value);
    SDL_UpdateRect(m->surface, cell.x, cell.y, cell.w, cell.h);
}

void draw_frame_count(Machine *m, int32_t frames) {
    const PanelButton &fast = panel_buttons[kActionFast];
    SDL_Rect cell;
    cell.x = Sint16(fast.x + kButtonOriginX);
    cell.y = Sint16(fast.y + fast.h + kCountDy);
    cell.w = Uint16(fast.w);
    cell.h = kCountHeight;
    SDL_FillRect(m->surface, &cell, 0);
    char text[16];
    std::snprintf(text, sizeof text, "%i", frames);
    for (int n = 0; text[n]; n++)
        panel_char2x(m, cell.x + kCountPitch * n, cell.y, text[n], kCountColour);
    SDL_UpdateRect(m->surface, cell.x, cell.y, cell.w, cell.h);
}
