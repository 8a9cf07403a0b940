// A 48K machine as a snapshot format the program does not read itself holds it: the
// decoder fills this record from the library's reading, and the machine takes it whole.
#pragma once

#include <cstdint>
#include <type_traits>

#include "machine/machine.h"

struct SnapshotState {
    uint8_t a, f, b, c, d, e, h, l;
    uint8_t alta, altf, altb, altc, altd, alte, alth, altl;
    uint8_t i, r, iff1, iff2, im;
    uint8_t border;  // 0-7
    uint16_t ix, iy, sp, pc;
    uint8_t ram[kRamSize];  // 0x4000-0xFFFF
};
static_assert(std::is_trivially_copyable_v<SnapshotState>, "copied as bytes between processes");

// Checks the record whole (flip-flops 0 or 1, interrupt mode 0-2, border 0-7) and loads it:
// every register, RAM and the border; the rest of port 0xFE's latch and everything else of
// the machine kept. Returns kLoaded, or kNotSnapshot touching nothing.
int load_snapshot_state(Machine *m, const SnapshotState *s);
