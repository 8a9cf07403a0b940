// A powered-on machine over its own 64 KB image, with helpers to place code and run frames.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "machine/machine.h"
#include "machine/run_frame.h"

struct Rig {
    Machine m;
    uint8_t image[kMemorySize];
};

// One machine for the whole test program (it is large): each call powers it on afresh over
// an image that is zero in both halves.
inline Rig *rig_power_on() {
    static Rig rig;
    std::memset(rig.image, 0, sizeof rig.image);
    machine_power_on(&rig.m, rig.image);
    return &rig;
}

// Writes straight into the image, ROM half included.
inline void load(Rig *rig, uint16_t addr, std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) rig->image[addr++] = b;
}

inline void load_repeated(Rig *rig, uint16_t addr, uint8_t byte, int count) {
    for (int k = 0; k < count; k++) rig->image[uint16_t(addr + k)] = byte;
}

// One frame run from tstates with the given budget (the front end uses 0 and 69888).
inline void run(Rig *rig, uint32_t tstates = 0, uint32_t tslimit = kFrameTstates) {
    rig->m.tstates = tstates;
    rig->m.tslimit = tslimit;
    run_frame(&rig->m);
}

inline uint8_t *sound_frame(Rig *rig) { return rig->m.sndring + rig->m.sndread * kFrameSamples; }

inline uint16_t word_at(const Rig *rig, uint16_t addr) {
    return uint16_t(rig->image[addr] | rig->image[uint16_t(addr + 1)] << 8);
}
