// The status line below the drawn keyboard: what was loaded, refused or saved, in words a
// user of the handheld, who sees no terminal, can read. The same words go to standard error.
#pragma once

#include "machine/machine.h"

// While the machine is paused, both things it offers: the menu, and a hardware key mapped by
// holding it and tapping a drawn key. Short enough to fit the status line whole.
constexpr char kPausedHint[] = "Paused: tap picture=menu, pad+key=map";

// Replaces the status line with text and writes text and a newline to standard error;
// only the latter once the machine has no surface (the screen is gone).
void status_say(Machine *m, const char *text);

// Replaces the status line with text that standard error has been told already.
void status_show(Machine *m, const char *text);

// Shows text on the line in place of the last message, for a while (a state, not news:
// standard error is not told). status_restore brings the message back; without a hint
// standing it does nothing. A message said meanwhile ends the hint.
void status_hint(Machine *m, const char *text);
void status_restore(Machine *m);
