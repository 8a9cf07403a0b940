// Working state of one frame run, the memory access rules and the shared flag logic.
// Everything here is inlined into the frame run so that the registers stay in locals.
#pragma once

#include <cstdint>

#include "machine/machine.h"
#include "machine/ports.h"

#define Z80_INLINE inline __attribute__((always_inline))

struct FlagTables;

// B to L are kept as the pairs BC, DE and HL, which the instructions use as pairs more
// often than the processor's registers are used alone.
struct Z80 {
    uint8_t a, f;
    uint16_t bc, de, hl;
    uint8_t alta, altf;
    uint16_t altbc, altde, althl;
    uint8_t i, iff1, iff2, im;
    uint16_t pc, sp, ix, iy;
    // The step clock: bits 16-31 the T-states since base as a signed count, negative while
    // the steps may go on, so that the addition of each step's T-states and fetch is also
    // its end test; bits 0-15 the opcode fetches, of which LD A,R reads bits 0-6. The
    // boundary keeps both fields from overflowing: a run of steps spans at most kMaxSteps
    // T-states and every fetch costs at least 4, so the fetch field, starting below 0x100,
    // stays far below 0x10000.
    uint32_t clock;
    uint32_t base;  // T-states of this run = base + the clock's T-state field
    uint8_t r;             // working R: only bit 7 and what LD R,A / LD A,R stored
    uint8_t *mem;          // the 64 KB image: ROM below 0x4000, RAM above
    const uint8_t *input;  // keyrows then joystick, as at the start of the run
    uint8_t port;          // working copy of portfe
    int samplepos;         // next unfilled sample of the current sound frame
    Machine *m;
    const FlagTables *flags;  // kFlags, held in a register like the others
    // The frame's interrupt request: set from the start of the run until it is accepted.
    bool irq;
};

constexpr int kClockShift = 16;
constexpr uint32_t kClockFetch = 1;
// The most T-states a run of steps may start with: the clock's T-state field then starts at
// -0x8000 at the lowest, the least that 16 signed bits hold.
constexpr uint32_t kMaxSteps = 0x7FFF;

Z80_INLINE void tick(Z80 &z, uint32_t n) { z.clock += n << kClockShift; }
Z80_INLINE void count_fetch(Z80 &z) { z.clock += kClockFetch; }
// The run's T-state count.
Z80_INLINE uint32_t tstates(const Z80 &z) {
    return z.base + uint32_t(int32_t(z.clock) >> kClockShift);
}
// The fetch count as LD A,R sees it, and LD R,A's setting of it.
Z80_INLINE uint8_t fetch_count(const Z80 &z) { return z.clock & 0x7F; }
Z80_INLINE void set_fetch_count(Z80 &z, uint8_t n) { z.clock = (z.clock & 0xFFFF0000u) | n; }
// Moves the clock's T-states into base, so that the end test succeeds at the next step.
Z80_INLINE void clock_rebase(Z80 &z) {
    z.base = tstates(z);
    z.clock &= 0x7F;
}

// EI and RETN: with the request pending, the next boundary must check for the interrupt, so
// the steps come back there at once.
Z80_INLINE void iff1_may_rise(Z80 &z) {
    if (z.irq) clock_rebase(z);
}

// Flag tables by result byte, so that each flag group is one load.
struct FlagTables {
    uint8_t sz53[256];   // S, Z, bits 5 and 3
    uint8_t sz53p[256];  // the same with P/V for an even number of 1 bits
    uint8_t inc[256];    // INC: sz53, H on a carry out of bit 3, P/V on 0x80
    uint8_t dec[256];    // DEC: sz53, N, H on a borrow into bit 3, P/V on 0x7F
    // H, P/V (overflow) and C of an addition, and the same with N for a subtraction, by bits
    // 4 to 8 of operand ^ operand ^ result: each bit of that is the carry (or borrow) into
    // it, so bit 4 is H, bit 8 is C and overflow is bit 7 differing from bit 8. A 16-bit
    // result uses bits 12 to 16 in the same way.
    uint8_t add_carries[32];
    uint8_t sub_carries[32];
    // The bit that BIT, RES and SET name in bits 3-5 of their opcode byte, as a mask: one
    // load instead of a shift by a variable count.
    uint8_t bit[256];
};

