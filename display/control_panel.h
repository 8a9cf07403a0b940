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

// The tape deck's buttons, in a row in the free area below the status line, shown only while
// a tape is inserted; a row's index is its action. The second says what a tap does: PLAY, or
// STOP while the deck follows the program.
enum DeckAction { kDeckRewind, kDeckPlay, kDeckForward, kDeckEject };
constexpr int kDeckButtons = 4;
extern const PanelButton deck_buttons[kDeckButtons + 1];
// The area they take, black without a tape (screen pixels).
constexpr int kDeckAreaX = 520;
constexpr int kDeckAreaY = 330;
constexpr int kDeckAreaWidth = 230;
constexpr int kDeckAreaHeight = 50;

// As panel_button_at, for the deck's buttons (whether shown or not).
int deck_button_at(int x, int y);

// The deck's area: black, then the buttons when shown, the second labelled STOP when stop
// is set. Not published.
void draw_deck(Machine *m, bool shown, bool stop);

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
