// The frame run: fetch and dispatch, prefixes, the maskable interrupt, HALT, and the
// unprefixed and DD/FD instruction tables.
#include "machine/run_frame.h"

#include <cstring>

#include "machine/cb_instructions.h"
#include "machine/ed_instructions.h"
#include "machine/ports.h"
#include "machine/z80_state.h"

namespace {

constexpr uint32_t kHaltTstates = 100000004;

Z80_INLINE void jr(Z80 &z, bool taken) {
    int8_t e = int8_t(fetch8(z));
    if (taken) {
        z.pc = uint16_t(z.pc + e);
        z.t += 12;
    } else {
        z.t += 7;
    }
}

Z80_INLINE void jp(Z80 &z, bool taken) {
    uint16_t nn = fetch16(z);
    if (taken) z.pc = nn;
    z.t += 10;
}

Z80_INLINE void call(Z80 &z, bool taken) {
    uint16_t nn = fetch16(z);
    if (taken) {
        push(z, z.pc);
        z.pc = nn;
        z.t += 17;
    } else {
        z.t += 10;
    }
}

Z80_INLINE void ret(Z80 &z, bool taken) {
    if (taken) {
        z.pc = pop(z);
        z.t += 11;
    } else {
        z.t += 5;
    }
}

Z80_INLINE void rst(Z80 &z, uint16_t p) {
    push(z, z.pc);
    z.pc = p;
    z.t += 11;
}

Z80_INLINE void ex_sp(Z80 &z, uint16_t &pair) {
    uint16_t v = rd16(z, z.sp);
    wr16(z, z.sp, pair);
    pair = v;
}

// Decimal adjust: the correction is applied as an addition or a subtraction with its
// own flags, then C is kept if it was set and P/V becomes parity.
Z80_INLINE void daa(Z80 &z) {
    uint8_t lo = z.a & 0x0F, hi = z.a >> 4, oldc = z.f & kFlagC;
    uint8_t corr = 0;
    if ((z.f & kFlagH) || lo > 9) corr = 0x06;
    if (oldc || hi > 9) corr |= 0x60;
    if (z.f & kFlagN) {
        z.a = sub8(z, corr, 0);
    } else {
        if (z.a > 0x90 && lo > 9) corr |= 0x60;
        add8(z, corr, 0);
    }
    z.f = uint8_t((z.f & ~kFlagPV) | oldc | (sz53p(z.a) & kFlagPV));
}

// The opcodes that a DD or FD prefix changes, on the index register xy. Returns false
// for the others, which then run unchanged.
Z80_INLINE bool exec_indexed(Z80 &z, uint8_t op, uint16_t &xy) {
    uint16_t nn;
    uint8_t v;
    switch (op) {
        case 0x09: xy = add16(z, xy, bc(z)); z.t += 11; break;  // ADD IX,BC
        case 0x19: xy = add16(z, xy, de(z)); z.t += 11; break;  // ADD IX,DE
        case 0x29: xy = add16(z, xy, xy); z.t += 11; break;     // ADD IX,IX
        case 0x39: xy = add16(z, xy, z.sp); z.t += 11; break;   // ADD IX,SP
        case 0x21: xy = fetch16(z); z.t += 10; break;           // LD IX,nn
        case 0x22: wr16(z, fetch16(z), xy); z.t += 16; break;   // LD (nn),IX
        case 0x2A: xy = rd16(z, fetch16(z)); z.t += 16; break;  // LD IX,(nn)
        case 0x23: xy++; z.t += 6; break;                       // INC IX
        case 0x2B: xy--; z.t += 6; break;                       // DEC IX
        case 0x24: xy = uint16_t((xy & 0xFF) | inc8(z, uint8_t(xy >> 8)) << 8); z.t += 4; break;  // INC IXH
        case 0x25: xy = uint16_t((xy & 0xFF) | dec8(z, uint8_t(xy >> 8)) << 8); z.t += 4; break;  // DEC IXH
        case 0x2C: xy = uint16_t((xy & 0xFF00) | inc8(z, uint8_t(xy))); z.t += 4; break;  // INC IXL
        case 0x2D: xy = uint16_t((xy & 0xFF00) | dec8(z, uint8_t(xy))); z.t += 4; break;  // DEC IXL
        case 0x26: xy = uint16_t((xy & 0xFF) | fetch8(z) << 8); z.t += 7; break;  // LD IXH,n
        case 0x2E: xy = uint16_t((xy & 0xFF00) | fetch8(z)); z.t += 7; break;     // LD IXL,n
        case 0x34: nn = xaddr(z, xy); wr(z, nn, inc8(z, rd(z, nn))); z.t += 19; break;  // INC (IX+d)
        case 0x35: nn = xaddr(z, xy); wr(z, nn, dec8(z, rd(z, nn))); z.t += 19; break;  // DEC (IX+d)
        case 0x36: nn = xaddr(z, xy); v = fetch8(z); wr(z, nn, v); z.t += 15; break;    // LD (IX+d),n
        case 0x44: z.b = uint8_t(xy >> 8); z.t += 4; break;  // LD B,IXH
        case 0x45: z.b = uint8_t(xy); z.t += 4; break;  // LD B,IXL
        case 0x46: z.b = rd(z, xaddr(z, xy)); z.t += 15; break;  // LD B,(IX+d)
        case 0x4C: z.c = uint8_t(xy >> 8); z.t += 4; break;  // LD C,IXH
        case 0x4D: z.c = uint8_t(xy); z.t += 4; break;  // LD C,IXL
        case 0x4E: z.c = rd(z, xaddr(z, xy)); z.t += 15; break;  // LD C,(IX+d)
        case 0x54: z.d = uint8_t(xy >> 8); z.t += 4; break;  // LD D,IXH
        case 0x55: z.d = uint8_t(xy); z.t += 4; break;  // LD D,IXL
        case 0x56: z.d = rd(z, xaddr(z, xy)); z.t += 15; break;  // LD D,(IX+d)
        case 0x5C: z.e = uint8_t(xy >> 8); z.t += 4; break;  // LD E,IXH
        case 0x5D: z.e = uint8_t(xy); z.t += 4; break;  // LD E,IXL
        case 0x5E: z.e = rd(z, xaddr(z, xy)); z.t += 15; break;  // LD E,(IX+d)
        case 0x60: xy = uint16_t((xy & 0x00FF) | (z.b << 8)); z.t += 4; break;  // LD IXH,B
        case 0x61: xy = uint16_t((xy & 0x00FF) | (z.c << 8)); z.t += 4; break;  // LD IXH,C
        case 0x62: xy = uint16_t((xy & 0x00FF) | (z.d << 8)); z.t += 4; break;  // LD IXH,D
        case 0x63: xy = uint16_t((xy & 0x00FF) | (z.e << 8)); z.t += 4; break;  // LD IXH,E
        case 0x64: z.t += 4; break;  // LD IXH,IXH
        case 0x65: xy = uint16_t((xy & 0x00FF) | (uint8_t(xy) << 8)); z.t += 4; break;  // LD IXH,IXL
        case 0x66: z.h = rd(z, xaddr(z, xy)); z.t += 15; break;  // LD H,(IX+d)
        case 0x67: xy = uint16_t((xy & 0x00FF) | (z.a << 8)); z.t += 4; break;  // LD IXH,A
        case 0x68: xy = uint16_t((xy & 0xFF00) | z.b); z.t += 4; break;  // LD IXL,B
        case 0x69: xy = uint16_t((xy & 0xFF00) | z.c); z.t += 4; break;  // LD IXL,C
        case 0x6A: xy = uint16_t((xy & 0xFF00) | z.d); z.t += 4; break;  // LD IXL,D
        case 0x6B: xy = uint16_t((xy & 0xFF00) | z.e); z.t += 4; break;  // LD IXL,E
        case 0x6C: xy = uint16_t((xy & 0xFF00) | uint8_t(xy >> 8)); z.t += 4; break;  // LD IXL,IXH
        case 0x6D: z.t += 4; break;  // LD IXL,IXL
        case 0x6E: z.l = rd(z, xaddr(z, xy)); z.t += 15; break;  // LD L,(IX+d)
        case 0x6F: xy = uint16_t((xy & 0xFF00) | z.a); z.t += 4; break;  // LD IXL,A
        case 0x70: wr(z, xaddr(z, xy), z.b); z.t += 15; break;  // LD (IX+d),B
        case 0x71: wr(z, xaddr(z, xy), z.c); z.t += 15; break;  // LD (IX+d),C
        case 0x72: wr(z, xaddr(z, xy), z.d); z.t += 15; break;  // LD (IX+d),D
        case 0x73: wr(z, xaddr(z, xy), z.e); z.t += 15; break;  // LD (IX+d),E
        case 0x74: wr(z, xaddr(z, xy), z.h); z.t += 15; break;  // LD (IX+d),H
        case 0x75: wr(z, xaddr(z, xy), z.l); z.t += 15; break;  // LD (IX+d),L
        case 0x77: wr(z, xaddr(z, xy), z.a); z.t += 15; break;  // LD (IX+d),A
        case 0x7C: z.a = uint8_t(xy >> 8); z.t += 4; break;  // LD A,IXH
        case 0x7D: z.a = uint8_t(xy); z.t += 4; break;  // LD A,IXL
        case 0x7E: z.a = rd(z, xaddr(z, xy)); z.t += 15; break;  // LD A,(IX+d)
        case 0x84: add8(z, uint8_t(xy >> 8), 0); z.t += 4; break;  // ADD A,IXH
        case 0x85: add8(z, uint8_t(xy), 0); z.t += 4; break;  // ADD A,IXL
        case 0x86: add8(z, rd(z, xaddr(z, xy)), 0); z.t += 15; break;  // ADD A,(IX+d)
        case 0x8C: add8(z, uint8_t(xy >> 8), z.f & kFlagC); z.t += 4; break;  // ADC A,IXH
        case 0x8D: add8(z, uint8_t(xy), z.f & kFlagC); z.t += 4; break;  // ADC A,IXL
        case 0x8E: add8(z, rd(z, xaddr(z, xy)), z.f & kFlagC); z.t += 15; break;  // ADC A,(IX+d)
        case 0x94: z.a = sub8(z, uint8_t(xy >> 8), 0); z.t += 4; break;  // SUB IXH
        case 0x95: z.a = sub8(z, uint8_t(xy), 0); z.t += 4; break;  // SUB IXL
        case 0x96: z.a = sub8(z, rd(z, xaddr(z, xy)), 0); z.t += 15; break;  // SUB (IX+d)
        case 0x9C: z.a = sub8(z, uint8_t(xy >> 8), z.f & kFlagC); z.t += 4; break;  // SBC A,IXH
        case 0x9D: z.a = sub8(z, uint8_t(xy), z.f & kFlagC); z.t += 4; break;  // SBC A,IXL
        case 0x9E: z.a = sub8(z, rd(z, xaddr(z, xy)), z.f & kFlagC); z.t += 15; break;  // SBC A,(IX+d)
        case 0xA4: and8(z, uint8_t(xy >> 8)); z.t += 4; break;  // AND IXH
        case 0xA5: and8(z, uint8_t(xy)); z.t += 4; break;  // AND IXL
        case 0xA6: and8(z, rd(z, xaddr(z, xy))); z.t += 15; break;  // AND (IX+d)
        case 0xAC: xor8(z, uint8_t(xy >> 8)); z.t += 4; break;  // XOR IXH
        case 0xAD: xor8(z, uint8_t(xy)); z.t += 4; break;  // XOR IXL
        case 0xAE: xor8(z, rd(z, xaddr(z, xy))); z.t += 15; break;  // XOR (IX+d)
        case 0xB4: or8(z, uint8_t(xy >> 8)); z.t += 4; break;  // OR IXH
        case 0xB5: or8(z, uint8_t(xy)); z.t += 4; break;  // OR IXL
        case 0xB6: or8(z, rd(z, xaddr(z, xy))); z.t += 15; break;  // OR (IX+d)
        case 0xBC: cp8(z, uint8_t(xy >> 8)); z.t += 4; break;  // CP IXH
        case 0xBD: cp8(z, uint8_t(xy)); z.t += 4; break;  // CP IXL
        case 0xBE: cp8(z, rd(z, xaddr(z, xy))); z.t += 15; break;  // CP (IX+d)
        case 0xCB: exec_index_cb(z, xy); break;        // DDCB / FDCB group
        case 0xE1: xy = pop(z); z.t += 10; break;      // POP IX
        case 0xE3: ex_sp(z, xy); z.t += 19; break;     // EX (SP),IX
        case 0xE5: push(z, xy); z.t += 11; break;      // PUSH IX
        case 0xE9: z.pc = xy; z.t += 4; break;         // JP (IX)
        case 0xF9: z.sp = xy; z.t += 6; break;         // LD SP,IX
        default: return false;
    }
    return true;
}

// One unprefixed opcode. Returns true, having done nothing, for DD and FD, which the frame
// loop takes.
Z80_INLINE bool exec_base(Z80 &z, uint8_t op) {
    uint16_t nn;
    uint8_t v;
    switch (op) {
        case 0x00: z.t += 4; break;                                       // NOP
        case 0x01: set_bc(z, fetch16(z)); z.t += 10; break;               // LD BC,nn
        case 0x02: wr(z, bc(z), z.a); z.t += 7; break;                    // LD (BC),A
        case 0x03: set_bc(z, uint16_t(bc(z) + 1)); z.t += 6; break;       // INC BC
        case 0x04: z.b = inc8(z, z.b); z.t += 4; break;                   // INC B
        case 0x05: z.b = dec8(z, z.b); z.t += 4; break;                   // DEC B
        case 0x06: z.b = fetch8(z); z.t += 7; break;                      // LD B,n
        case 0x07:                                                        // RLCA
            z.a = uint8_t(z.a << 1 | z.a >> 7);
            z.f = uint8_t((z.f & (kFlagS | kFlagZ | kFlagPV)) | (z.a & 0x28) | (z.a & 1));
            z.t += 4;
            break;
        case 0x08:                                                        // EX AF,AF'
            v = z.a, z.a = z.alta, z.alta = v;
            v = z.f, z.f = z.altf, z.altf = v;
            z.t += 4;
            break;
        case 0x09: set_hl(z, add16(z, hl(z), bc(z))); z.t += 11; break;   // ADD HL,BC
        case 0x0A: z.a = rd(z, bc(z)); z.t += 7; break;                   // LD A,(BC)
        case 0x0B: set_bc(z, uint16_t(bc(z) - 1)); z.t += 6; break;       // DEC BC
        case 0x0C: z.c = inc8(z, z.c); z.t += 4; break;                   // INC C
        case 0x0D: z.c = dec8(z, z.c); z.t += 4; break;                   // DEC C
        case 0x0E: z.c = fetch8(z); z.t += 7; break;                      // LD C,n
        case 0x0F:                                                        // RRCA
            z.f = uint8_t((z.f & (kFlagS | kFlagZ | kFlagPV)) | (z.a & 1));
            z.a = uint8_t(z.a >> 1 | z.a << 7);
            z.f |= z.a & 0x28;
            z.t += 4;
            break;
        case 0x10:                                                        // DJNZ e
            z.b--;
            jr(z, z.b != 0);
            z.t += 1;
            break;
        case 0x11: set_de(z, fetch16(z)); z.t += 10; break;               // LD DE,nn
        case 0x12: wr(z, de(z), z.a); z.t += 7; break;                    // LD (DE),A
        case 0x13: set_de(z, uint16_t(de(z) + 1)); z.t += 6; break;       // INC DE
        case 0x14: z.d = inc8(z, z.d); z.t += 4; break;                   // INC D
        case 0x15: z.d = dec8(z, z.d); z.t += 4; break;                   // DEC D
        case 0x16: z.d = fetch8(z); z.t += 7; break;                      // LD D,n
        case 0x17:                                                        // RLA
            v = z.a >> 7;
            z.a = uint8_t(z.a << 1 | (z.f & kFlagC));
            z.f = uint8_t((z.f & (kFlagS | kFlagZ | kFlagPV)) | (z.a & 0x28) | v);
            z.t += 4;
            break;
        case 0x18: jr(z, true); break;                                    // JR e
        case 0x19: set_hl(z, add16(z, hl(z), de(z))); z.t += 11; break;   // ADD HL,DE
        case 0x1A: z.a = rd(z, de(z)); z.t += 7; break;                   // LD A,(DE)
        case 0x1B: set_de(z, uint16_t(de(z) - 1)); z.t += 6; break;       // DEC DE
        case 0x1C: z.e = inc8(z, z.e); z.t += 4; break;                   // INC E
        case 0x1D: z.e = dec8(z, z.e); z.t += 4; break;                   // DEC E
        case 0x1E: z.e = fetch8(z); z.t += 7; break;                      // LD E,n
        case 0x1F:                                                        // RRA
            v = z.a & 1;
            z.a = uint8_t(z.a >> 1 | (z.f & kFlagC) << 7);
            z.f = uint8_t((z.f & (kFlagS | kFlagZ | kFlagPV)) | (z.a & 0x28) | v);
            z.t += 4;
            break;
        case 0x20: jr(z, !(z.f & kFlagZ)); break;                         // JR NZ,e
        case 0x21: set_hl(z, fetch16(z)); z.t += 10; break;               // LD HL,nn
        case 0x22: wr16(z, fetch16(z), hl(z)); z.t += 16; break;          // LD (nn),HL
        case 0x23: set_hl(z, uint16_t(hl(z) + 1)); z.t += 6; break;       // INC HL
        case 0x24: z.h = inc8(z, z.h); z.t += 4; break;                   // INC H
        case 0x25: z.h = dec8(z, z.h); z.t += 4; break;                   // DEC H
        case 0x26: z.h = fetch8(z); z.t += 7; break;                      // LD H,n
        case 0x27: daa(z); z.t += 4; break;                               // DAA
        case 0x28: jr(z, z.f & kFlagZ); break;                            // JR Z,e
        case 0x29: set_hl(z, add16(z, hl(z), hl(z))); z.t += 11; break;   // ADD HL,HL
        case 0x2A: set_hl(z, rd16(z, fetch16(z))); z.t += 16; break;      // LD HL,(nn)
        case 0x2B: set_hl(z, uint16_t(hl(z) - 1)); z.t += 6; break;       // DEC HL
        case 0x2C: z.l = inc8(z, z.l); z.t += 4; break;                   // INC L
        case 0x2D: z.l = dec8(z, z.l); z.t += 4; break;                   // DEC L
        case 0x2E: z.l = fetch8(z); z.t += 7; break;                      // LD L,n
        case 0x2F:                                                        // CPL
            z.a = uint8_t(~z.a);
            z.f = uint8_t((z.f & (kFlagS | kFlagZ | kFlagPV | kFlagC)) | (z.a & 0x28) | kFlagH |
                          kFlagN);
            z.t += 4;
            break;
        case 0x30: jr(z, !(z.f & kFlagC)); break;                         // JR NC,e
        case 0x31: z.sp = fetch16(z); z.t += 10; break;                   // LD SP,nn
        case 0x32: wr(z, fetch16(z), z.a); z.t += 13; break;              // LD (nn),A
        case 0x33: z.sp++; z.t += 6; break;                               // INC SP
        case 0x34: wr(z, hl(z), inc8(z, rd(z, hl(z)))); z.t += 11; break; // INC (HL)
        case 0x35: wr(z, hl(z), dec8(z, rd(z, hl(z)))); z.t += 11; break; // DEC (HL)
        case 0x36: wr(z, hl(z), fetch8(z)); z.t += 10; break;             // LD (HL),n
        case 0x37:                                                        // SCF
            z.f = uint8_t((z.f & (kFlagS | kFlagZ | kFlagPV)) | (z.a & 0x28) | kFlagC);
            z.t += 4;
            break;
        case 0x38: jr(z, z.f & kFlagC); break;                            // JR C,e
        case 0x39: set_hl(z, add16(z, hl(z), z.sp)); z.t += 11; break;    // ADD HL,SP
        case 0x3A: z.a = rd(z, fetch16(z)); z.t += 13; break;             // LD A,(nn)
        case 0x3B: z.sp--; z.t += 6; break;                               // DEC SP
        case 0x3C: z.a = inc8(z, z.a); z.t += 4; break;                   // INC A
        case 0x3D: z.a = dec8(z, z.a); z.t += 4; break;                   // DEC A
        case 0x3E: z.a = fetch8(z); z.t += 7; break;                      // LD A,n
        case 0x3F:                                                        // CCF
            z.f = uint8_t((z.f & (kFlagS | kFlagZ | kFlagPV)) | (z.a & 0x28) |
                          ((z.f & kFlagC) ? kFlagH : 0) | ((z.f & kFlagC) ^ kFlagC));
            z.t += 4;
            break;
        case 0x40: z.t += 4; break;  // LD B,B
        case 0x41: z.b = z.c; z.t += 4; break;  // LD B,C
        case 0x42: z.b = z.d; z.t += 4; break;  // LD B,D
        case 0x43: z.b = z.e; z.t += 4; break;  // LD B,E
        case 0x44: z.b = z.h; z.t += 4; break;  // LD B,H
        case 0x45: z.b = z.l; z.t += 4; break;  // LD B,L
        case 0x46: z.b = rd(z, hl(z)); z.t += 7; break;  // LD B,(HL)
        case 0x47: z.b = z.a; z.t += 4; break;  // LD B,A
        case 0x48: z.c = z.b; z.t += 4; break;  // LD C,B
        case 0x49: z.t += 4; break;  // LD C,C
        case 0x4A: z.c = z.d; z.t += 4; break;  // LD C,D
        case 0x4B: z.c = z.e; z.t += 4; break;  // LD C,E
        case 0x4C: z.c = z.h; z.t += 4; break;  // LD C,H
        case 0x4D: z.c = z.l; z.t += 4; break;  // LD C,L
        case 0x4E: z.c = rd(z, hl(z)); z.t += 7; break;  // LD C,(HL)
        case 0x4F: z.c = z.a; z.t += 4; break;  // LD C,A
        case 0x50: z.d = z.b; z.t += 4; break;  // LD D,B
        case 0x51: z.d = z.c; z.t += 4; break;  // LD D,C
        case 0x52: z.t += 4; break;  // LD D,D
        case 0x53: z.d = z.e; z.t += 4; break;  // LD D,E
        case 0x54: z.d = z.h; z.t += 4; break;  // LD D,H
        case 0x55: z.d = z.l; z.t += 4; break;  // LD D,L
        case 0x56: z.d = rd(z, hl(z)); z.t += 7; break;  // LD D,(HL)
        case 0x57: z.d = z.a; z.t += 4; break;  // LD D,A
        case 0x58: z.e = z.b; z.t += 4; break;  // LD E,B
        case 0x59: z.e = z.c; z.t += 4; break;  // LD E,C
        case 0x5A: z.e = z.d; z.t += 4; break;  // LD E,D
        case 0x5B: z.t += 4; break;  // LD E,E
        case 0x5C: z.e = z.h; z.t += 4; break;  // LD E,H
        case 0x5D: z.e = z.l; z.t += 4; break;  // LD E,L
        case 0x5E: z.e = rd(z, hl(z)); z.t += 7; break;  // LD E,(HL)
        case 0x5F: z.e = z.a; z.t += 4; break;  // LD E,A
        case 0x60: z.h = z.b; z.t += 4; break;  // LD H,B
        case 0x61: z.h = z.c; z.t += 4; break;  // LD H,C
        case 0x62: z.h = z.d; z.t += 4; break;  // LD H,D
        case 0x63: z.h = z.e; z.t += 4; break;  // LD H,E
        case 0x64: z.t += 4; break;  // LD H,H
        case 0x65: z.h = z.l; z.t += 4; break;  // LD H,L
        case 0x66: z.h = rd(z, hl(z)); z.t += 7; break;  // LD H,(HL)
        case 0x67: z.h = z.a; z.t += 4; break;  // LD H,A
        case 0x68: z.l = z.b; z.t += 4; break;  // LD L,B
        case 0x69: z.l = z.c; z.t += 4; break;  // LD L,C
        case 0x6A: z.l = z.d; z.t += 4; break;  // LD L,D
        case 0x6B: z.l = z.e; z.t += 4; break;  // LD L,E
        case 0x6C: z.l = z.h; z.t += 4; break;  // LD L,H
        case 0x6D: z.t += 4; break;  // LD L,L
        case 0x6E: z.l = rd(z, hl(z)); z.t += 7; break;  // LD L,(HL)
        case 0x6F: z.l = z.a; z.t += 4; break;  // LD L,A
        case 0x70: wr(z, hl(z), z.b); z.t += 7; break;  // LD (HL),B
        case 0x71: wr(z, hl(z), z.c); z.t += 7; break;  // LD (HL),C
        case 0x72: wr(z, hl(z), z.d); z.t += 7; break;  // LD (HL),D
        case 0x73: wr(z, hl(z), z.e); z.t += 7; break;  // LD (HL),E
        case 0x74: wr(z, hl(z), z.h); z.t += 7; break;  // LD (HL),H
        case 0x75: wr(z, hl(z), z.l); z.t += 7; break;  // LD (HL),L
        case 0x77: wr(z, hl(z), z.a); z.t += 7; break;  // LD (HL),A
        case 0x78: z.a = z.b; z.t += 4; break;  // LD A,B
        case 0x79: z.a = z.c; z.t += 4; break;  // LD A,C
        case 0x7A: z.a = z.d; z.t += 4; break;  // LD A,D
        case 0x7B: z.a = z.e; z.t += 4; break;  // LD A,E
        case 0x7C: z.a = z.h; z.t += 4; break;  // LD A,H
        case 0x7D: z.a = z.l; z.t += 4; break;  // LD A,L
        case 0x7E: z.a = rd(z, hl(z)); z.t += 7; break;  // LD A,(HL)
        case 0x7F: z.t += 4; break;  // LD A,A
        case 0x80: add8(z, z.b, 0); z.t += 4; break;  // ADD A,B
        case 0x81: add8(z, z.c, 0); z.t += 4; break;  // ADD A,C
        case 0x82: add8(z, z.d, 0); z.t += 4; break;  // ADD A,D
        case 0x83: add8(z, z.e, 0); z.t += 4; break;  // ADD A,E
        case 0x84: add8(z, z.h, 0); z.t += 4; break;  // ADD A,H
        case 0x85: add8(z, z.l, 0); z.t += 4; break;  // ADD A,L
        case 0x86: add8(z, rd(z, hl(z)), 0); z.t += 7; break;  // ADD A,(HL)
        case 0x87: add8(z, z.a, 0); z.t += 4; break;  // ADD A,A
        case 0x88: add8(z, z.b, z.f & kFlagC); z.t += 4; break;  // ADC A,B
        case 0x89: add8(z, z.c, z.f & kFlagC); z.t += 4; break;  // ADC A,C
        case 0x8A: add8(z, z.d, z.f & kFlagC); z.t += 4; break;  // ADC A,D
        case 0x8B: add8(z, z.e, z.f & kFlagC); z.t += 4; break;  // ADC A,E
        case 0x8C: add8(z, z.h, z.f & kFlagC); z.t += 4; break;  // ADC A,H
        case 0x8D: add8(z, z.l, z.f & kFlagC); z.t += 4; break;  // ADC A,L
        case 0x8E: add8(z, rd(z, hl(z)), z.f & kFlagC); z.t += 7; break;  // ADC A,(HL)
        case 0x8F: add8(z, z.a, z.f & kFlagC); z.t += 4; break;  // ADC A,A
        case 0x90: z.a = sub8(z, z.b, 0); z.t += 4; break;  // SUB B
        case 0x91: z.a = sub8(z, z.c, 0); z.t += 4; break;  // SUB C
        case 0x92: z.a = sub8(z, z.d, 0); z.t += 4; break;  // SUB D
        case 0x93: z.a = sub8(z, z.e, 0); z.t += 4; break;  // SUB E
        case 0x94: z.a = sub8(z, z.h, 0); z.t += 4; break;  // SUB H
        case 0x95: z.a = sub8(z, z.l, 0); z.t += 4; break;  // SUB L
        case 0x96: z.a = sub8(z, rd(z, hl(z)), 0); z.t += 7; break;  // SUB (HL)
        case 0x97: z.a = sub8(z, z.a, 0); z.t += 4; break;  // SUB A
        case 0x98: z.a = sub8(z, z.b, z.f & kFlagC); z.t += 4; break;  // SBC A,B
        case 0x99: z.a = sub8(z, z.c, z.f & kFlagC); z.t += 4; break;  // SBC A,C
        case 0x9A: z.a = sub8(z, z.d, z.f & kFlagC); z.t += 4; break;  // SBC A,D
        case 0x9B: z.a = sub8(z, z.e, z.f & kFlagC); z.t += 4; break;  // SBC A,E
        case 0x9C: z.a = sub8(z, z.h, z.f & kFlagC); z.t += 4; break;  // SBC A,H
        case 0x9D: z.a = sub8(z, z.l, z.f & kFlagC); z.t += 4; break;  // SBC A,L
        case 0x9E: z.a = sub8(z, rd(z, hl(z)), z.f & kFlagC); z.t += 7; break;  // SBC A,(HL)
        case 0x9F: z.a = sub8(z, z.a, z.f & kFlagC); z.t += 4; break;  // SBC A,A
        case 0xA0: and8(z, z.b); z.t += 4; break;  // AND B
        case 0xA1: and8(z, z.c); z.t += 4; break;  // AND C
        case 0xA2: and8(z, z.d); z.t += 4; break;  // AND D
        case 0xA3: and8(z, z.e); z.t += 4; break;  // AND E
        case 0xA4: and8(z, z.h); z.t += 4; break;  // AND H
        case 0xA5: and8(z, z.l); z.t += 4; break;  // AND L
        case 0xA6: and8(z, rd(z, hl(z))); z.t += 7; break;  // AND (HL)
        case 0xA7: and8(z, z.a); z.t += 4; break;  // AND A
        case 0xA8: xor8(z, z.b); z.t += 4; break;  // XOR B
        case 0xA9: xor8(z, z.c); z.t += 4; break;  // XOR C
        case 0xAA: xor8(z, z.d); z.t += 4; break;  // XOR D
        case 0xAB: xor8(z, z.e); z.t += 4; break;  // XOR E
        case 0xAC: xor8(z, z.h); z.t += 4; break;  // XOR H
        case 0xAD: xor8(z, z.l); z.t += 4; break;  // XOR L
        case 0xAE: xor8(z, rd(z, hl(z))); z.t += 7; break;  // XOR (HL)
        case 0xAF: xor8(z, z.a); z.t += 4; break;  // XOR A
        case 0xB0: or8(z, z.b); z.t += 4; break;  // OR B
        case 0xB1: or8(z, z.c); z.t += 4; break;  // OR C
        case 0xB2: or8(z, z.d); z.t += 4; break;  // OR D
        case 0xB3: or8(z, z.e); z.t += 4; break;  // OR E
        case 0xB4: or8(z, z.h); z.t += 4; break;  // OR H
        case 0xB5: or8(z, z.l); z.t += 4; break;  // OR L
        case 0xB6: or8(z, rd(z, hl(z))); z.t += 7; break;  // OR (HL)
        case 0xB7: or8(z, z.a); z.t += 4; break;  // OR A
        case 0xB8: cp8(z, z.b); z.t += 4; break;  // CP B
        case 0xB9: cp8(z, z.c); z.t += 4; break;  // CP C
        case 0xBA: cp8(z, z.d); z.t += 4; break;  // CP D
        case 0xBB: cp8(z, z.e); z.t += 4; break;  // CP E
        case 0xBC: cp8(z, z.h); z.t += 4; break;  // CP H
        case 0xBD: cp8(z, z.l); z.t += 4; break;  // CP L
        case 0xBE: cp8(z, rd(z, hl(z))); z.t += 7; break;  // CP (HL)
        case 0xBF: cp8(z, z.a); z.t += 4; break;  // CP A
        case 0x76: z.t += kHaltTstates; break;                            // HALT
        case 0xC0: ret(z, cond(z, 0)); break;                             // RET NZ
        case 0xC1: set_bc(z, pop(z)); z.t += 10; break;                   // POP BC
        case 0xC2: jp(z, cond(z, 0)); break;                              // JP NZ,nn
        case 0xC3: jp(z, true); break;                                    // JP nn
        case 0xC4: call(z, cond(z, 0)); break;                            // CALL NZ,nn
        case 0xC5: push(z, bc(z)); z.t += 11; break;                      // PUSH BC
        case 0xC6: add8(z, fetch8(z), 0); z.t += 7; break;                // ADD A,n
        case 0xC7: rst(z, 0x00); break;                                   // RST 00h
        case 0xC8: ret(z, cond(z, 1)); break;                             // RET Z
        case 0xC9: z.pc = pop(z); z.t += 10; break;                       // RET
        case 0xCA: jp(z, cond(z, 1)); break;                              // JP Z,nn
        case 0xCB: exec_cb(z); break;                                     // CB prefix
        case 0xCC: call(z, cond(z, 1)); break;                            // CALL Z,nn
        case 0xCD: call(z, true); break;                                  // CALL nn
        case 0xCE: add8(z, fetch8(z), z.f & kFlagC); z.t += 7; break;     // ADC A,n
        case 0xCF: rst(z, 0x08); break;                                   // RST 08h
        case 0xD0: ret(z, cond(z, 2)); break;                             // RET NC
        case 0xD1: set_de(z, pop(z)); z.t += 10; break;                   // POP DE
        case 0xD2: jp(z, cond(z, 2)); break;                              // JP NC,nn
        case 0xD3:                                                        // OUT (n),A
            v = fetch8(z);
            z.t += 11;
            out_port(z, v, z.a, z.t);
            break;
        case 0xD4: call(z, cond(z, 2)); break;                            // CALL NC,nn
        case 0xD5: push(z, de(z)); z.t += 11; break;                      // PUSH DE
        case 0xD6: z.a = sub8(z, fetch8(z), 0); z.t += 7; break;          // SUB n
        case 0xD7: rst(z, 0x10); break;                                   // RST 10h
        case 0xD8: ret(z, cond(z, 3)); break;                             // RET C
        case 0xD9:                                                        // EXX
            v = z.b, z.b = z.altb, z.altb = v;
            v = z.c, z.c = z.altc, z.altc = v;
            v = z.d, z.d = z.altd, z.altd = v;
            v = z.e, z.e = z.alte, z.alte = v;
            v = z.h, z.h = z.alth, z.alth = v;
            v = z.l, z.l = z.altl, z.altl = v;
            z.t += 4;
            break;
        case 0xDA: jp(z, cond(z, 3)); break;                              // JP C,nn
        case 0xDB:                                                        // IN A,(n)
            v = fetch8(z);
            z.t += 11;
            z.a = port_read(v, z.a, z.input);
            if (v == 0xFE && z.m->ear.active) [[unlikely]]
                z.a = ear_loader_read(&z.m->ear, z.a, z.t, z.pc, z.sp);
            break;
        case 0xDC: call(z, cond(z, 3)); break;                            // CALL C,nn
        case 0xDD: return true;                                           // IX prefix
        case 0xDE: z.a = sub8(z, fetch8(z), z.f & kFlagC); z.t += 7; break;  // SBC A,n
        case 0xDF: rst(z, 0x18); break;                                   // RST 18h
        case 0xE0: ret(z, cond(z, 4)); break;                             // RET PO
        case 0xE1: set_hl(z, pop(z)); z.t += 10; break;                   // POP HL
        case 0xE2: jp(z, cond(z, 4)); break;                              // JP PO,nn
        case 0xE3:                                                        // EX (SP),HL
            nn = hl(z);
            ex_sp(z, nn);
            set_hl(z, nn);
            z.t += 19;
            break;
        case 0xE4: call(z, cond(z, 4)); break;                            // CALL PO,nn
        case 0xE5: push(z, hl(z)); z.t += 11; break;                      // PUSH HL
        case 0xE6: and8(z, fetch8(z)); z.t += 7; break;                   // AND n
        case 0xE7: rst(z, 0x20); break;                                   // RST 20h
        case 0xE8: ret(z, cond(z, 5)); break;                             // RET PE
        case 0xE9: z.pc = hl(z); z.t += 4; break;                         // JP (HL)
        case 0xEA: jp(z, cond(z, 5)); break;                              // JP PE,nn
        case 0xEB:                                                        // EX DE,HL
            v = z.d, z.d = z.h, z.h = v;
            v = z.e, z.e = z.l, z.l = v;
            z.t += 4;
            break;
        case 0xEC: call(z, cond(z, 5)); break;                            // CALL PE,nn
        case 0xED: exec_ed(z); break;                                     // ED prefix
        case 0xEE: xor8(z, fetch8(z)); z.t += 7; break;                   // XOR n
        case 0xEF: rst(z, 0x28); break;                                   // RST 28h
        case 0xF0: ret(z, cond(z, 6)); break;                             // RET P
        case 0xF1: set_af(z, pop(z)); z.t += 10; break;                   // POP AF
        case 0xF2: jp(z, cond(z, 6)); break;                              // JP P,nn
        case 0xF3: z.iff1 = z.iff2 = 0; z.t += 4; break;                  // DI
        case 0xF4: call(z, cond(z, 6)); break;                            // CALL P,nn
        case 0xF5: push(z, af(z)); z.t += 11; break;                      // PUSH AF
        case 0xF6: or8(z, fetch8(z)); z.t += 7; break;                    // OR n
        case 0xF7: rst(z, 0x30); break;                                   // RST 30h
        case 0xF8: ret(z, cond(z, 7)); break;                             // RET M
        case 0xF9: z.sp = hl(z); z.t += 6; break;                         // LD SP,HL
        case 0xFA: jp(z, cond(z, 7)); break;                              // JP M,nn
        case 0xFB: z.iff1 = z.iff2 = 1; z.t += 4; break;                  // EI
        case 0xFC: call(z, cond(z, 7)); break;                            // CALL M,nn
        case 0xFD: return true;                                           // IY prefix
        case 0xFE: cp8(z, fetch8(z)); z.t += 7; break;                    // CP n
        case 0xFF: rst(z, 0x38); break;                                   // RST 38h
    }
    return false;
}

Z80_INLINE void load_state(Z80 &z, const Machine *m) {
    z.a = m->a, z.f = m->f, z.b = m->b, z.c = m->c;
    z.d = m->d, z.e = m->e, z.h = m->h, z.l = m->l;
    z.alta = m->alta, z.altf = m->altf, z.altb = m->altb, z.altc = m->altc;
    z.altd = m->altd, z.alte = m->alte, z.alth = m->alth, z.altl = m->altl;
    z.i = m->i, z.iff1 = m->iff1, z.iff2 = m->iff2, z.im = m->im;
    z.pc = m->pc, z.sp = m->sp, z.ix = m->ix, z.iy = m->iy;
    z.t = m->tstates;
    z.r = m->r | 0x80;
    z.fetches = 0;
    z.mem = m->rom;
    z.port = m->portfe;
    z.samplepos = 0;
}

Z80_INLINE void store_state(const Z80 &z, Machine *m) {
    m->a = z.a, m->f = z.f, m->b = z.b, m->c = z.c;
    m->d = z.d, m->e = z.e, m->h = z.h, m->l = z.l;
    m->alta = z.alta, m->altf = z.altf, m->altb = z.altb, m->altc = z.altc;
    m->altd = z.altd, m->alte = z.alte, m->alth = z.alth, m->altl = z.altl;
    m->i = z.i, m->iff1 = z.iff1, m->iff2 = z.iff2, m->im = z.im;
    m->pc = z.pc, m->sp = z.sp, m->ix = z.ix, m->iy = z.iy;
    m->tstates = z.t;
    m->r = z.r;
    m->portfe = z.port;
}

}  // namespace

