// The Z80 execution engine: one television frame at a time.
#pragma once

#include "machine/machine.h"

// A HALT ends its run at once by adding this many T-states to the count, far beyond any
// budget: the machine then waits for the next frame's interrupt.
constexpr uint32_t kHaltTstates = 100000004;

// The run ended in a HALT.
inline bool run_halted(const Machine *m) { return m->tstates >= kHaltTstates; }

// The T-states a run took: up to its last instruction, or the whole budget after a HALT,
// whose wait lasts until the frame's end.
inline uint32_t run_length(const Machine *m) { return run_halted(m) ? m->tslimit : m->tstates; }

// Runs instructions until tstates exceeds tslimit (never between a DD/FD prefix and its
// opcode), taking at most one maskable interrupt, then writes the registers back and
// completes ring frame sndread. The caller sets tstates and tslimit first.
void run_frame(Machine *m);
