// CB-prefixed instructions, and the DDCB/FDCB group on (IX+d) / (IY+d).
#pragma once

#include "machine/z80_state.h"

// The register of field 0-7 other than 6, for the DDCB/FDCB copies (the real H and L).
Z80_INLINE void set_reg(Z80 &z, int field, uint8_t v) {
    switch (field) {
        case 0: set_hi(z.bc, v); break;
        case 1: set_lo(z.bc, v); break;
        case 2: set_hi(z.de, v); break;
        case 3: set_lo(z.de, v); break;
        case 4: set_hi(z.hl, v); break;
        case 5: set_lo(z.hl, v); break;
        case 7: z.a = v; break;
        default: break;
    }
}

// The eight rotates and shifts by their field (x >> 3) of CB 00-3F.
Z80_INLINE uint8_t rotate(Z80 &z, int kind, uint8_t v) {
    switch (kind) {
        case 0: return rlc(z, v);
        case 1: return rrc(z, v);
        case 2: return rl(z, v);
        case 3: return rr(z, v);
        case 4: return sla(z, v);
        case 5: return sra(z, v);
        case 6: return sll(z, v);
        default: return srl(z, v);
    }
}

// BIT, RES and SET of bit n on B, C, D, E, H, L, (HL) and A: the opcode bytes
// 0x40 | n << 3 onwards (BIT), 0x80 | n << 3 (RES) and 0xC0 | n << 3 (SET).
#define CB_BIT_RES_SET(n)                                                                  \
    case 0x40 | n << 3: bit8(z, 1 << n, hi(z.bc)); tick(z, 8); break;                     \
    case 0x41 | n << 3: bit8(z, 1 << n, lo(z.bc)); tick(z, 8); break;                     \
    case 0x42 | n << 3: bit8(z, 1 << n, hi(z.de)); tick(z, 8); break;                     \
    case 0x43 | n << 3: bit8(z, 1 << n, lo(z.de)); tick(z, 8); break;                     \
    case 0x44 | n << 3: bit8(z, 1 << n, hi(z.hl)); tick(z, 8); break;                     \
    case 0x45 | n << 3: bit8(z, 1 << n, lo(z.hl)); tick(z, 8); break;                     \
    case 0x46 | n << 3: bit8(z, 1 << n, rd(z, z.hl)); tick(z, 12); break;                 \
    case 0x47 | n << 3: bit8(z, 1 << n, z.a); tick(z, 8); break;                          \
    case 0x80 | n << 3: set_hi(z.bc, hi(z.bc) & ~(1 << n)); tick(z, 8); break;            \
    case 0x81 | n << 3: set_lo(z.bc, lo(z.bc) & ~(1 << n)); tick(z, 8); break;            \
    case 0x82 | n << 3: set_hi(z.de, hi(z.de) & ~(1 << n)); tick(z, 8); break;            \
    case 0x83 | n << 3: set_lo(z.de, lo(z.de) & ~(1 << n)); tick(z, 8); break;            \
    case 0x84 | n << 3: set_hi(z.hl, hi(z.hl) & ~(1 << n)); tick(z, 8); break;            \
    case 0x85 | n << 3: set_lo(z.hl, lo(z.hl) & ~(1 << n)); tick(z, 8); break;            \
    case 0x86 | n << 3: wr(z, z.hl, rd(z, z.hl) & ~(1 << n)); tick(z, 15); break;         \
    case 0x87 | n << 3: z.a &= ~(1 << n); tick(z, 8); break;                              \
    case 0xC0 | n << 3: set_hi(z.bc, hi(z.bc) | 1 << n); tick(z, 8); break;               \
    case 0xC1 | n << 3: set_lo(z.bc, lo(z.bc) | 1 << n); tick(z, 8); break;               \
    case 0xC2 | n << 3: set_hi(z.de, hi(z.de) | 1 << n); tick(z, 8); break;               \
    case 0xC3 | n << 3: set_lo(z.de, lo(z.de) | 1 << n); tick(z, 8); break;               \
    case 0xC4 | n << 3: set_hi(z.hl, hi(z.hl) | 1 << n); tick(z, 8); break;               \
    case 0xC5 | n << 3: set_lo(z.hl, lo(z.hl) | 1 << n); tick(z, 8); break;               \
    case 0xC6 | n << 3: wr(z, z.hl, rd(z, z.hl) | 1 << n); tick(z, 15); break;            \
    case 0xC7 | n << 3: z.a |= 1 << n; tick(z, 8); break;

