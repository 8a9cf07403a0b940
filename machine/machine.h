// The emulated 48K Spectrum between two frame runs.
#pragma once

#include <atomic>
#include <bit>
#include <cstdint>
#include <cstring>

#include "machine/ear_signal.h"

struct SDL_Surface;

constexpr uint32_t kFrameTstates = 69888;
constexpr int kRingFrames = 1600;
constexpr int kFrameSamples = 441;
constexpr int kRingBytes = kRingFrames * kFrameSamples;
constexpr int kMemorySize = 65536;
constexpr int kRomSize = 0x4000;
constexpr int kRamSize = 0xC000;

// Flag bits of F.
constexpr uint8_t kFlagS = 0x80;
constexpr uint8_t kFlagZ = 0x40;
constexpr uint8_t kFlag5 = 0x20;
constexpr uint8_t kFlagH = 0x10;
constexpr uint8_t kFlag3 = 0x08;
constexpr uint8_t kFlagPV = 0x04;
constexpr uint8_t kFlagN = 0x02;
constexpr uint8_t kFlagC = 0x01;

struct Machine {
    SDL_Surface *surface;
    uint16_t *pixels;  // RGB565, 800 pixels a row
    uint8_t *ram;      // address 0x4000 at index 0; always rom + 0x4000
    uint8_t *rom;      // address 0x0000 at index 0; reaches the whole 64 KB image
    uint32_t tstates;
    uint32_t tslimit;
    uint8_t a, f, b, c, d, e, h, l;
    uint8_t r;
    uint8_t alta, altf, altb, altc, altd, alte, alth, altl;
    uint8_t i;
    uint8_t iff1;
    uint8_t iff2;
    uint8_t im;
    uint16_t pc;
    uint16_t ix;
    uint16_t iy;
    uint16_t sp;
    int32_t counter;
    int32_t synccounter;
    uint8_t keyrows[8];  // half-rows, active low
    uint8_t joystick;    // Kempston lines, active low, bits 0-4; key codes address it as row 8
    uint8_t portfe;
    uint8_t speaker;
    int32_t sndwrite;
    int32_t sndread;
    uint8_t sndring[kRingBytes];
    // Written by the audio thread, read by the main thread: kept whole by the atomic.
    std::atomic<int32_t> scounter;
    EarSignal ear;  // the inserted tape's signal; inactive without a tape
};

// The memory rules on the 64 KB image: reads anywhere, writes only above the ROM. A word is
// decided by its first address: at 0x3FFF it is dropped whole, and at 0xFFFF the high byte,
// which would wrap onto the ROM, is dropped. Forced inline, like the rest of the processor's
// per-access path.
[[gnu::always_inline]] inline uint8_t memory_read(const uint8_t *image, uint16_t a) {
    return image[a];
}
[[gnu::always_inline]] inline void memory_write(uint8_t *image, uint16_t a, uint8_t v) {
    if (a >= kRomSize) image[a] = v;
}
// Words that do not straddle the image's end move as one unaligned 16-bit access where the
// host is little-endian, like the Z80.
[[gnu::always_inline]] inline uint16_t memory_read16(const uint8_t *image, uint16_t a) {
    if constexpr (std::endian::native == std::endian::little) {
        if (a != 0xFFFF) [[likely]] {
            uint16_t v;
            std::memcpy(&v, image + a, 2);
            return v;
        }
    }
    return uint16_t(image[a] | image[uint16_t(a + 1)] << 8);
}
[[gnu::always_inline]] inline void memory_write16(uint8_t *image, uint16_t a, uint16_t v) {
    if constexpr (std::endian::native == std::endian::little) {
        if (uint16_t(a - kRomSize) < 0xFFFF - kRomSize) [[likely]] {  // 0x4000 to 0xFFFE
            std::memcpy(image + a, &v, 2);
            return;
        }
    }
    if (a < kRomSize) return;
    image[a] = uint8_t(v);
    if (a != 0xFFFF) image[a + 1] = uint8_t(v >> 8);
}

// Every field takes its power-on value; rom and ram point into image, whose RAM half is
// cleared and whose ROM half is left as loaded.
void machine_power_on(Machine *m, uint8_t *image);

// The emulated machine as at power-on (RAM cleared, registers, keys, latch and tape signal
// at their start values), keeping the memory image's ROM, the screen and the frame and sound
// counts, which belong to the running program.
void machine_cold_start(Machine *m);

// The RESET button: restarts the processor at 0 with interrupts off, keeping memory and
// everything else.
void machine_reset(Machine *m);