constexpr FlagTables make_flag_tables() {
    FlagTables t{};
    for (int v = 0; v < 256; v++) {
        uint8_t sz = uint8_t((v & 0xA8) | (v ? 0 : kFlagZ));
        int ones = 0;
        for (int b = 0; b < 8; b++) ones += (v >> b) & 1;
        t.sz53[v] = sz;
        t.sz53p[v] = uint8_t(sz | (ones & 1 ? 0 : kFlagPV));
        t.inc[v] = uint8_t(sz | ((v & 0x0F) == 0 ? kFlagH : 0) | (v == 0x80 ? kFlagPV : 0));
        t.dec[v] =
            uint8_t(sz | kFlagN | ((v & 0x0F) == 0x0F ? kFlagH : 0) | (v == 0x7F ? kFlagPV : 0));
    }
    for (int x = 0; x < 256; x++) t.bit[x] = uint8_t(1 << ((x >> 3) & 7));
    for (int x = 0; x < 32; x++) {
        uint8_t f = uint8_t((x & 1 ? kFlagH : 0) | (((x >> 3) ^ (x >> 4)) & 1 ? kFlagPV : 0) |
                            (x >> 4 ? kFlagC : 0));
        t.add_carries[x] = f;
        t.sub_carries[x] = uint8_t(f | kFlagN);
    }
    return t;
}

inline constexpr FlagTables kFlags = make_flag_tables();

// Memory through the image's rules (machine.h).
Z80_INLINE uint8_t rd(const Z80 &z, uint16_t a) { return memory_read(z.mem, a); }
Z80_INLINE void wr(Z80 &z, uint16_t a, uint8_t v) { memory_write(z.mem, a, v); }
Z80_INLINE uint16_t rd16(const Z80 &z, uint16_t a) { return memory_read16(z.mem, a); }
Z80_INLINE void wr16(Z80 &z, uint16_t a, uint16_t v) { memory_write16(z.mem, a, v); }
Z80_INLINE uint8_t fetch8(Z80 &z) { return z.mem[z.pc++]; }
Z80_INLINE uint16_t fetch16(Z80 &z) {
    uint16_t v = rd16(z, z.pc);
    z.pc = uint16_t(z.pc + 2);
    return v;
}
Z80_INLINE void push(Z80 &z, uint16_t v) {
    z.sp = uint16_t(z.sp - 2);
    wr16(z, z.sp, v);
}
Z80_INLINE uint16_t pop(Z80 &z) {
    uint16_t v = rd16(z, z.sp);
    z.sp = uint16_t(z.sp + 2);
    return v;
}

// An OUT of the run: the port copy and sample position go through scalars, so that the
// working state never needs an address.
Z80_INLINE void out_port(Z80 &z, uint8_t low, uint8_t value, uint32_t t) {
    uint8_t port = z.port;
    int samplepos = z.samplepos;
    port_write(low, value, t, &port, z.m, &samplepos);
    z.port = port;
    z.samplepos = samplepos;
}

// A port read of the run at T-state t. With a tape inserted, port 0xFE reads take the EAR
// bit from the tape signal on a slow path of their own.
Z80_INLINE uint8_t in_port(Z80 &z, uint8_t low, uint8_t high, uint32_t t) {
    uint8_t v = port_read(low, high, z.input);
    if (low == 0xFE && z.m->ear.active) [[unlikely]]
        v = ear_port_read(&z.m->ear, v, t);
    return v;
}

// Register pairs, and the registers within them.
Z80_INLINE uint16_t pair_of(uint8_t high, uint8_t low) { return uint16_t(high << 8 | low); }
Z80_INLINE uint8_t hi(uint16_t pair) { return uint8_t(pair >> 8); }
Z80_INLINE uint8_t lo(uint16_t pair) { return uint8_t(pair); }
Z80_INLINE void set_hi(uint16_t &pair, uint8_t v) { pair = uint16_t((pair & 0x00FF) | v << 8); }
Z80_INLINE void set_lo(uint16_t &pair, uint8_t v) { pair = uint16_t((pair & 0xFF00) | v); }
Z80_INLINE uint16_t af(const Z80 &z) { return pair_of(z.a, z.f); }
Z80_INLINE void set_af(Z80 &z, uint16_t v) { z.a = uint8_t(v >> 8), z.f = uint8_t(v); }

// (IX+d) / (IY+d): the signed displacement follows the opcode.
Z80_INLINE uint16_t xaddr(Z80 &z, uint16_t xy) { return uint16_t(xy + int8_t(fetch8(z))); }

// S, Z, bits 5 and 3 of an 8-bit result; with parity for the logic group.
Z80_INLINE uint8_t sz53(const Z80 &z, uint8_t v) { return z.flags->sz53[v]; }
Z80_INLINE uint8_t sz53p(const Z80 &z, uint8_t v) { return z.flags->sz53p[v]; }

