// ED-prefixed instructions. Undefined second bytes are 8 T-state no-operations.
#pragma once

#include "machine/ports.h"
#include "machine/z80_state.h"

// The carries as in add8 and sub8, from bits 12 to 16.
Z80_INLINE uint16_t adc16(Z80 &z, uint16_t hlv, uint16_t v) {
    unsigned sum = unsigned(hlv) + v + (z.f & kFlagC);
    uint16_t res = uint16_t(sum);
    z.f = uint8_t(((res >> 8) & 0xA8) | (res ? 0 : kFlagZ) |
                  z.flags->add_carries[(hlv ^ v ^ sum) >> 12]);
    return res;
}

Z80_INLINE uint16_t sbc16(Z80 &z, uint16_t hlv, uint16_t v) {
    unsigned diff = unsigned(hlv) - v - (z.f & kFlagC);
    uint16_t res = uint16_t(diff);
    z.f = uint8_t(((res >> 8) & 0xA8) | (res ? 0 : kFlagZ) |
                  z.flags->sub_carries[((hlv ^ v ^ diff) >> 12) & 0x1F]);
    return res;
}

// IN r,(C) and IN (C): flags from the byte read, C kept.
Z80_INLINE uint8_t in_c(Z80 &z) {
    tick(z, 12);
    uint8_t v = in_port(z, lo(z.bc), hi(z.bc), tstates(z));
    z.f = uint8_t((z.f & kFlagC) | sz53p(z, v));
    return v;
}

Z80_INLINE void out_c(Z80 &z, uint8_t v) {
    tick(z, 12);
    out_port(z, lo(z.bc), v, tstates(z));
}

// LD A,I and LD A,R: P/V shows iff2.
Z80_INLINE void ld_a_ir(Z80 &z, uint8_t v) {
    z.a = v;
    z.f = uint8_t((z.f & kFlagC) | sz53(z, v) | (z.iff2 ? kFlagPV : 0));
    tick(z, 9);
}

// A repeating block instruction steps PC back onto its ED byte and costs 5 more.
Z80_INLINE void block_repeat(Z80 &z, bool again) {
    if (again) {
        z.pc = uint16_t(z.pc - 2);
        tick(z, 5);
    }
}

Z80_INLINE void ldx(Z80 &z, int dir, bool repeat) {
    uint8_t v = rd(z, z.hl);
    wr(z, z.de, v);
    z.hl = uint16_t(z.hl + dir);
    z.de = uint16_t(z.de + dir);
    uint16_t count = uint16_t(z.bc - 1);
    z.bc = count;
    z.f = uint8_t((z.f & (kFlagS | kFlagZ | kFlagC)) | (v & 0x28) | (count ? kFlagPV : 0));
    tick(z, 16);
    block_repeat(z, repeat && count);
}

Z80_INLINE void cpx(Z80 &z, int dir, bool repeat) {
    uint8_t v = rd(z, z.hl);
    uint8_t d = uint8_t(z.a - v);
    z.hl = uint16_t(z.hl + dir);
    uint16_t count = uint16_t(z.bc - 1);
    z.bc = count;
    z.f = uint8_t((z.f & kFlagC) | sz53(z, d) | kFlagN | ((z.a & 0x0F) < (v & 0x0F) ? kFlagH : 0) |
                  (count ? kFlagPV : 0));
    tick(z, 16);
    block_repeat(z, repeat && count && d != 0);
}

Z80_INLINE void inx(Z80 &z, int dir, bool repeat) {
    uint8_t v = in_port(z, lo(z.bc), hi(z.bc), tstates(z) + 16);
    wr(z, z.hl, v);
    z.hl = uint16_t(z.hl + dir);
    z.bc = uint16_t(z.bc - 0x100);  // B alone
    uint8_t pv = ((lo(z.bc) & 0x04) ? kFlagPV : 0) ^ (sz53p(z, hi(z.bc)) & kFlagPV);
    if (dir < 0) pv ^= kFlagPV;
    z.f = uint8_t(sz53(z, hi(z.bc)) | kFlagN | pv);
    tick(z, 16);
    block_repeat(z, repeat && hi(z.bc));
}

