// Running, paused and the FAST mode, changed in one place so that the sound and the pacing
// always follow what the emulation does.
#pragma once

#include "frontend/front_end.h"

// The emulation paused (1) or running (0) in FAST mode fast (0, 1 or 2; its digit redrawn
// when it changes). A changed mode decides the sound: the unpaced modes pause it, mode 0 is
// paced from now with the sound re-armed when it is on. With the mode kept, pausing pauses
// the sound and running again is paced from now with the sound re-armed when it is on,
// whatever the mode: no catch-up burst follows a stop. While paused outside the browser the
// status line shows kPausedHint; the last message comes back when the machine runs again.
void run_state_set(FrontEnd *fe, int paused, int fast);

// sound_open, with a device that cannot be opened said on the status line too.
void sound_on(FrontEnd *fe);