// 8-bit arithmetic with a wide intermediate; the carries come from kFlags by the bits of
// operand ^ operand ^ result (a borrow sets every bit above 7, hence the mask).
Z80_INLINE void add8(Z80 &z, uint8_t v, int carry) {
    unsigned res = unsigned(z.a) + v + unsigned(carry);
    z.f = uint8_t(sz53(z, uint8_t(res)) | z.flags->add_carries[(z.a ^ v ^ res) >> 4]);
    z.a = uint8_t(res);
}
// Returns the difference; the flags are those of SUB/SBC (and of CP, which keeps A).
Z80_INLINE uint8_t sub8(Z80 &z, uint8_t v, int carry) {
    unsigned res = unsigned(z.a) - v - unsigned(carry);
    z.f = uint8_t(sz53(z, uint8_t(res)) | z.flags->sub_carries[((z.a ^ v ^ res) >> 4) & 0x1F]);
    return uint8_t(res);
}
Z80_INLINE void cp8(Z80 &z, uint8_t v) { sub8(z, v, 0); }
Z80_INLINE void and8(Z80 &z, uint8_t v) {
    z.a &= v;
    z.f = uint8_t(sz53p(z, z.a) | kFlagH);
}
Z80_INLINE void xor8(Z80 &z, uint8_t v) {
    z.a ^= v;
    z.f = sz53p(z, z.a);
}
Z80_INLINE void or8(Z80 &z, uint8_t v) {
    z.a |= v;
    z.f = sz53p(z, z.a);
}
Z80_INLINE uint8_t inc8(Z80 &z, uint8_t v) {
    uint8_t r8 = uint8_t(v + 1);
    z.f = uint8_t((z.f & kFlagC) | z.flags->inc[r8]);
    return r8;
}
Z80_INLINE uint8_t dec8(Z80 &z, uint8_t v) {
    uint8_t r8 = uint8_t(v - 1);
    z.f = uint8_t((z.f & kFlagC) | z.flags->dec[r8]);
    return r8;
}
Z80_INLINE uint16_t add16(Z80 &z, uint16_t a, uint16_t v) {
    unsigned sum = unsigned(a) + v;
    z.f = uint8_t((z.f & (kFlagS | kFlagZ | kFlagPV)) | ((sum >> 8) & 0x28) |
                  (z.flags->add_carries[(a ^ v ^ sum) >> 12] & (kFlagH | kFlagC)));
    return uint16_t(sum);
}

// CB rotates and shifts: flags from the result, C the bit shifted out.
Z80_INLINE uint8_t shifted(Z80 &z, unsigned res, int carry) {
    uint8_t r8 = uint8_t(res);
    z.f = uint8_t(sz53p(z, r8) | carry);
    return r8;
}
Z80_INLINE uint8_t rlc(Z80 &z, uint8_t v) { return shifted(z, (v << 1) | (v >> 7), v >> 7); }
Z80_INLINE uint8_t rrc(Z80 &z, uint8_t v) { return shifted(z, (v >> 1) | (v << 7), v & 1); }
Z80_INLINE uint8_t rl(Z80 &z, uint8_t v) { return shifted(z, (v << 1) | (z.f & kFlagC), v >> 7); }
Z80_INLINE uint8_t rr(Z80 &z, uint8_t v) {
    return shifted(z, (v >> 1) | ((z.f & kFlagC) << 7), v & 1);
}
Z80_INLINE uint8_t sla(Z80 &z, uint8_t v) { return shifted(z, v << 1, v >> 7); }
Z80_INLINE uint8_t sra(Z80 &z, uint8_t v) { return shifted(z, (v >> 1) | (v & 0x80), v & 1); }
Z80_INLINE uint8_t sll(Z80 &z, uint8_t v) { return shifted(z, (v << 1) | 1, v >> 7); }
Z80_INLINE uint8_t srl(Z80 &z, uint8_t v) { return shifted(z, v >> 1, v & 1); }

// BIT with the tested bit as a mask: S is always clear here, bits 5 and 3 come from the
// tested byte.
Z80_INLINE void bit8(Z80 &z, uint8_t mask, uint8_t v) {
    uint8_t zero = (v & mask) ? 0 : (kFlagZ | kFlagPV);
    z.f = uint8_t((z.f & kFlagC) | kFlagH | (v & 0x28) | zero);
}

// Condition field of JP, JR, CALL, RET: NZ Z NC C PO PE P M.
Z80_INLINE bool cond(const Z80 &z, int cc) {
    switch (cc) {
        case 0: return !(z.f & kFlagZ);
        case 1: return z.f & kFlagZ;
        case 2: return !(z.f & kFlagC);
        case 3: return z.f & kFlagC;
        case 4: return !(z.f & kFlagPV);
        case 5: return z.f & kFlagPV;
        case 6: return !(z.f & kFlagS);
        default: return z.f & kFlagS;
    }
}
