// Start-up after the screen is open, the single main loop, and the exit sequence.
#pragma once

#include "frontend/front_end.h"

// The panel, the button digits and the first full-screen update.
void start_panel(FrontEnd *fe);
// The loop variables and the FAST mode taken from the options.
void start_loop_state(FrontEnd *fe);
// The start's keys, the last game (offered when no file is named), then the snapshot or tape
// named first on the command line, if any.
void start_snapshot(FrontEnd *fe, int argc, char **argv);
// The pacing time base and the frame-count base.
void start_clock(FrontEnd *fe);
// The sound device, when sound is on and the FAST mode is 0.
void start_sound(FrontEnd *fe);

// One pass of the loop: wait while paused; else the frame count every two seconds and at
// most one frame when it is due; then at most one event, the keys pressed since shown, and
// in mode 0, when no event came, a sleep until the next frame is due.
void loop_pass(FrontEnd *fe);

// The frames run since the last display, beside the FAST button.
void show_frame_count(FrontEnd *fe);

// Draws what changed of the picture since the frame on screen and publishes those bands;
// nothing at all when nothing changed. Returns the number of bands published.
int publish_frame(FrontEnd *fe);

// Runs, draws and accounts one frame.
void run_one_frame(FrontEnd *fe);

// The drawn keys that went down or came up since the last call, drawn and published; nothing
// at all while no key changes.
void show_pressed_keys(FrontEnd *fe);

// Takes one queued event, if any, and acts on it; 1 when there was one.
int handle_event(FrontEnd *fe);

// Statistics line, sound off, machine saved to "tmp.sna" and where it went noted for
// Continue; once: later calls do nothing.
void exit_sequence(FrontEnd *fe);
