// The Z80 execution engine: one television frame at a time.
#pragma once

#include "machine/machine.h"

// Runs instructions until tstates exceeds tslimit (never between a DD/FD prefix and its
// opcode), taking at most one maskable interrupt, then writes the registers back and
// completes ring frame sndread. The caller sets tstates and tslimit first.
void run_frame(Machine *m);
