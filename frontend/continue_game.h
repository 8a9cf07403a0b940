// Continue where you stopped: each exit that saves "tmp.sna" notes the game and where the
// file went; the next start offers it, and the menu's Continue loads it.
#pragma once

#include "frontend/front_end.h"

// After "tmp.sna" was saved at where (relative to the working folder or absolute): the
// game now running and the file's absolute path noted as the last game. A note that cannot
// be written is said on the status line.
void continue_note(FrontEnd *fe, const char *where);

// At the start: the last game read for the menu's Continue; with offer (no file on the
// command line) the status line offers it.
void continue_start(FrontEnd *fe, bool offer);

// The last game's snapshot loaded, with its game's name and keys; refused with the usual
// messages when it is gone, unreadable or no longer the file that was saved. True when it
// was loaded.
bool continue_last(FrontEnd *fe);
