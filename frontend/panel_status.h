// The live parts of the control panel: the digits on the SOUND and FAST buttons and the
// frame count below FAST.
#pragma once

#include <cstdint>

#include "machine/machine.h"

// The digit '0' + value on button action's face, drawn over what is there; not published.
void draw_button_digit(Machine *m, int action, int value);
// The digit's 10x10 cell cleared to the button's colour, the digit drawn, the cell published.
void redraw_button_digit(Machine *m, int action, int value);
// frames at a fixed 8-pixel pitch in the 50x10 cell below FAST, published.
void draw_frame_count(Machine *m, int32_t frames);
