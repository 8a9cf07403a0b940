// The status line below the drawn keyboard: what was loaded, refused or saved, in words a
// user of the handheld, who sees no terminal, can read. The same words go to standard error.
#pragma once

#include "machine/machine.h"

// Replaces the status line with text and writes text and a newline to standard error;
// only the latter once the machine has no surface (the screen is gone).
void status_say(Machine *m, const char *text);
