// Starting SDL with the one screen shape every drawing routine assumes.
#pragma once

#include "machine/machine.h"

// SDL with video and audio, the window caption, the full-screen 800x480x16 mode locked for
// the whole run and no cursor; fills surface and pixels. When SDL fails, or grants a surface
// other than 800x480 at 16 bits with 1600-byte rows, says so on standard error and returns 1;
// otherwise 0.
int video_open(Machine *m);
