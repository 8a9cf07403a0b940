// The ROM's tape loader LD-BYTES (0x0556 to 0x0604 in the 48K ROM layout): recognising it in
// a ROM image, and carrying out what it does with a block's bytes without playing them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "machine/machine.h"

// LD-BYTES's first instruction.
constexpr uint16_t kLoaderStart = 0x0556;
constexpr uint16_t kLoaderEnd = 0x0605;  // one past LD-EDGE-1's final RET

// True when the ROM holds LD-BYTES through LD-EDGE-1 as the 48K ROM has it, or with the
// register-neutral changes that OpenSE BASIC makes to it.
bool rom_loader_intact(const uint8_t *rom);

// The machine is still inside LD-BYTES, at most two calls below the stack pointer of its
// first read (m->ear.trap_sp): it has neither returned nor found a block. (The return address
// there is SA/LD-RET's when LOAD called it, or a program's own when it came in later.)
bool rom_loader_waiting(const Machine *m);

// The registers LD-BYTES works on.
struct LoaderRegs {
    uint8_t a, f, b, c, d, e, h, l;
    uint8_t alta, altf;
    uint16_t ix;
    uint8_t edge_c;  // C when the loader last saw an edge: its border OUT wrote (edge_c & 7) | 8
};

// How the loader ended.
struct LoaderOutcome {
    size_t bytes_read;  // block bytes the loader took, flag and checksum included
    bool timed_out;     // it wanted more bytes than the block has and waited in vain
};

// From the state after the block's sync pulses (regs: C as the loader holds it then, the
// rest as at the loader's entry) runs LD-BYTES on the block's bytes up to its return. The
// bytes it stores go into the machine's memory (writes below 0x4000 dropped) only when
// store is true; VERIFY reads memory either way. No edge may follow the block's last bit
// before the loader gives up waiting, as after a block with a pause.
LoaderOutcome rom_loader_run(LoaderRegs *regs, Machine *m, const uint8_t *data, size_t size,
                             bool store);