void run_frame(Machine *m) {
    Z80 z;
    uint8_t input[kInputBytes];
    std::memcpy(input, m->keyrows, 8);
    input[8] = m->joystick;
    z.input = input;
    z.m = m;
    load_state(z, m);
    m->speaker = 0;
    // The frame's interrupt stays requested until accepted; none in the very first frame.
    bool irq = m->counter != 0;
    const uint32_t limit = m->tslimit;

    do {
        uint8_t op;
        if (irq && z.iff1) {
            irq = false;
            z.iff1 = z.iff2 = 0;
            if (z.im == 2) {
                push(z, z.pc);
                z.t += 19;
                z.pc = rd16(z, uint16_t(z.i << 8 | 0xFF));
                op = fetch8(z);
            } else {
                op = 0xFF;  // RST 38h, as if fetched, pc not advanced
            }
        } else {
            op = fetch8(z);
        }
        z.fetches++;
        if (exec_base(z, op)) [[unlikely]] {
            // Each prefix is a step of its own, 4 T-states and one fetch, and the last one
            // decides. The interrupt check between such steps always fails (a prefix step
            // begins with the interrupt taken, not pending or IFF1 clear, and changes none
            // of them), and the budget is never checked there, so the chain runs in one go.
            uint8_t prefix;
            do {
                prefix = op;
                z.t += 4;
                op = fetch8(z);
                z.fetches++;
            } while (op == 0xDD || op == 0xFD);
            // The index register travels by value so that the working state stays in
            // registers rather than behind an address.
            uint16_t xy = prefix == 0xDD ? z.ix : z.iy;
            bool changed = exec_indexed(z, op, xy);
            if (prefix == 0xDD)
                z.ix = xy;
            else
                z.iy = xy;
            if (!changed) exec_base(z, op);
        }
    } while (z.t <= limit);

    store_state(z, m);
    if (z.samplepos < kFrameSamples)
        std::memset(m->sndring + m->sndread * kFrameSamples + z.samplepos, m->speaker,
                    kFrameSamples - z.samplepos);
}
