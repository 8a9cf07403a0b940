// The frame run: fetch and dispatch, prefixes, the maskable interrupt, HALT, and the
// unprefixed and DD/FD instruction tables.
#include "machine/run_frame.h"

#include <cstring>

#include "machine/cb_instructions.h"
#include "machine/ed_instructions.h"
#include "machine/ports.h"
#include "machine/z80_state.h"

namespace {

// JR cc,e, DJNZ e and CALL cc,nn not taken: the displacement or address is passed over.
Z80_INLINE void not_taken(Z80 &z, int bytes, uint32_t tstates) {
    z.pc = uint16_t(z.pc + bytes);
    tick(z, tstates);
}

Z80_INLINE void jp(Z80 &z, bool taken) {
    uint16_t nn = fetch16(z);
    if (taken) z.pc = nn;
    tick(z, 10);
}

Z80_INLINE void rst(Z80 &z, uint16_t p) {
    push(z, z.pc);
    z.pc = p;
    tick(z, 11);
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
    z.f = uint8_t((z.f & ~kFlagPV) | oldc | (sz53p(z, z.a) & kFlagPV));
}

// The opcodes that a DD or FD prefix changes, on the index register xy. Returns false
// for the others, which then run unchanged.
Z80_INLINE bool exec_indexed(Z80 &z, uint8_t op, uint16_t &xy) {
    uint16_t nn;
    uint8_t v;
    switch (op) {
        case 0x09: xy = add16(z, xy, z.bc); tick(z, 11); break;  // ADD IX,BC
        case 0x19: xy = add16(z, xy, z.de); tick(z, 11); break;  // ADD IX,DE
        case 0x29: xy = add16(z, xy, xy); tick(z, 11); break;     // ADD IX,IX
        case 0x39: xy = add16(z, xy, z.sp); tick(z, 11); break;   // ADD IX,SP
        case 0x21: xy = fetch16(z); tick(z, 10); break;           // LD IX,nn
        case 0x22: wr16(z, fetch16(z), xy); tick(z, 16); break;   // LD (nn),IX
        case 0x2A: xy = rd16(z, fetch16(z)); tick(z, 16); break;  // LD IX,(nn)
        case 0x23: xy++; tick(z, 6); break;                       // INC IX
        case 0x2B: xy--; tick(z, 6); break;                       // DEC IX
        case 0x24: xy = uint16_t((xy & 0xFF) | inc8(z, uint8_t(xy >> 8)) << 8); tick(z, 4); break;  // INC IXH
        case 0x25: xy = uint16_t((xy & 0xFF) | dec8(z, uint8_t(xy >> 8)) << 8); tick(z, 4); break;  // DEC IXH
        case 0x2C: xy = uint16_t((xy & 0xFF00) | inc8(z, uint8_t(xy))); tick(z, 4); break;  // INC IXL
        case 0x2D: xy = uint16_t((xy & 0xFF00) | dec8(z, uint8_t(xy))); tick(z, 4); break;  // DEC IXL
        case 0x26: xy = uint16_t((xy & 0xFF) | fetch8(z) << 8); tick(z, 7); break;  // LD IXH,n
        case 0x2E: xy = uint16_t((xy & 0xFF00) | fetch8(z)); tick(z, 7); break;     // LD IXL,n
        case 0x34: nn = xaddr(z, xy); wr(z, nn, inc8(z, rd(z, nn))); tick(z, 19); break;  // INC (IX+d)
        case 0x35: nn = xaddr(z, xy); wr(z, nn, dec8(z, rd(z, nn))); tick(z, 19); break;  // DEC (IX+d)
        case 0x36: nn = xaddr(z, xy); v = fetch8(z); wr(z, nn, v); tick(z, 15); break;    // LD (IX+d),n
        case 0x44: set_hi(z.bc, uint8_t(xy >> 8)); tick(z, 4); break;  // LD B,IXH
        case 0x45: set_hi(z.bc, uint8_t(xy)); tick(z, 4); break;  // LD B,IXL
        case 0x46: set_hi(z.bc, rd(z, xaddr(z, xy))); tick(z, 15); break;  // LD B,(IX+d)
        case 0x4C: set_lo(z.bc, uint8_t(xy >> 8)); tick(z, 4); break;  // LD C,IXH
        case 0x4D: set_lo(z.bc, uint8_t(xy)); tick(z, 4); break;  // LD C,IXL
        case 0x4E: set_lo(z.bc, rd(z, xaddr(z, xy))); tick(z, 15); break;  // LD C,(IX+d)
        case 0x54: set_hi(z.de, uint8_t(xy >> 8)); tick(z, 4); break;  // LD D,IXH
        case 0x55: set_hi(z.de, uint8_t(xy)); tick(z, 4); break;  // LD D,IXL
        case 0x56: set_hi(z.de, rd(z, xaddr(z, xy))); tick(z, 15); break;  // LD D,(IX+d)
        case 0x5C: set_lo(z.de, uint8_t(xy >> 8)); tick(z, 4); break;  // LD E,IXH
        case 0x5D: set_lo(z.de, uint8_t(xy)); tick(z, 4); break;  // LD E,IXL
        case 0x5E: set_lo(z.de, rd(z, xaddr(z, xy))); tick(z, 15); break;  // LD E,(IX+d)
        case 0x60: xy = uint16_t((xy & 0x00FF) | (hi(z.bc) << 8)); tick(z, 4); break;  // LD IXH,B
        case 0x61: xy = uint16_t((xy & 0x00FF) | (lo(z.bc) << 8)); tick(z, 4); break;  // LD IXH,C
        case 0x62: xy = uint16_t((xy & 0x00FF) | (hi(z.de) << 8)); tick(z, 4); break;  // LD IXH,D
        case 0x63: xy = uint16_t((xy & 0x00FF) | (lo(z.de) << 8)); tick(z, 4); break;  // LD IXH,E
        case 0x64: tick(z, 4); break;  // LD IXH,IXH
        case 0x65: xy = uint16_t((xy & 0x00FF) | (uint8_t(xy) << 8)); tick(z, 4); break;  // LD IXH,IXL
        case 0x66: set_hi(z.hl, rd(z, xaddr(z, xy))); tick(z, 15); break;  // LD H,(IX+d)
        case 0x67: xy = uint16_t((xy & 0x00FF) | (z.a << 8)); tick(z, 4); break;  // LD IXH,A
        case 0x68: xy = uint16_t((xy & 0xFF00) | hi(z.bc)); tick(z, 4); break;  // LD IXL,B
        case 0x69: xy = uint16_t((xy & 0xFF00) | lo(z.bc)); tick(z, 4); break;  // LD IXL,C
        case 0x6A: xy = uint16_t((xy & 0xFF00) | hi(z.de)); tick(z, 4); break;  // LD IXL,D
        case 0x6B: xy = uint16_t((xy & 0xFF00) | lo(z.de)); tick(z, 4); break;  // LD IXL,E
        case 0x6C: xy = uint16_t((xy & 0xFF00) | uint8_t(xy >> 8)); tick(z, 4); break;  // LD IXL,IXH
        case 0x6D: tick(z, 4); break;  // LD IXL,IXL
        case 0x6E: set_lo(z.hl, rd(z, xaddr(z, xy))); tick(z, 15); break;  // LD L,(IX+d)
        case 0x6F: xy = uint16_t((xy & 0xFF00) | z.a); tick(z, 4); break;  // LD IXL,A
        case 0x70: wr(z, xaddr(z, xy), hi(z.bc)); tick(z, 15); break;  // LD (IX+d),B
        case 0x71: wr(z, xaddr(z, xy), lo(z.bc)); tick(z, 15); break;  // LD (IX+d),C
        case 0x72: wr(z, xaddr(z, xy), hi(z.de)); tick(z, 15); break;  // LD (IX+d),D
        case 0x73: wr(z, xaddr(z, xy), lo(z.de)); tick(z, 15); break;  // LD (IX+d),E
        case 0x74: wr(z, xaddr(z, xy), hi(z.hl)); tick(z, 15); break;  // LD (IX+d),H
        case 0x75: wr(z, xaddr(z, xy), lo(z.hl)); tick(z, 15); break;  // LD (IX+d),L
        case 0x77: wr(z, xaddr(z, xy), z.a); tick(z, 15); break;  // LD (IX+d),A
        case 0x7C: z.a = uint8_t(xy >> 8); tick(z, 4); break;  // LD A,IXH
        case 0x7D: z.a = uint8_t(xy); tick(z, 4); break;  // LD A,IXL
        case 0x7E: z.a = rd(z, xaddr(z, xy)); tick(z, 15); break;  // LD A,(IX+d)
        case 0x84: add8(z, uint8_t(xy >> 8), 0); tick(z, 4); break;  // ADD A,IXH
        case 0x85: add8(z, uint8_t(xy), 0); tick(z, 4); break;  // ADD A,IXL
        case 0x86: add8(z, rd(z, xaddr(z, xy)), 0); tick(z, 15); break;  // ADD A,(IX+d)
        case 0x8C: add8(z, uint8_t(xy >> 8), z.f & kFlagC); tick(z, 4); break;  // ADC A,IXH
        case 0x8D: add8(z, uint8_t(xy), z.f & kFlagC); tick(z, 4); break;  // ADC A,IXL
        case 0x8E: add8(z, rd(z, xaddr(z, xy)), z.f & kFlagC); tick(z, 15); break;  // ADC A,(IX+d)
        case 0x94: z.a = sub8(z, uint8_t(xy >> 8), 0); tick(z, 4); break;  // SUB IXH
        case 0x95: z.a = sub8(z, uint8_t(xy), 0); tick(z, 4); break;  // SUB IXL
        case 0x96: z.a = sub8(z, rd(z, xaddr(z, xy)), 0); tick(z, 15); break;  // SUB (IX+d)
        case 0x9C: z.a = sub8(z, uint8_t(xy >> 8), z.f & kFlagC); tick(z, 4); break;  // SBC A,IXH
        case 0x9D: z.a = sub8(z, uint8_t(xy), z.f & kFlagC); tick(z, 4); break;  // SBC A,IXL
        case 0x9E: z.a = sub8(z, rd(z, xaddr(z, xy)), z.f & kFlagC); tick(z, 15); break;  // SBC A,(IX+d)
        case 0xA4: and8(z, uint8_t(xy >> 8)); tick(z, 4); break;  // AND IXH
        case 0xA5: and8(z, uint8_t(xy)); tick(z, 4); break;  // AND IXL
        case 0xA6: and8(z, rd(z, xaddr(z, xy))); tick(z, 15); break;  // AND (IX+d)
        case 0xAC: xor8(z, uint8_t(xy >> 8)); tick(z, 4); break;  // XOR IXH
        case 0xAD: xor8(z, uint8_t(xy)); tick(z, 4); break;  // XOR IXL
        case 0xAE: xor8(z, rd(z, xaddr(z, xy))); tick(z, 15); break;  // XOR (IX+d)
        case 0xB4: or8(z, uint8_t(xy >> 8)); tick(z, 4); break;  // OR IXH
        case 0xB5: or8(z, uint8_t(xy)); tick(z, 4); break;  // OR IXL
        case 0xB6: or8(z, rd(z, xaddr(z, xy))); tick(z, 15); break;  // OR (IX+d)
        case 0xBC: cp8(z, uint8_t(xy >> 8)); tick(z, 4); break;  // CP IXH
        case 0xBD: cp8(z, uint8_t(xy)); tick(z, 4); break;  // CP IXL
        case 0xBE: cp8(z, rd(z, xaddr(z, xy))); tick(z, 15); break;  // CP (IX+d)
        case 0xCB: exec_index_cb(z, xy); break;        // DDCB / FDCB group
        case 0xE1: xy = pop(z); tick(z, 10); break;      // POP IX
        case 0xE3: ex_sp(z, xy); tick(z, 19); break;     // EX (SP),IX
        case 0xE5: push(z, xy); tick(z, 11); break;      // PUSH IX
        case 0xE9: z.pc = xy; tick(z, 4); break;         // JP (IX)
        case 0xF9: z.sp = xy; tick(z, 6); break;         // LD SP,IX
        default: return false;
    }
    return true;
}

Z80_INLINE void load_state(Z80 &z, const Machine *m) {
    z.a = m->a, z.f = m->f, z.alta = m->alta, z.altf = m->altf;
    z.bc = pair_of(m->b, m->c), z.de = pair_of(m->d, m->e), z.hl = pair_of(m->h, m->l);
    z.altbc = pair_of(m->altb, m->altc), z.altde = pair_of(m->altd, m->alte);
    z.althl = pair_of(m->alth, m->altl);
    z.i = m->i, z.iff1 = m->iff1, z.iff2 = m->iff2, z.im = m->im;
    z.pc = m->pc, z.sp = m->sp, z.ix = m->ix, z.iy = m->iy;
    z.base = m->tstates;
    z.clock = 0;
    z.r = m->r | 0x80;
    z.mem = m->rom;
    z.port = m->portfe;
    z.samplepos = 0;
}

Z80_INLINE void store_state(const Z80 &z, Machine *m) {
    m->a = z.a, m->f = z.f, m->alta = z.alta, m->altf = z.altf;
    m->b = hi(z.bc), m->c = lo(z.bc), m->d = hi(z.de), m->e = lo(z.de);
    m->h = hi(z.hl), m->l = lo(z.hl);
    m->altb = hi(z.altbc), m->altc = lo(z.altbc), m->altd = hi(z.altde), m->alte = lo(z.altde);
    m->alth = hi(z.althl), m->altl = lo(z.althl);
    m->i = z.i, m->iff1 = z.iff1, m->iff2 = z.iff2, m->im = z.im;
    m->pc = z.pc, m->sp = z.sp, m->ix = z.ix, m->iy = z.iy;
    m->tstates = tstates(z);
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
    // The flag tables through a pointer that the compiler cannot fold back into the
    // table's address: one register then serves every lookup, where the address itself
    // would be formed anew at each (position-independent code).
    z.flags = &kFlags;
    asm("" : "+r"(z.flags));
    load_state(z, m);
    m->speaker = 0;
    // The frame's interrupt stays requested until accepted; none in the very first frame.
    z.irq = m->counter != 0;
    const uint32_t limit = m->tslimit;

    // The unprefixed opcodes, as labels below: each handler ends by fetching and dispatching
    // the next opcode itself (threaded dispatch), which spares every step a jump back to a
    // common dispatch point.
    static const void *const kBase[256] = {
        &&op_00, &&op_01, &&op_02, &&op_03, &&op_04, &&op_05, &&op_06, &&op_07,
        &&op_08, &&op_09, &&op_0A, &&op_0B, &&op_0C, &&op_0D, &&op_0E, &&op_0F,
        &&op_10, &&op_11, &&op_12, &&op_13, &&op_14, &&op_15, &&op_16, &&op_17,
        &&op_18, &&op_19, &&op_1A, &&op_1B, &&op_1C, &&op_1D, &&op_1E, &&op_1F,
        &&op_20, &&op_21, &&op_22, &&op_23, &&op_24, &&op_25, &&op_26, &&op_27,
        &&op_28, &&op_29, &&op_2A, &&op_2B, &&op_2C, &&op_2D, &&op_2E, &&op_2F,
        &&op_30, &&op_31, &&op_32, &&op_33, &&op_34, &&op_35, &&op_36, &&op_37,
        &&op_38, &&op_39, &&op_3A, &&op_3B, &&op_3C, &&op_3D, &&op_3E, &&op_3F,
        &&op_40, &&op_41, &&op_42, &&op_43, &&op_44, &&op_45, &&op_46, &&op_47,
        &&op_48, &&op_49, &&op_4A, &&op_4B, &&op_4C, &&op_4D, &&op_4E, &&op_4F,
        &&op_50, &&op_51, &&op_52, &&op_53, &&op_54, &&op_55, &&op_56, &&op_57,
        &&op_58, &&op_59, &&op_5A, &&op_5B, &&op_5C, &&op_5D, &&op_5E, &&op_5F,
        &&op_60, &&op_61, &&op_62, &&op_63, &&op_64, &&op_65, &&op_66, &&op_67,
        &&op_68, &&op_69, &&op_6A, &&op_6B, &&op_6C, &&op_6D, &&op_6E, &&op_6F,
        &&op_70, &&op_71, &&op_72, &&op_73, &&op_74, &&op_75, &&op_76, &&op_77,
        &&op_78, &&op_79, &&op_7A, &&op_7B, &&op_7C, &&op_7D, &&op_7E, &&op_7F,
        &&op_80, &&op_81, &&op_82, &&op_83, &&op_84, &&op_85, &&op_86, &&op_87,
        &&op_88, &&op_89, &&op_8A, &&op_8B, &&op_8C, &&op_8D, &&op_8E, &&op_8F,
        &&op_90, &&op_91, &&op_92, &&op_93, &&op_94, &&op_95, &&op_96, &&op_97,
        &&op_98, &&op_99, &&op_9A, &&op_9B, &&op_9C, &&op_9D, &&op_9E, &&op_9F,
        &&op_A0, &&op_A1, &&op_A2, &&op_A3, &&op_A4, &&op_A5, &&op_A6, &&op_A7,
        &&op_A8, &&op_A9, &&op_AA, &&op_AB, &&op_AC, &&op_AD, &&op_AE, &&op_AF,
        &&op_B0, &&op_B1, &&op_B2, &&op_B3, &&op_B4, &&op_B5, &&op_B6, &&op_B7,
        &&op_B8, &&op_B9, &&op_BA, &&op_BB, &&op_BC, &&op_BD, &&op_BE, &&op_BF,
        &&op_C0, &&op_C1, &&op_C2, &&op_C3, &&op_C4, &&op_C5, &&op_C6, &&op_C7,
        &&op_C8, &&op_C9, &&op_CA, &&op_CB, &&op_CC, &&op_CD, &&op_CE, &&op_CF,
        &&op_D0, &&op_D1, &&op_D2, &&op_D3, &&op_D4, &&op_D5, &&op_D6, &&op_D7,
        &&op_D8, &&op_D9, &&op_DA, &&op_DB, &&op_DC, &&op_DD, &&op_DE, &&op_DF,
        &&op_E0, &&op_E1, &&op_E2, &&op_E3, &&op_E4, &&op_E5, &&op_E6, &&op_E7,
        &&op_E8, &&op_E9, &&op_EA, &&op_EB, &&op_EC, &&op_ED, &&op_EE, &&op_EF,
        &&op_F0, &&op_F1, &&op_F2, &&op_F3, &&op_F4, &&op_F5, &&op_F6, &&op_F7,
        &&op_F8, &&op_F9, &&op_FA, &&op_FB, &&op_FC, &&op_FD, &&op_FE, &&op_FF};
    uint8_t op;
    uint16_t nn;
    uint8_t v;

// The end of a step: while the clock's T-states are negative no interrupt check is needed at
// the next boundary. The next opcode's fetch is counted ahead, in the same addition as the
// step's T-states; step_end takes it back.
#define NEXT                                         \
    do {                                             \
        count_fetch(z);                              \
        if (int32_t(z.clock) >= 0) goto step_end;    \
        op = fetch8(z);                              \
        goto *kBase[op];                             \
    } while (0)

    // Every pass here is an instruction boundary inside the budget, with the interrupt
    // check. The steps that follow then run with no check while one cannot succeed: the
    // request has been accepted or lapses, or IFF1 is clear and only EI or RETN can set it,
    // and they end the run of steps (iff1_may_rise). Coming back here early is always safe,
    // since the end test and the check are repeated; so a run of steps may be cut short at
    // kMaxSteps T-states, which keeps the clock's fields apart for any limit.
boundary: {
        const uint32_t now = tstates(z);
        uint32_t room = now <= limit ? limit - now : 0;  // T-states that may still pass
        if (room > kMaxSteps) room = kMaxSteps;
        z.base = now + room + 1;
        z.clock = uint32_t(-int32_t(room + 1)) << kClockShift | fetch_count(z);
    }
    if (z.irq && z.iff1) {
        z.irq = false;
        z.iff1 = z.iff2 = 0;
        if (z.im == 2) {
            push(z, z.pc);
            tick(z, 19);
            z.pc = rd16(z, uint16_t(z.i << 8 | 0xFF));
            op = fetch8(z);
        } else {
            op = 0xFF;  // RST 38h, as if fetched, pc not advanced
        }
    } else {
        op = fetch8(z);
    }
    count_fetch(z);
    goto *kBase[op];

    op_00: tick(z, 4); NEXT;                                                // NOP
    op_01: z.bc = fetch16(z); tick(z, 10); NEXT;                            // LD BC,nn
    op_02: wr(z, z.bc, z.a); tick(z, 7); NEXT;                              // LD (BC),A
    op_03: z.bc = uint16_t(z.bc + 1); tick(z, 6); NEXT;                     // INC BC
    op_04: set_hi(z.bc, inc8(z, hi(z.bc))); tick(z, 4); NEXT;               // INC B
    op_05: set_hi(z.bc, dec8(z, hi(z.bc))); tick(z, 4); NEXT;               // DEC B
    op_06: set_hi(z.bc, fetch8(z)); tick(z, 7); NEXT;                       // LD B,n
    op_07:                                                        // RLCA
        z.a = uint8_t(z.a << 1 | z.a >> 7);
        z.f = uint8_t((z.f & (kFlagS | kFlagZ | kFlagPV)) | (z.a & 0x28) | (z.a & 1));
        tick(z, 4);
        NEXT;
    op_08:                                                        // EX AF,AF'
        v = z.a, z.a = z.alta, z.alta = v;
        v = z.f, z.f = z.altf, z.altf = v;
        tick(z, 4);
        NEXT;
    op_09: z.hl = add16(z, z.hl, z.bc); tick(z, 11); NEXT;                  // ADD HL,BC
    op_0A: z.a = rd(z, z.bc); tick(z, 7); NEXT;                             // LD A,(BC)
    op_0B: z.bc = uint16_t(z.bc - 1); tick(z, 6); NEXT;                     // DEC BC
    op_0C: set_lo(z.bc, inc8(z, lo(z.bc))); tick(z, 4); NEXT;               // INC C
    op_0D: set_lo(z.bc, dec8(z, lo(z.bc))); tick(z, 4); NEXT;               // DEC C
    op_0E: set_lo(z.bc, fetch8(z)); tick(z, 7); NEXT;                       // LD C,n
    op_0F:                                                        // RRCA
        z.f = uint8_t((z.f & (kFlagS | kFlagZ | kFlagPV)) | (z.a & 1));
        z.a = uint8_t(z.a >> 1 | z.a << 7);
        z.f |= z.a & 0x28;
        tick(z, 4);
        NEXT;
    op_10:                                                        // DJNZ e
        z.bc = uint16_t(z.bc - 0x100);  // B alone
        if (hi(z.bc)) {
            tick(z, 1);
            goto jr_taken;
        }
        not_taken(z, 1, 8);
        NEXT;
    op_11: z.de = fetch16(z); tick(z, 10); NEXT;                            // LD DE,nn
    op_12: wr(z, z.de, z.a); tick(z, 7); NEXT;                              // LD (DE),A
    op_13: z.de = uint16_t(z.de + 1); tick(z, 6); NEXT;                     // INC DE
    op_14: set_hi(z.de, inc8(z, hi(z.de))); tick(z, 4); NEXT;               // INC D
    op_15: set_hi(z.de, dec8(z, hi(z.de))); tick(z, 4); NEXT;               // DEC D
    op_16: set_hi(z.de, fetch8(z)); tick(z, 7); NEXT;                       // LD D,n
    op_17:                                                        // RLA
        v = z.a >> 7;
        z.a = uint8_t(z.a << 1 | (z.f & kFlagC));
        z.f = uint8_t((z.f & (kFlagS | kFlagZ | kFlagPV)) | (z.a & 0x28) | v);
        tick(z, 4);
        NEXT;
    op_18:                                                        // JR e
    jr_taken:  // JR cc,e and DJNZ e come here when taken
        z.pc = uint16_t(z.pc + 1 + int8_t(rd(z, z.pc)));
        tick(z, 12);
        NEXT;
    op_19: z.hl = add16(z, z.hl, z.de); tick(z, 11); NEXT;                  // ADD HL,DE
    op_1A: z.a = rd(z, z.de); tick(z, 7); NEXT;                             // LD A,(DE)
    op_1B: z.de = uint16_t(z.de - 1); tick(z, 6); NEXT;                     // DEC DE
    op_1C: set_lo(z.de, inc8(z, lo(z.de))); tick(z, 4); NEXT;               // INC E
    op_1D: set_lo(z.de, dec8(z, lo(z.de))); tick(z, 4); NEXT;               // DEC E
    op_1E: set_lo(z.de, fetch8(z)); tick(z, 7); NEXT;                       // LD E,n
    op_1F:                                                        // RRA
        v = z.a & 1;
        z.a = uint8_t(z.a >> 1 | (z.f & kFlagC) << 7);
        z.f = uint8_t((z.f & (kFlagS | kFlagZ | kFlagPV)) | (z.a & 0x28) | v);
        tick(z, 4);
        NEXT;
    op_20: if (!(z.f & kFlagZ)) goto jr_taken; not_taken(z, 1, 7); NEXT;  // JR NZ,e
    op_21: z.hl = fetch16(z); tick(z, 10); NEXT;                            // LD HL,nn
    op_22: wr16(z, fetch16(z), z.hl); tick(z, 16); NEXT;                    // LD (nn),HL
    op_23: z.hl = uint16_t(z.hl + 1); tick(z, 6); NEXT;                     // INC HL
    op_24: set_hi(z.hl, inc8(z, hi(z.hl))); tick(z, 4); NEXT;               // INC H
    op_25: set_hi(z.hl, dec8(z, hi(z.hl))); tick(z, 4); NEXT;               // DEC H
    op_26: set_hi(z.hl, fetch8(z)); tick(z, 7); NEXT;                       // LD H,n
    op_27: daa(z); tick(z, 4); NEXT;                                        // DAA
    op_28: if (z.f & kFlagZ) goto jr_taken; not_taken(z, 1, 7); NEXT;  // JR Z,e
    op_29: z.hl = add16(z, z.hl, z.hl); tick(z, 11); NEXT;                  // ADD HL,HL
    op_2A: z.hl = rd16(z, fetch16(z)); tick(z, 16); NEXT;                   // LD HL,(nn)
    op_2B: z.hl = uint16_t(z.hl - 1); tick(z, 6); NEXT;                     // DEC HL
    op_2C: set_lo(z.hl, inc8(z, lo(z.hl))); tick(z, 4); NEXT;               // INC L
    op_2D: set_lo(z.hl, dec8(z, lo(z.hl))); tick(z, 4); NEXT;               // DEC L
    op_2E: set_lo(z.hl, fetch8(z)); tick(z, 7); NEXT;                       // LD L,n
    op_2F:                                                        // CPL
        z.a = uint8_t(~z.a);
        z.f = uint8_t((z.f & (kFlagS | kFlagZ | kFlagPV | kFlagC)) | (z.a & 0x28) | kFlagH |
                      kFlagN);
        tick(z, 4);
        NEXT;
    op_30: if (!(z.f & kFlagC)) goto jr_taken; not_taken(z, 1, 7); NEXT;  // JR NC,e
    op_31: z.sp = fetch16(z); tick(z, 10); NEXT;                            // LD SP,nn
    op_32: wr(z, fetch16(z), z.a); tick(z, 13); NEXT;                       // LD (nn),A
    op_33: z.sp++; tick(z, 6); NEXT;                                        // INC SP
    op_34: wr(z, z.hl, inc8(z, rd(z, z.hl))); tick(z, 11); NEXT;            // INC (HL)
    op_35: wr(z, z.hl, dec8(z, rd(z, z.hl))); tick(z, 11); NEXT;            // DEC (HL)
    op_36: wr(z, z.hl, fetch8(z)); tick(z, 10); NEXT;                       // LD (HL),n
    op_37:                                                        // SCF
        z.f = uint8_t((z.f & (kFlagS | kFlagZ | kFlagPV)) | (z.a & 0x28) | kFlagC);
        tick(z, 4);
        NEXT;
    op_38: if (z.f & kFlagC) goto jr_taken; not_taken(z, 1, 7); NEXT;  // JR C,e
    op_39: z.hl = add16(z, z.hl, z.sp); tick(z, 11); NEXT;                  // ADD HL,SP
    op_3A: z.a = rd(z, fetch16(z)); tick(z, 13); NEXT;                      // LD A,(nn)
    op_3B: z.sp--; tick(z, 6); NEXT;                                        // DEC SP
    op_3C: z.a = inc8(z, z.a); tick(z, 4); NEXT;                            // INC A
    op_3D: z.a = dec8(z, z.a); tick(z, 4); NEXT;                            // DEC A
    op_3E: z.a = fetch8(z); tick(z, 7); NEXT;                               // LD A,n
    op_3F:                                                        // CCF
        z.f = uint8_t((z.f & (kFlagS | kFlagZ | kFlagPV)) | (z.a & 0x28) |
                      ((z.f & kFlagC) ? kFlagH : 0) | ((z.f & kFlagC) ^ kFlagC));
        tick(z, 4);
        NEXT;
    op_40: tick(z, 4); NEXT;                                                // LD B,B
    op_41: set_hi(z.bc, lo(z.bc)); tick(z, 4); NEXT;                        // LD B,C
    op_42: set_hi(z.bc, hi(z.de)); tick(z, 4); NEXT;                        // LD B,D
    op_43: set_hi(z.bc, lo(z.de)); tick(z, 4); NEXT;                        // LD B,E
    op_44: set_hi(z.bc, hi(z.hl)); tick(z, 4); NEXT;                        // LD B,H
    op_45: set_hi(z.bc, lo(z.hl)); tick(z, 4); NEXT;                        // LD B,L
    op_46: set_hi(z.bc, rd(z, z.hl)); tick(z, 7); NEXT;                     // LD B,(HL)
    op_47: set_hi(z.bc, z.a); tick(z, 4); NEXT;                             // LD B,A
    op_48: set_lo(z.bc, hi(z.bc)); tick(z, 4); NEXT;                        // LD C,B
    op_49: tick(z, 4); NEXT;                                                // LD C,C
    op_4A: set_lo(z.bc, hi(z.de)); tick(z, 4); NEXT;                        // LD C,D
    op_4B: set_lo(z.bc, lo(z.de)); tick(z, 4); NEXT;                        // LD C,E
    op_4C: set_lo(z.bc, hi(z.hl)); tick(z, 4); NEXT;                        // LD C,H
    op_4D: set_lo(z.bc, lo(z.hl)); tick(z, 4); NEXT;                        // LD C,L
    op_4E: set_lo(z.bc, rd(z, z.hl)); tick(z, 7); NEXT;                     // LD C,(HL)
    op_4F: set_lo(z.bc, z.a); tick(z, 4); NEXT;                             // LD C,A
    op_50: set_hi(z.de, hi(z.bc)); tick(z, 4); NEXT;                        // LD D,B
    op_51: set_hi(z.de, lo(z.bc)); tick(z, 4); NEXT;                        // LD D,C
    op_52: tick(z, 4); NEXT;                                                // LD D,D
    op_53: set_hi(z.de, lo(z.de)); tick(z, 4); NEXT;                        // LD D,E
    op_54: set_hi(z.de, hi(z.hl)); tick(z, 4); NEXT;                        // LD D,H
    op_55: set_hi(z.de, lo(z.hl)); tick(z, 4); NEXT;                        // LD D,L
    op_56: set_hi(z.de, rd(z, z.hl)); tick(z, 7); NEXT;                     // LD D,(HL)
    op_57: set_hi(z.de, z.a); tick(z, 4); NEXT;                             // LD D,A
    op_58: set_lo(z.de, hi(z.bc)); tick(z, 4); NEXT;                        // LD E,B
    op_59: set_lo(z.de, lo(z.bc)); tick(z, 4); NEXT;                        // LD E,C
    op_5A: set_lo(z.de, hi(z.de)); tick(z, 4); NEXT;                        // LD E,D
    op_5B: tick(z, 4); NEXT;                                                // LD E,E
    op_5C: set_lo(z.de, hi(z.hl)); tick(z, 4); NEXT;                        // LD E,H
    op_5D: set_lo(z.de, lo(z.hl)); tick(z, 4); NEXT;                        // LD E,L
    op_5E: set_lo(z.de, rd(z, z.hl)); tick(z, 7); NEXT;                     // LD E,(HL)
    op_5F: set_lo(z.de, z.a); tick(z, 4); NEXT;                             // LD E,A
    op_60: set_hi(z.hl, hi(z.bc)); tick(z, 4); NEXT;                        // LD H,B
    op_61: set_hi(z.hl, lo(z.bc)); tick(z, 4); NEXT;                        // LD H,C
    op_62: set_hi(z.hl, hi(z.de)); tick(z, 4); NEXT;                        // LD H,D
    op_63: set_hi(z.hl, lo(z.de)); tick(z, 4); NEXT;                        // LD H,E
    op_64: tick(z, 4); NEXT;                                                // LD H,H
    op_65: set_hi(z.hl, lo(z.hl)); tick(z, 4); NEXT;                        // LD H,L
    op_66: set_hi(z.hl, rd(z, z.hl)); tick(z, 7); NEXT;                     // LD H,(HL)
    op_67: set_hi(z.hl, z.a); tick(z, 4); NEXT;                             // LD H,A
    op_68: set_lo(z.hl, hi(z.bc)); tick(z, 4); NEXT;                        // LD L,B
    op_69: set_lo(z.hl, lo(z.bc)); tick(z, 4); NEXT;                        // LD L,C
    op_6A: set_lo(z.hl, hi(z.de)); tick(z, 4); NEXT;                        // LD L,D
    op_6B: set_lo(z.hl, lo(z.de)); tick(z, 4); NEXT;                        // LD L,E
    op_6C: set_lo(z.hl, hi(z.hl)); tick(z, 4); NEXT;                        // LD L,H
    op_6D: tick(z, 4); NEXT;                                                // LD L,L
    op_6E: set_lo(z.hl, rd(z, z.hl)); tick(z, 7); NEXT;                     // LD L,(HL)
    op_6F: set_lo(z.hl, z.a); tick(z, 4); NEXT;                             // LD L,A
    op_70: wr(z, z.hl, hi(z.bc)); tick(z, 7); NEXT;                         // LD (HL),B
    op_71: wr(z, z.hl, lo(z.bc)); tick(z, 7); NEXT;                         // LD (HL),C
    op_72: wr(z, z.hl, hi(z.de)); tick(z, 7); NEXT;                         // LD (HL),D
    op_73: wr(z, z.hl, lo(z.de)); tick(z, 7); NEXT;                         // LD (HL),E
    op_74: wr(z, z.hl, hi(z.hl)); tick(z, 7); NEXT;                         // LD (HL),H
    op_75: wr(z, z.hl, lo(z.hl)); tick(z, 7); NEXT;                         // LD (HL),L
    op_77: wr(z, z.hl, z.a); tick(z, 7); NEXT;                              // LD (HL),A
    op_78: z.a = hi(z.bc); tick(z, 4); NEXT;                                // LD A,B
    op_79: z.a = lo(z.bc); tick(z, 4); NEXT;                                // LD A,C
    op_7A: z.a = hi(z.de); tick(z, 4); NEXT;                                // LD A,D
    op_7B: z.a = lo(z.de); tick(z, 4); NEXT;                                // LD A,E
    op_7C: z.a = hi(z.hl); tick(z, 4); NEXT;                                // LD A,H
    op_7D: z.a = lo(z.hl); tick(z, 4); NEXT;                                // LD A,L
    op_7E: z.a = rd(z, z.hl); tick(z, 7); NEXT;                             // LD A,(HL)
    op_7F: tick(z, 4); NEXT;                                                // LD A,A
    op_80: add8(z, hi(z.bc), 0); tick(z, 4); NEXT;                          // ADD A,B
    op_81: add8(z, lo(z.bc), 0); tick(z, 4); NEXT;                          // ADD A,C
    op_82: add8(z, hi(z.de), 0); tick(z, 4); NEXT;                          // ADD A,D
    op_83: add8(z, lo(z.de), 0); tick(z, 4); NEXT;                          // ADD A,E
    op_84: add8(z, hi(z.hl), 0); tick(z, 4); NEXT;                          // ADD A,H
    op_85: add8(z, lo(z.hl), 0); tick(z, 4); NEXT;                          // ADD A,L
    op_86: add8(z, rd(z, z.hl), 0); tick(z, 7); NEXT;                       // ADD A,(HL)
    op_87: add8(z, z.a, 0); tick(z, 4); NEXT;                               // ADD A,A
    op_88: add8(z, hi(z.bc), z.f & kFlagC); tick(z, 4); NEXT;               // ADC A,B
    op_89: add8(z, lo(z.bc), z.f & kFlagC); tick(z, 4); NEXT;               // ADC A,C
    op_8A: add8(z, hi(z.de), z.f & kFlagC); tick(z, 4); NEXT;               // ADC A,D
    op_8B: add8(z, lo(z.de), z.f & kFlagC); tick(z, 4); NEXT;               // ADC A,E
    op_8C: add8(z, hi(z.hl), z.f & kFlagC); tick(z, 4); NEXT;               // ADC A,H
    op_8D: add8(z, lo(z.hl), z.f & kFlagC); tick(z, 4); NEXT;               // ADC A,L
    op_8E: add8(z, rd(z, z.hl), z.f & kFlagC); tick(z, 7); NEXT;            // ADC A,(HL)
    op_8F: add8(z, z.a, z.f & kFlagC); tick(z, 4); NEXT;                    // ADC A,A
    op_90: z.a = sub8(z, hi(z.bc), 0); tick(z, 4); NEXT;                    // SUB B
    op_91: z.a = sub8(z, lo(z.bc), 0); tick(z, 4); NEXT;                    // SUB C
    op_92: z.a = sub8(z, hi(z.de), 0); tick(z, 4); NEXT;                    // SUB D
    op_93: z.a = sub8(z, lo(z.de), 0); tick(z, 4); NEXT;                    // SUB E
    op_94: z.a = sub8(z, hi(z.hl), 0); tick(z, 4); NEXT;                    // SUB H
    op_95: z.a = sub8(z, lo(z.hl), 0); tick(z, 4); NEXT;                    // SUB L
    op_96: z.a = sub8(z, rd(z, z.hl), 0); tick(z, 7); NEXT;                 // SUB (HL)
    op_97: z.a = sub8(z, z.a, 0); tick(z, 4); NEXT;                         // SUB A
    op_98: z.a = sub8(z, hi(z.bc), z.f & kFlagC); tick(z, 4); NEXT;         // SBC A,B
    op_99: z.a = sub8(z, lo(z.bc), z.f & kFlagC); tick(z, 4); NEXT;         // SBC A,C
    op_9A: z.a = sub8(z, hi(z.de), z.f & kFlagC); tick(z, 4); NEXT;         // SBC A,D
    op_9B: z.a = sub8(z, lo(z.de), z.f & kFlagC); tick(z, 4); NEXT;         // SBC A,E
    op_9C: z.a = sub8(z, hi(z.hl), z.f & kFlagC); tick(z, 4); NEXT;         // SBC A,H
    op_9D: z.a = sub8(z, lo(z.hl), z.f & kFlagC); tick(z, 4); NEXT;         // SBC A,L
    op_9E: z.a = sub8(z, rd(z, z.hl), z.f & kFlagC); tick(z, 7); NEXT;      // SBC A,(HL)
    op_9F: z.a = sub8(z, z.a, z.f & kFlagC); tick(z, 4); NEXT;              // SBC A,A
    op_A0: and8(z, hi(z.bc)); tick(z, 4); NEXT;                             // AND B
    op_A1: and8(z, lo(z.bc)); tick(z, 4); NEXT;                             // AND C
    op_A2: and8(z, hi(z.de)); tick(z, 4); NEXT;                             // AND D
    op_A3: and8(z, lo(z.de)); tick(z, 4); NEXT;                             // AND E
    op_A4: and8(z, hi(z.hl)); tick(z, 4); NEXT;                             // AND H
    op_A5: and8(z, lo(z.hl)); tick(z, 4); NEXT;                             // AND L
    op_A6: and8(z, rd(z, z.hl)); tick(z, 7); NEXT;                          // AND (HL)
    op_A7: and8(z, z.a); tick(z, 4); NEXT;                                  // AND A
    op_A8: xor8(z, hi(z.bc)); tick(z, 4); NEXT;                             // XOR B
    op_A9: xor8(z, lo(z.bc)); tick(z, 4); NEXT;                             // XOR C
    op_AA: xor8(z, hi(z.de)); tick(z, 4); NEXT;                             // XOR D
    op_AB: xor8(z, lo(z.de)); tick(z, 4); NEXT;                             // XOR E
    op_AC: xor8(z, hi(z.hl)); tick(z, 4); NEXT;                             // XOR H
    op_AD: xor8(z, lo(z.hl)); tick(z, 4); NEXT;                             // XOR L
    op_AE: xor8(z, rd(z, z.hl)); tick(z, 7); NEXT;                          // XOR (HL)
    op_AF: xor8(z, z.a); tick(z, 4); NEXT;                                  // XOR A
    op_B0: or8(z, hi(z.bc)); tick(z, 4); NEXT;                              // OR B
    op_B1: or8(z, lo(z.bc)); tick(z, 4); NEXT;                              // OR C
    op_B2: or8(z, hi(z.de)); tick(z, 4); NEXT;                              // OR D
    op_B3: or8(z, lo(z.de)); tick(z, 4); NEXT;                              // OR E
    op_B4: or8(z, hi(z.hl)); tick(z, 4); NEXT;                              // OR H
    op_B5: or8(z, lo(z.hl)); tick(z, 4); NEXT;                              // OR L
    op_B6: or8(z, rd(z, z.hl)); tick(z, 7); NEXT;                           // OR (HL)
    op_B7: or8(z, z.a); tick(z, 4); NEXT;                                   // OR A
    op_B8: cp8(z, hi(z.bc)); tick(z, 4); NEXT;                              // CP B
    op_B9: cp8(z, lo(z.bc)); tick(z, 4); NEXT;                              // CP C
    op_BA: cp8(z, hi(z.de)); tick(z, 4); NEXT;                              // CP D
    op_BB: cp8(z, lo(z.de)); tick(z, 4); NEXT;                              // CP E
    op_BC: cp8(z, hi(z.hl)); tick(z, 4); NEXT;                              // CP H
    op_BD: cp8(z, lo(z.hl)); tick(z, 4); NEXT;                              // CP L
    op_BE: cp8(z, rd(z, z.hl)); tick(z, 7); NEXT;                           // CP (HL)
    op_BF: cp8(z, z.a); tick(z, 4); NEXT;                                   // CP A
    op_76:                                                        // HALT
        // Too many T-states for the clock: they go to base, and the run of steps ends here
        // (step_end takes back the fetch it expects counted ahead).
        z.base += kHaltTstates;
        count_fetch(z);
        goto step_end;
    op_C0: if (cond(z, 0)) goto ret_taken; tick(z, 5); NEXT;  // RET NZ
    op_C1: z.bc = pop(z); tick(z, 10); NEXT;                                // POP BC
    op_C2: jp(z, cond(z, 0)); NEXT;                                       // JP NZ,nn
    op_C3: jp(z, true); NEXT;                                             // JP nn
    op_C4: if (cond(z, 0)) goto op_CD; not_taken(z, 2, 10); NEXT;  // CALL NZ,nn
    op_C5: push(z, z.bc); tick(z, 11); NEXT;                                // PUSH BC
    op_C6: add8(z, fetch8(z), 0); tick(z, 7); NEXT;                         // ADD A,n
    op_C7: rst(z, 0x00); NEXT;                                            // RST 00h
    op_C8: if (cond(z, 1)) goto ret_taken; tick(z, 5); NEXT;  // RET Z
    ret_taken:  // RET cc comes here when taken, one T-state more
        tick(z, 1);
    op_C9: z.pc = pop(z); tick(z, 10); NEXT;                                // RET
    op_CA: jp(z, cond(z, 1)); NEXT;                                       // JP Z,nn
    op_CB: exec_cb(z); NEXT;                                              // CB prefix
    op_CC: if (cond(z, 1)) goto op_CD; not_taken(z, 2, 10); NEXT;  // CALL Z,nn
    op_CD:                                                        // CALL nn, CALL cc,nn taken
        nn = fetch16(z);
        push(z, z.pc);
        z.pc = nn;
        tick(z, 17);
        NEXT;
    op_CE: add8(z, fetch8(z), z.f & kFlagC); tick(z, 7); NEXT;              // ADC A,n
    op_CF: rst(z, 0x08); NEXT;                                            // RST 08h
    op_D0: if (cond(z, 2)) goto ret_taken; tick(z, 5); NEXT;  // RET NC
    op_D1: z.de = pop(z); tick(z, 10); NEXT;                                // POP DE
    op_D2: jp(z, cond(z, 2)); NEXT;                                       // JP NC,nn
    op_D3:                                                        // OUT (n),A
        v = fetch8(z);
        tick(z, 11);
        out_port(z, v, z.a, tstates(z));
        NEXT;
    op_D4: if (cond(z, 2)) goto op_CD; not_taken(z, 2, 10); NEXT;  // CALL NC,nn
    op_D5: push(z, z.de); tick(z, 11); NEXT;                                // PUSH DE
    op_D6: z.a = sub8(z, fetch8(z), 0); tick(z, 7); NEXT;                   // SUB n
    op_D7: rst(z, 0x10); NEXT;                                            // RST 10h
    op_D8: if (cond(z, 3)) goto ret_taken; tick(z, 5); NEXT;  // RET C
    op_D9:                                                        // EXX
        nn = z.bc, z.bc = z.altbc, z.altbc = nn;
        nn = z.de, z.de = z.altde, z.altde = nn;
        nn = z.hl, z.hl = z.althl, z.althl = nn;
        tick(z, 4);
        NEXT;
    op_DA: jp(z, cond(z, 3)); NEXT;                                       // JP C,nn
    op_DB:                                                        // IN A,(n)
        v = fetch8(z);
        tick(z, 11);
        z.a = port_read(v, z.a, z.input);
        if (v == 0xFE && z.m->ear.active) [[unlikely]]
            z.a = ear_loader_read(&z.m->ear, z.a, tstates(z), z.pc, z.sp);
        NEXT;
    op_DC: if (cond(z, 3)) goto op_CD; not_taken(z, 2, 10); NEXT;  // CALL C,nn
    op_DE: z.a = sub8(z, fetch8(z), z.f & kFlagC); tick(z, 7); NEXT;        // SBC A,n
    op_DF: rst(z, 0x18); NEXT;                                            // RST 18h
    op_E0: if (cond(z, 4)) goto ret_taken; tick(z, 5); NEXT;  // RET PO
    op_E1: z.hl = pop(z); tick(z, 10); NEXT;                                // POP HL
    op_E2: jp(z, cond(z, 4)); NEXT;                                       // JP PO,nn
    op_E3:                                                        // EX (SP),HL
        nn = z.hl;
        ex_sp(z, nn);
        z.hl = nn;
        tick(z, 19);
        NEXT;
    op_E4: if (cond(z, 4)) goto op_CD; not_taken(z, 2, 10); NEXT;  // CALL PO,nn
    op_E5: push(z, z.hl); tick(z, 11); NEXT;                                // PUSH HL
    op_E6: and8(z, fetch8(z)); tick(z, 7); NEXT;                            // AND n
    op_E7: rst(z, 0x20); NEXT;                                            // RST 20h
    op_E8: if (cond(z, 5)) goto ret_taken; tick(z, 5); NEXT;  // RET PE
    op_E9: z.pc = z.hl; tick(z, 4); NEXT;                                   // JP (HL)
    op_EA: jp(z, cond(z, 5)); NEXT;                                       // JP PE,nn
    op_EB:                                                        // EX DE,HL
        nn = z.de, z.de = z.hl, z.hl = nn;
        tick(z, 4);
        NEXT;
    op_EC: if (cond(z, 5)) goto op_CD; not_taken(z, 2, 10); NEXT;  // CALL PE,nn
    op_ED: exec_ed(z); NEXT;                                              // ED prefix
    op_EE: xor8(z, fetch8(z)); tick(z, 7); NEXT;                            // XOR n
    op_EF: rst(z, 0x28); NEXT;                                            // RST 28h
    op_F0: if (cond(z, 6)) goto ret_taken; tick(z, 5); NEXT;  // RET P
    op_F1: set_af(z, pop(z)); tick(z, 10); NEXT;                            // POP AF
    op_F2: jp(z, cond(z, 6)); NEXT;                                       // JP P,nn
    op_F3: z.iff1 = z.iff2 = 0; tick(z, 4); NEXT;                           // DI
    op_F4: if (cond(z, 6)) goto op_CD; not_taken(z, 2, 10); NEXT;  // CALL P,nn
    op_F5: push(z, af(z)); tick(z, 11); NEXT;                               // PUSH AF
    op_F6: or8(z, fetch8(z)); tick(z, 7); NEXT;                             // OR n
    op_F7: rst(z, 0x30); NEXT;                                            // RST 30h
    op_F8: if (cond(z, 7)) goto ret_taken; tick(z, 5); NEXT;  // RET M
    op_F9: z.sp = z.hl; tick(z, 6); NEXT;                                   // LD SP,HL
    op_FA: jp(z, cond(z, 7)); NEXT;                                       // JP M,nn
    op_FB: z.iff1 = z.iff2 = 1; iff1_may_rise(z); tick(z, 4); NEXT;         // EI
    op_FC: if (cond(z, 7)) goto op_CD; not_taken(z, 2, 10); NEXT;  // CALL M,nn
    op_FE: cp8(z, fetch8(z)); tick(z, 7); NEXT;                             // CP n
    op_FF: rst(z, 0x38); NEXT;                                            // RST 38h
    // Each prefix is a step of its own, 4 T-states and one fetch, and the last one decides.
    // The interrupt check between such steps always fails (a prefix step begins with the
    // interrupt taken, not pending or IFF1 clear, and changes none of them), and the budget
    // is never checked there, so the chain runs in one go. The index register travels by
    // value so that the working state stays in registers rather than behind an address; an
    // opcode that the prefix does not change runs as it is.
    op_DD:
        tick(z, 4);
        op = fetch8(z);
        count_fetch(z);
        if (op == 0xDD || op == 0xFD) [[unlikely]] {
            // A long chain must not overflow the clock's fields: once past the end of the
            // run of steps, each further prefix moves the clock into base.
            if (int32_t(z.clock) >= 0) clock_rebase(z);
            if (op == 0xDD) goto op_DD;
            goto op_FD;
        }
        {
            uint16_t xy = z.ix;
            bool changed = exec_indexed(z, op, xy);
            z.ix = xy;
            if (!changed) goto *kBase[op];
        }
        NEXT;
    op_FD:
        tick(z, 4);
        op = fetch8(z);
        count_fetch(z);
        if (op == 0xDD || op == 0xFD) [[unlikely]] {
            // A long chain must not overflow the clock's fields: once past the end of the
            // run of steps, each further prefix moves the clock into base.
            if (int32_t(z.clock) >= 0) clock_rebase(z);
            if (op == 0xDD) goto op_DD;
            goto op_FD;
        }
        {
            uint16_t xy = z.iy;
            bool changed = exec_indexed(z, op, xy);
            z.iy = xy;
            if (!changed) goto *kBase[op];
        }
        NEXT;
#undef NEXT

step_end:
    z.clock -= kClockFetch;  // the fetch counted ahead did not happen
    if (tstates(z) <= limit) goto boundary;

    store_state(z, m);
    if (z.samplepos < kFrameSamples)
        std::memset(m->sndring + m->sndread * kFrameSamples + z.samplepos, m->speaker,
                    kFrameSamples - z.samplepos);
}
