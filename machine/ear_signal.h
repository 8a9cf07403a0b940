// The tape signal as the processor sees it: bit 6 of port 0xFE reads. The tape player fills
// it between frame runs; inside a run only port 0xFE reads look at it and move it on, so that
// no other instruction pays for tapes.
#pragma once

#include <cstdint>

// Edges of one frame run. A direct recording at 44.1 kHz flips at most about 900 times in a
// frame; the rest is headroom for short pulses.
constexpr int kEarMaxEdges = 8192;

// The first IN of the ROM's tape loader (LD-BYTES at 0x0556): IN A,(0xFE) at 0x0562, so the
// program counter reads 0x0564 once the instruction has been fetched.
constexpr uint16_t kLoaderFirstInEnd = 0x0564;

// The stretches of a run by which port reads are marked: a frame has 35 of them.
constexpr uint32_t kEarStretch = 2048;

struct EarSignal {
    // 0 while no tape is inserted: port reads are then exactly as without tapes.
    uint8_t active;
    // The EAR level (0 or 1) after the edges passed so far; bit 6 of a port 0xFE read.
    uint8_t level;
    // edge[next] to edge[count - 1]: the T-states of this run at which the level flips,
    // ascending. A read at T-state t first passes every edge at or before t.
    uint32_t count;
    uint32_t next;
    uint32_t edge[kEarMaxEdges];
    // Bit k: a port 0xFE read fell in T-states kEarStretch * k to kEarStretch * (k + 1) - 1
    // of this run; how the tape player tells a program that listens.
    uint64_t heard;
    // When armed (the ROM's loader bytes were checked), the loader's first IN sets trapped
    // and keeps the stack pointer of that moment, whose top holds the loader's return.
    uint8_t trap_armed;
    uint8_t trapped;
    uint16_t trap_sp;
};

// A port 0xFE read at T-state t of the run while a tape is inserted: passes the edges at or
// before t, marks the read's stretch and returns keys with bit 6 replaced by the level. Kept
// out of line and cold: only port 0xFE reads with a tape inserted come here.
[[gnu::noinline, gnu::cold]] uint8_t ear_port_read(EarSignal *ear, uint8_t keys, uint32_t t);

// The same read made by IN A,(0xFE); when it is the loader's first IN (pc has just passed it)
// and the trap is armed, it also records the stack pointer sp and sets trapped.
[[gnu::noinline, gnu::cold]] uint8_t ear_loader_read(EarSignal *ear, uint8_t keys, uint32_t t,
                                                     uint16_t pc, uint16_t sp);
