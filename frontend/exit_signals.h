// The signals that end the program through its normal exit sequence.
#pragma once

// SIGHUP and SIGQUIT get the handler SDL gives SIGTERM (call after SDL_Init), which queues
// a quit event, so that they too end the loop, the paused one included, and save the
// machine. SDL would otherwise treat SIGQUIT as a crash and end without saving, and
// SIGHUP would end the program on the spot. A signal the program was started with
// ignored stays ignored; nothing changes when SDL did not take SIGTERM.
void quit_on_hangup_signals();
