// The three devices behind the Z80's I/O instructions: keyboard and Kempston joystick
// (read) and the ULA latch with border and beeper (written). Inline: they sit on the
// processor's per-instruction path.
#pragma once

#include <cstdint>
#include <cstring>

#include "machine/machine.h"

constexpr int kInputBytes = 9;  // the eight keyboard half-rows, then the joystick byte
constexpr uint8_t kSpeakerLevel = 64;

// input: the frame run's copy of keyrows followed by joystick.
inline uint8_t port_read(uint8_t low, uint8_t high, const uint8_t *input) {
    if (low == 0x1F) return input[8] ^ 0x1F;
    if (low != 0xFE) return 0xFF;
    uint8_t v = 0xFF;
    for (int k = 0; k < 8; k++)
        if (!(high & (1 << k))) v &= input[k];
    return v;
}

// Sample index of T-state t: one sample every 158.731 T-states, capped at the frame's end.
inline int sample_index(uint32_t t) {
    uint64_t s = uint64_t(t) * 1000 / 158731;
    return s > kFrameSamples ? kFrameSamples : int(s);
}

// Only even ports reach the latch. The samples up to the write take the level the write
// selects; the rest of the frame is filled later with the opposite level, kept in speaker.
inline void port_write(uint8_t low, uint8_t value, uint32_t t, uint8_t *portcopy, Machine *m,
                       int *samplepos) {
    if (low & 1) return;
    *portcopy = value;
    int s = sample_index(t);
    uint8_t level = (value & 0x10) ? kSpeakerLevel : 0;
    if (*samplepos < s)
        std::memset(m->sndring + m->sndread * kFrameSamples + *samplepos, level, s - *samplepos);
    m->speaker = kSpeakerLevel - level;
    *samplepos = s;
}
