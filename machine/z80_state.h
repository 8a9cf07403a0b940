// Working state of one frame run, the memory access rules and the shared flag logic.
// Everything here is inlined into the frame run so that the registers stay in locals.
#pragma once

#include <cstdint>

#include "machine/machine.h"
#include "machine/ports.h"

#define Z80_INLINE inline __attribute__((always_inline))

struct Z80 {
    uint8_t a, f, b, c, d, e, h, l;
    uint8_t alta, altf, altb, altc, altd, alte, alth, altl;
    uint8_t i, iff1, iff2, im;
    uint16_t pc, sp, ix, iy;
    uint32_t t;            // T-states of this run
    uint8_t r;             // working R: only bit 7 and what LD R,A / LD A,R stored
    uint32_t fetches;      // opcode fetches since the run began or the last LD R,A
    uint8_t *mem;          // the 64 KB image: ROM below 0x4000, RAM above
    const uint8_t *input;  // keyrows then joystick, as at the start of the run
    uint8_t port;          // working copy of portfe
    int samplepos;         // next unfilled sample of the current sound frame
    Machine *m;
};

// Flag tables by result byte, so that each flag group is one load.
struct FlagTables {
    uint8_t sz53[256];   // S, Z, bits 5 and 3
    uint8_t sz53p[256];  // the same with P/V for an even number of 1 bits
    uint8_t inc[256];    // INC: sz53, H on a carry out of bit 3, P/V on 0x80
    uint8_t dec[256];    // DEC: sz53, N, H on a borrow into bit 3, P/V on 0x7F
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

// Register pairs.
Z80_INLINE uint16_t bc(const Z80 &z) { return uint16_t(z.b << 8 | z.c); }
Z80_INLINE uint16_t de(const Z80 &z) { return uint16_t(z.d << 8 | z.e); }
Z80_INLINE uint16_t hl(const Z80 &z) { return uint16_t(z.h << 8 | z.l); }
Z80_INLINE uint16_t af(const Z80 &z) { return uint16_t(z.a << 8 | z.f); }
Z80_INLINE void set_bc(Z80 &z, uint16_t v) { z.b = uint8_t(v >> 8), z.c = uint8_t(v); }
Z80_INLINE void set_de(Z80 &z, uint16_t v) { z.d = uint8_t(v >> 8), z.e = uint8_t(v); }
Z80_INLINE void set_hl(Z80 &z, uint16_t v) { z.h = uint8_t(v >> 8), z.l = uint8_t(v); }
Z80_INLINE void set_af(Z80 &z, uint16_t v) { z.a = uint8_t(v >> 8), z.f = uint8_t(v); }

// (IX+d) / (IY+d): the signed displacement follows the opcode.
Z80_INLINE uint16_t xaddr(Z80 &z, uint16_t xy) { return uint16_t(xy + int8_t(fetch8(z))); }

// S, Z, bits 5 and 3 of an 8-bit result; with parity for the logic group.
Z80_INLINE uint8_t sz53(uint8_t v) { return kFlags.sz53[v]; }
Z80_INLINE uint8_t sz53p(uint8_t v) { return kFlags.sz53p[v]; }

// 8-bit arithmetic with a wide intermediate so that the carry (or borrow) is bit 8; bit 4
// of operand ^ operand ^ result is the carry into bit 4, which is H.
Z80_INLINE void add8(Z80 &z, uint8_t v, int carry) {
    unsigned res = unsigned(z.a) + v + unsigned(carry);
    uint8_t r8 = uint8_t(res);
    z.f = uint8_t(sz53(r8) | ((z.a ^ v ^ res) & kFlagH) | (((z.a ^ res) & (v ^ res) & 0x80) >> 5) |
                  (res >> 8));
    z.a = r8;
}
// Returns the difference; the flags are those of SUB/SBC (and of CP, which keeps A).
Z80_INLINE uint8_t sub8(Z80 &z, uint8_t v, int carry) {
    unsigned res = unsigned(z.a) - v - unsigned(carry);
    uint8_t r8 = uint8_t(res);
    z.f = uint8_t(sz53(r8) | kFlagN | ((z.a ^ v ^ res) & kFlagH) |
                  (((z.a ^ v) & (z.a ^ res) & 0x80) >> 5) | ((res >> 8) & 1));
    return r8;
}
Z80_INLINE void cp8(Z80 &z, uint8_t v) { sub8(z, v, 0); }
Z80_INLINE void and8(Z80 &z, uint8_t v) {
    z.a &= v;
    z.f = uint8_t(sz53p(z.a) | kFlagH);
}
Z80_INLINE void xor8(Z80 &z, uint8_t v) {
    z.a ^= v;
    z.f = sz53p(z.a);
}
Z80_INLINE void or8(Z80 &z, uint8_t v) {
    z.a |= v;
    z.f = sz53p(z.a);
}
Z80_INLINE uint8_t inc8(Z80 &z, uint8_t v) {
    uint8_t r8 = uint8_t(v + 1);
    z.f = uint8_t((z.f & kFlagC) | kFlags.inc[r8]);
    return r8;
}
Z80_INLINE uint8_t dec8(Z80 &z, uint8_t v) {
    uint8_t r8 = uint8_t(v - 1);
    z.f = uint8_t((z.f & kFlagC) | kFlags.dec[r8]);
    return r8;
}
Z80_INLINE uint16_t add16(Z80 &z, uint16_t a, uint16_t v) {
    unsigned sum = unsigned(a) + v;
    z.f = uint8_t((z.f & (kFlagS | kFlagZ | kFlagPV)) | ((sum >> 8) & 0x28) |
                  (((a & 0x0FFF) + (v & 0x0FFF)) > 0x0FFF ? kFlagH : 0) | (sum >> 16));
    return uint16_t(sum);
}

// CB rotates and shifts: flags from the result, C the bit shifted out.
Z80_INLINE uint8_t shifted(Z80 &z, unsigned res, int carry) {
    uint8_t r8 = uint8_t(res);
    z.f = uint8_t(sz53p(r8) | carry);
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

// BIT b: S is always clear here, bits 5 and 3 come from the tested byte.
Z80_INLINE void bit8(Z80 &z, int b, uint8_t v) {
    uint8_t zero = (v & (1 << b)) ? 0 : (kFlagZ | kFlagPV);
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