Z80_INLINE void outx(Z80 &z, int dir, bool repeat) {
    uint8_t v = rd(z, z.hl);
    out_port(z, lo(z.bc), v, tstates(z) + 16);
    z.hl = uint16_t(z.hl + dir);
    z.bc = uint16_t(z.bc - 0x100);  // B alone
    z.f = uint8_t((z.f & kFlagC) | sz53(z, hi(z.bc)) | kFlagH | kFlagN);
    tick(z, 16);
    block_repeat(z, repeat && hi(z.bc));
}

Z80_INLINE void rrd(Z80 &z) {
    uint8_t m = rd(z, z.hl);
    wr(z, z.hl, uint8_t((z.a << 4) | (m >> 4)));
    z.a = uint8_t((z.a & 0xF0) | (m & 0x0F));
    z.f = uint8_t((z.f & kFlagC) | sz53p(z, z.a));
    tick(z, 18);
}

Z80_INLINE void rld(Z80 &z) {
    uint8_t m = rd(z, z.hl);
    wr(z, z.hl, uint8_t((m << 4) | (z.a & 0x0F)));
    z.a = uint8_t((z.a & 0xF0) | (m >> 4));
    z.f = uint8_t((z.f & kFlagC) | sz53p(z, z.a));
    tick(z, 18);
}

Z80_INLINE void neg(Z80 &z) {
    uint8_t old = z.a;
    z.a = 0;
    z.a = sub8(z, old, 0);
    tick(z, 8);
}

