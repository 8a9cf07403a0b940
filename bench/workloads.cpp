#include "bench/workloads.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

#include "machine/run_frame.h"

namespace {

constexpr uint16_t kMixOrigin = 0x8000;
constexpr uint16_t kMixEnd = 0x8057;
// The byte that INC (IX+1) counts up once per outer pass.
constexpr uint16_t kMixPassCounter = 0x9001;

// DI, then forever: an 8-byte LDIR, (IX+d) loads, arithmetic and stores, and 16 passes of
// an inner loop of 8-bit arithmetic and logic, conditional JRs, CB rotates and BIT, DDCB
// SET/BIT, a CALL to a PUSH/(HL)/POP/RET routine, 16-bit ADD and SBC, closed by DJNZ.
// HL stays within 0xA000-0xA018 and DE is reloaded each pass, so nothing walks off.
constexpr uint8_t kMix[] = {
    0xF3,                    // 8000 DI
    0x31, 0x00, 0xFF,        // 8001 LD SP,FF00
    0xDD, 0x21, 0x00, 0x90,  // 8004 LD IX,9000
    0x21, 0x00, 0xA0,        // 8008 loop: LD HL,A000
    0x11, 0x00, 0xA1,        // 800B LD DE,A100
    0x01, 0x08, 0x00,        // 800E LD BC,0008
    0xED, 0xB0,              // 8011 LDIR
    0xDD, 0x7E, 0x03,        // 8013 LD A,(IX+3)
    0xDD, 0x86, 0x05,        // 8016 ADD A,(IX+5)
    0xDD, 0x77, 0x07,        // 8019 LD (IX+7),A
    0xDD, 0x34, 0x01,        // 801C INC (IX+1)
    0x06, 0x10,              // 801F LD B,16
    0x78,                    // 8021 inner: LD A,B
    0x81,                    // 8022 ADD A,C
    0x4F,                    // 8023 LD C,A
    0x8A,                    // 8024 ADC A,D
    0x93,                    // 8025 SUB E
    0xE6, 0x7F,              // 8026 AND 7F
    0xA8,                    // 8028 XOR B
    0xB5,                    // 8029 OR L
    0xFE, 0x40,              // 802A CP 40
    0x30, 0x01,              // 802C JR NC,802F
    0x14,                    // 802E INC D
    0xCB, 0x01,              // 802F RLC C
    0xCB, 0x1A,              // 8031 RR D
    0xCB, 0x23,              // 8033 SLA E
    0xCB, 0x5F,              // 8035 BIT 3,A
    0x28, 0x01,              // 8037 JR Z,803A
    0x1D,                    // 8039 DEC E
    0xDD, 0xCB, 0x02, 0xD6,  // 803A SET 2,(IX+2)
    0xDD, 0xCB, 0x04, 0x7E,  // 803E BIT 7,(IX+4)
    0xCD, 0x4F, 0x80,        // 8042 CALL 804F
    0x23,                    // 8045 INC HL
    0x19,                    // 8046 ADD HL,DE
    0xB7,                    // 8047 OR A
    0xED, 0x52,              // 8048 SBC HL,DE
    0x10, 0xD5,              // 804A DJNZ 8021
    0xC3, 0x08, 0x80,        // 804C JP 8008
    0xC5,                    // 804F sub: PUSH BC
    0x7E,                    // 8050 LD A,(HL)
    0x3C,                    // 8051 INC A
    0x77,                    // 8052 LD (HL),A
    0x2B,                    // 8053 DEC HL
    0x23,                    // 8054 INC HL
    0xC1,                    // 8055 POP BC
    0xC9,                    // 8056 RET
};
static_assert(sizeof kMix == kMixEnd - kMixOrigin);

}  // namespace

uint32_t workload_frame(Machine *m) {
    m->tstates = 0;
    m->tslimit = kFrameTstates;
    run_frame(m);
    m->counter++;
    m->sndread = (m->sndread + 1) % kRingFrames;
    return m->tstates;
}

uint64_t workload_mix_start(Machine *m, uint8_t *image) {
    std::memset(image, 0, kRomSize);
    machine_power_on(m, image);
    std::memcpy(image + kMixOrigin, kMix, sizeof kMix);
    m->pc = kMixOrigin;
    uint64_t tstates = workload_frame(m);
    const uint8_t passes = image[kMixPassCounter];
    tstates += workload_frame(m);
    bool looping =
        !m->iff1 && m->pc >= kMixOrigin && m->pc < kMixEnd && image[kMixPassCounter] != passes;
    return looping ? tstates : 0;
}

void workload_screen_fill(uint8_t *ram) {
    uint32_t x = 0x12345678;
    for (int k = 0; k < 0x1B00; k++) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        ram[k] = uint8_t(x >> 8);
    }
}

bool workload_rom_load(uint8_t *image) {
    int fd = open(TAVISK_DEFAULT_ROM, O_RDONLY);
    ssize_t got = fd >= 0 ? read(fd, image, kRomSize) : -1;
    if (fd >= 0) close(fd);
    return got == kRomSize;
}
