// The emulated machine's own state between two frames, exactly: every register, the border
// latch and the 48 KB of RAM. Unlike a .sna file it keeps IFF2 apart from IFF1 and writes
// nothing onto the stack, so that a machine put back is the one that was taken.
#pragma once

#include <cstdint>

#include "machine/machine.h"

// The byte registers, the interrupt state and the border latch, in a constant order.
constexpr int kStateBytes = 22;
// PC, IX, IY and SP.
constexpr int kStateWords = 4;

struct MachineState {
    uint8_t bytes[kStateBytes];
    uint16_t words[kStateWords];
    uint8_t ram[kRamSize];
};

void machine_state_take(const Machine *m, MachineState *state);

// The machine as it was taken; what belongs to the running program (the screen, the frame
// and sound counts, the keys held now, the tape signal) is kept.
void machine_state_put(const MachineState *state, Machine *m);