// After ED: the second byte is one more opcode fetch. An index prefix has no effect here.
Z80_INLINE void exec_ed(Z80 &z) {
    uint8_t x = fetch8(z);
    count_fetch(z);
    switch (x) {
        case 0x40: set_hi(z.bc, in_c(z)); break;                   // IN B,(C)
        case 0x48: set_lo(z.bc, in_c(z)); break;                   // IN C,(C)
        case 0x50: set_hi(z.de, in_c(z)); break;                   // IN D,(C)
        case 0x58: set_lo(z.de, in_c(z)); break;                   // IN E,(C)
        case 0x60: set_hi(z.hl, in_c(z)); break;                   // IN H,(C)
        case 0x68: set_lo(z.hl, in_c(z)); break;                   // IN L,(C)
        case 0x70: in_c(z); break;                         // IN (C)
        case 0x78: z.a = in_c(z); break;                   // IN A,(C)
        case 0x41: out_c(z, hi(z.bc)); break;                   // OUT (C),B
        case 0x49: out_c(z, lo(z.bc)); break;                   // OUT (C),C
        case 0x51: out_c(z, hi(z.de)); break;                   // OUT (C),D
        case 0x59: out_c(z, lo(z.de)); break;                   // OUT (C),E
        case 0x61: out_c(z, hi(z.hl)); break;                   // OUT (C),H
        case 0x69: out_c(z, lo(z.hl)); break;                   // OUT (C),L
        case 0x71: out_c(z, 0); break;                     // OUT (C),0
        case 0x79: out_c(z, z.a); break;                   // OUT (C),A
        case 0x42: z.hl = sbc16(z, z.hl, z.bc); tick(z, 15); break;  // SBC HL,BC
        case 0x52: z.hl = sbc16(z, z.hl, z.de); tick(z, 15); break;  // SBC HL,DE
        case 0x62: z.hl = sbc16(z, z.hl, z.hl); tick(z, 15); break;  // SBC HL,HL
        case 0x72: z.hl = sbc16(z, z.hl, z.sp); tick(z, 15); break;   // SBC HL,SP
        case 0x4A: z.hl = adc16(z, z.hl, z.bc); tick(z, 15); break;  // ADC HL,BC
        case 0x5A: z.hl = adc16(z, z.hl, z.de); tick(z, 15); break;  // ADC HL,DE
        case 0x6A: z.hl = adc16(z, z.hl, z.hl); tick(z, 15); break;  // ADC HL,HL
        case 0x7A: z.hl = adc16(z, z.hl, z.sp); tick(z, 15); break;   // ADC HL,SP
        case 0x43: wr16(z, fetch16(z), z.bc); tick(z, 20); break;         // LD (nn),BC
        case 0x53: wr16(z, fetch16(z), z.de); tick(z, 20); break;         // LD (nn),DE
        case 0x63: wr16(z, fetch16(z), z.hl); tick(z, 20); break;         // LD (nn),HL
        case 0x73: wr16(z, fetch16(z), z.sp); tick(z, 20); break;          // LD (nn),SP
        case 0x4B: z.bc = rd16(z, fetch16(z)); tick(z, 20); break;     // LD BC,(nn)
        case 0x5B: z.de = rd16(z, fetch16(z)); tick(z, 20); break;     // LD DE,(nn)
        case 0x6B: z.hl = rd16(z, fetch16(z)); tick(z, 20); break;     // LD HL,(nn)
        case 0x7B: z.sp = rd16(z, fetch16(z)); tick(z, 20); break;         // LD SP,(nn)
        case 0x44: case 0x4C: case 0x54: case 0x5C:                      // NEG
        case 0x64: case 0x6C: case 0x74: case 0x7C: neg(z); break;       // NEG (duplicates)
        case 0x45: z.iff1 = z.iff2; iff1_may_rise(z); z.pc = pop(z); tick(z, 14); break;  // RETN
        case 0x4D: case 0x55: case 0x5D: case 0x65:                      // RETI
        case 0x6D: case 0x75: case 0x7D: z.pc = pop(z); tick(z, 14); break;  // RETI (duplicates)
        case 0x46: case 0x66: z.im = 0; tick(z, 8); break;                 // IM 0
        case 0x4E: case 0x56: case 0x6E: case 0x76: z.im = 1; tick(z, 8); break;  // IM 1
        case 0x5E: case 0x7E: z.im = 2; tick(z, 8); break;                 // IM 2
        case 0x47: z.i = z.a; tick(z, 9); break;                           // LD I,A
        case 0x4F: z.r = z.a; set_fetch_count(z, z.a); tick(z, 9); break;  // LD R,A
        case 0x57: ld_a_ir(z, z.i); break;                               // LD A,I
        case 0x5F:                                                       // LD A,R
            z.r = uint8_t((z.r & 0x80) | fetch_count(z));
            ld_a_ir(z, z.r);
            break;
        case 0x67: rrd(z); break;             // RRD
        case 0x6F: rld(z); break;             // RLD
        case 0xA0: ldx(z, 1, false); break;   // LDI
        case 0xA8: ldx(z, -1, false); break;  // LDD
        case 0xB0: ldx(z, 1, true); break;    // LDIR
        case 0xB8: ldx(z, -1, true); break;   // LDDR
        case 0xA1: cpx(z, 1, false); break;   // CPI
        case 0xA9: cpx(z, -1, false); break;  // CPD
        case 0xB1: cpx(z, 1, true); break;    // CPIR
        case 0xB9: cpx(z, -1, true); break;   // CPDR
        case 0xA2: inx(z, 1, false); break;   // INI
        case 0xAA: inx(z, -1, false); break;  // IND
        case 0xB2: inx(z, 1, true); break;    // INIR
        case 0xBA: inx(z, -1, true); break;   // INDR
        case 0xA3: outx(z, 1, false); break;  // OUTI
        case 0xAB: outx(z, -1, false); break; // OUTD
        case 0xB3: outx(z, 1, true); break;   // OTIR
        case 0xBB: outx(z, -1, true); break;  // OTDR
        default: tick(z, 8); break;             // no operation
    }
}
