// The control panel right of the Spectrum picture: six push buttons and the drawn
// keyboard, painted once from constant tables into the locked surface.
#pragma once

#include <cstdint>

#include "machine/machine.h"

constexpr int kButtonOriginX = 520;
constexpr int kButtonOriginY = 10;

struct PanelButton {
    int32_t x;  // relative to the button origin; negative ends the table
    int32_t y;
    int32_t w;
    int32_t h;
    uint32_t colour;  // RGB565
    char label[12];
};

// A row's index is its action.
enum PanelAction {
    kActionReset,
    kActionSound,
    kActionFast,
    kActionQuit,
    kActionPause,
    kActionLoad
};
constexpr int kPanelButtons = 6;
extern const PanelButton panel_buttons[kPanelButtons + 1];

// The action of the button strictly inside which screen point (x, y) lies (its outline
// belongs to no button), or -1.
int panel_button_at(int x, int y);

constexpr uint32_t kCapColour = 0x8218;
constexpr uint32_t kGridColour = 0x07E0;
constexpr uint32_t kLegendColour = 0xF800;
constexpr int kPanelFull = 1;

// Form kPanelFull draws caps, grid, both legend groups and buttons; other forms nothing.
void draw_panel(Machine *m, int form);
void draw_buttons(Machine *m);
// The buttons of a table that ends at its first row with a negative x.
void draw_button_rows(Machine *m, const PanelButton *rows);
void draw_keycaps(Machine *m);
// Frame, separators and key lines, then the ENTER key's middle line erased in black.
void draw_keygrid(Machine *m, uint32_t colour);
// The legends whose mask shares a bit with mask.
void draw_keylabels(Machine *m, int mask, uint32_t colour);