// After CB: the opcode byte is one more fetch: one case per byte.
Z80_INLINE void exec_cb(Z80 &z) {
    uint8_t x = fetch8(z);
    count_fetch(z);
    switch (x) {
        case 0x00: set_hi(z.bc, rlc(z, hi(z.bc))); tick(z, 8); break;  // RLC B
        case 0x01: set_lo(z.bc, rlc(z, lo(z.bc))); tick(z, 8); break;  // RLC C
        case 0x02: set_hi(z.de, rlc(z, hi(z.de))); tick(z, 8); break;  // RLC D
        case 0x03: set_lo(z.de, rlc(z, lo(z.de))); tick(z, 8); break;  // RLC E
        case 0x04: set_hi(z.hl, rlc(z, hi(z.hl))); tick(z, 8); break;  // RLC H
        case 0x05: set_lo(z.hl, rlc(z, lo(z.hl))); tick(z, 8); break;  // RLC L
        case 0x06: wr(z, z.hl, rlc(z, rd(z, z.hl))); tick(z, 15); break;  // RLC (HL)
        case 0x07: z.a = rlc(z, z.a); tick(z, 8); break;  // RLC A
        case 0x08: set_hi(z.bc, rrc(z, hi(z.bc))); tick(z, 8); break;  // RRC B
        case 0x09: set_lo(z.bc, rrc(z, lo(z.bc))); tick(z, 8); break;  // RRC C
        case 0x0A: set_hi(z.de, rrc(z, hi(z.de))); tick(z, 8); break;  // RRC D
        case 0x0B: set_lo(z.de, rrc(z, lo(z.de))); tick(z, 8); break;  // RRC E
        case 0x0C: set_hi(z.hl, rrc(z, hi(z.hl))); tick(z, 8); break;  // RRC H
        case 0x0D: set_lo(z.hl, rrc(z, lo(z.hl))); tick(z, 8); break;  // RRC L
        case 0x0E: wr(z, z.hl, rrc(z, rd(z, z.hl))); tick(z, 15); break;  // RRC (HL)
        case 0x0F: z.a = rrc(z, z.a); tick(z, 8); break;  // RRC A
        case 0x10: set_hi(z.bc, rl(z, hi(z.bc))); tick(z, 8); break;  // RL B
        case 0x11: set_lo(z.bc, rl(z, lo(z.bc))); tick(z, 8); break;  // RL C
        case 0x12: set_hi(z.de, rl(z, hi(z.de))); tick(z, 8); break;  // RL D
        case 0x13: set_lo(z.de, rl(z, lo(z.de))); tick(z, 8); break;  // RL E
        case 0x14: set_hi(z.hl, rl(z, hi(z.hl))); tick(z, 8); break;  // RL H
        case 0x15: set_lo(z.hl, rl(z, lo(z.hl))); tick(z, 8); break;  // RL L
        case 0x16: wr(z, z.hl, rl(z, rd(z, z.hl))); tick(z, 15); break;  // RL (HL)
        case 0x17: z.a = rl(z, z.a); tick(z, 8); break;  // RL A
        case 0x18: set_hi(z.bc, rr(z, hi(z.bc))); tick(z, 8); break;  // RR B
        case 0x19: set_lo(z.bc, rr(z, lo(z.bc))); tick(z, 8); break;  // RR C
        case 0x1A: set_hi(z.de, rr(z, hi(z.de))); tick(z, 8); break;  // RR D
        case 0x1B: set_lo(z.de, rr(z, lo(z.de))); tick(z, 8); break;  // RR E
        case 0x1C: set_hi(z.hl, rr(z, hi(z.hl))); tick(z, 8); break;  // RR H
        case 0x1D: set_lo(z.hl, rr(z, lo(z.hl))); tick(z, 8); break;  // RR L
        case 0x1E: wr(z, z.hl, rr(z, rd(z, z.hl))); tick(z, 15); break;  // RR (HL)
        case 0x1F: z.a = rr(z, z.a); tick(z, 8); break;  // RR A
        case 0x20: set_hi(z.bc, sla(z, hi(z.bc))); tick(z, 8); break;  // SLA B
        case 0x21: set_lo(z.bc, sla(z, lo(z.bc))); tick(z, 8); break;  // SLA C
        case 0x22: set_hi(z.de, sla(z, hi(z.de))); tick(z, 8); break;  // SLA D
        case 0x23: set_lo(z.de, sla(z, lo(z.de))); tick(z, 8); break;  // SLA E
        case 0x24: set_hi(z.hl, sla(z, hi(z.hl))); tick(z, 8); break;  // SLA H
        case 0x25: set_lo(z.hl, sla(z, lo(z.hl))); tick(z, 8); break;  // SLA L
        case 0x26: wr(z, z.hl, sla(z, rd(z, z.hl))); tick(z, 15); break;  // SLA (HL)
        case 0x27: z.a = sla(z, z.a); tick(z, 8); break;  // SLA A
        case 0x28: set_hi(z.bc, sra(z, hi(z.bc))); tick(z, 8); break;  // SRA B
        case 0x29: set_lo(z.bc, sra(z, lo(z.bc))); tick(z, 8); break;  // SRA C
        case 0x2A: set_hi(z.de, sra(z, hi(z.de))); tick(z, 8); break;  // SRA D
        case 0x2B: set_lo(z.de, sra(z, lo(z.de))); tick(z, 8); break;  // SRA E
        case 0x2C: set_hi(z.hl, sra(z, hi(z.hl))); tick(z, 8); break;  // SRA H
        case 0x2D: set_lo(z.hl, sra(z, lo(z.hl))); tick(z, 8); break;  // SRA L
        case 0x2E: wr(z, z.hl, sra(z, rd(z, z.hl))); tick(z, 15); break;  // SRA (HL)
        case 0x2F: z.a = sra(z, z.a); tick(z, 8); break;  // SRA A
        case 0x30: set_hi(z.bc, sll(z, hi(z.bc))); tick(z, 8); break;  // SLL B
        case 0x31: set_lo(z.bc, sll(z, lo(z.bc))); tick(z, 8); break;  // SLL C
        case 0x32: set_hi(z.de, sll(z, hi(z.de))); tick(z, 8); break;  // SLL D
        case 0x33: set_lo(z.de, sll(z, lo(z.de))); tick(z, 8); break;  // SLL E
        case 0x34: set_hi(z.hl, sll(z, hi(z.hl))); tick(z, 8); break;  // SLL H
        case 0x35: set_lo(z.hl, sll(z, lo(z.hl))); tick(z, 8); break;  // SLL L
        case 0x36: wr(z, z.hl, sll(z, rd(z, z.hl))); tick(z, 15); break;  // SLL (HL)
        case 0x37: z.a = sll(z, z.a); tick(z, 8); break;  // SLL A
        case 0x38: set_hi(z.bc, srl(z, hi(z.bc))); tick(z, 8); break;  // SRL B
        case 0x39: set_lo(z.bc, srl(z, lo(z.bc))); tick(z, 8); break;  // SRL C
        case 0x3A: set_hi(z.de, srl(z, hi(z.de))); tick(z, 8); break;  // SRL D
        case 0x3B: set_lo(z.de, srl(z, lo(z.de))); tick(z, 8); break;  // SRL E
        case 0x3C: set_hi(z.hl, srl(z, hi(z.hl))); tick(z, 8); break;  // SRL H
        case 0x3D: set_lo(z.hl, srl(z, lo(z.hl))); tick(z, 8); break;  // SRL L
        case 0x3E: wr(z, z.hl, srl(z, rd(z, z.hl))); tick(z, 15); break;  // SRL (HL)
        case 0x3F: z.a = srl(z, z.a); tick(z, 8); break;  // SRL A
        // BIT, RES and SET: one case per opcode byte, so that the bit is a constant.
        CB_BIT_RES_SET(0) CB_BIT_RES_SET(1) CB_BIT_RES_SET(2) CB_BIT_RES_SET(3)
        CB_BIT_RES_SET(4) CB_BIT_RES_SET(5) CB_BIT_RES_SET(6) CB_BIT_RES_SET(7)
    }
}
#undef CB_BIT_RES_SET

// DD CB d x / FD CB d x: d and x are not opcode fetches. Every form works on the byte at
// (IX+d) and writes it back; a register field other than 6 also receives that byte.
// The prefix has cost 4 and the CB byte is this step's opcode.
Z80_INLINE void exec_index_cb(Z80 &z, uint16_t xy) {
    uint16_t addr = xaddr(z, xy);
    uint8_t x = fetch8(z);
    uint8_t v = rd(z, addr);
    int n = (x >> 3) & 7;
    switch (x >> 6) {
        case 0: v = rotate(z, n, v); tick(z, 19); break;  // RLC..SRL (IX+d)
        case 1: bit8(z, z.flags->bit[x], v); tick(z, 16); break;  // BIT n,(IX+d)
        case 2: v &= uint8_t(~z.flags->bit[x]); tick(z, 19); break;  // RES n,(IX+d)
        default: v |= z.flags->bit[x]; tick(z, 19); break;           // SET n,(IX+d)
    }
    wr(z, addr, v);
    if ((x & 7) != 6) set_reg(z, x & 7, v);
}
