// The pause menu in the front end: opened by a tap on the paused picture, fed the hardware
// keys and taps while open, and what its choices do: save and load slots, go back in time,
// continue the last game, give keys.
#pragma once

#include <SDL/SDL.h>

#include "frontend/front_end.h"

// Whether a tap at screen (x, y) opens the menu: on the picture while PAUSE holds the
// machine (not the browser, not the menu itself).
bool menu_opens_at(const FrontEnd *fe, int x, int y);

// Opens the menu at its main page, drawn over the picture.
void menu_show(FrontEnd *fe);

// A key down while the menu is open: the pad moves, Select chooses, ESC goes back.
void menu_key(FrontEnd *fe, SDLKey symbol);

// A tap while the menu is open: on the menu's column its item is chosen, and true (the tap
// goes no further); elsewhere false.
bool menu_tap_at(FrontEnd *fe, int x, int y);

// A drawn key tapped while the menu is open: the keys page gives it to its hardware key.
void menu_drawn_key_tapped(FrontEnd *fe, int code);

// Closes the menu and shows the picture again; the machine stays as it is (paused).
void menu_close(FrontEnd *fe);

// After each frame: the rewind ring takes its state when one is due.
void rewind_frame_done(FrontEnd *fe);
