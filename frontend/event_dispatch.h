// One SDL event at a time: hardware keys through the key map, taps on the drawn keyboard,
// the panel buttons, the browser's keys and taps, focus changes and quit.
#pragma once

#include <SDL/SDL.h>

#include "frontend/front_end.h"

// Hold counter values of a tapped key.
constexpr uint8_t kHoldTapped = 255;  // finger down; released anyway after 255 frames
constexpr uint8_t kHoldLifted = 1;    // finger up: released before the next frame

void dispatch_event(FrontEnd *fe, const SDL_Event *event);

// Before a frame runs: counts every held tap down and releases those that reach 0.
void hold_countdown(FrontEnd *fe);

// The action of panel button row action (RESET, SOUND, FAST, QUIT, PAUSE, LOAD).
void button_action(FrontEnd *fe, int action);
