// CB-prefixed instructions, and the DDCB/FDCB group on (IX+d) / (IY+d).
#pragma once

#include "machine/z80_state.h"

// The register of field 0-7 other than 6, for the DDCB/FDCB copies (the real H and L).
Z80_INLINE void set_reg(Z80 &z, int field, uint8_t v) {
    switch (field) {
        case 0: z.b = v; break;
        case 1: z.c = v; break;
        case 2: z.d = v; break;
        case 3: z.e = v; break;
        case 4: z.h = v; break;
        case 5: z.l = v; break;
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

// After CB: the opcode byte is one more fetch.
Z80_INLINE void exec_cb(Z80 &z) {
    uint8_t x = fetch8(z);
    z.fetches++;
    if (x < 0x40) {
        switch (x) {
            case 0x00: z.b = rlc(z, z.b); z.t += 8; break;  // RLC B
            case 0x01: z.c = rlc(z, z.c); z.t += 8; break;  // RLC C
            case 0x02: z.d = rlc(z, z.d); z.t += 8; break;  // RLC D
            case 0x03: z.e = rlc(z, z.e); z.t += 8; break;  // RLC E
            case 0x04: z.h = rlc(z, z.h); z.t += 8; break;  // RLC H
            case 0x05: z.l = rlc(z, z.l); z.t += 8; break;  // RLC L
            case 0x06: wr(z, hl(z), rlc(z, rd(z, hl(z)))); z.t += 15; break;  // RLC (HL)
            case 0x07: z.a = rlc(z, z.a); z.t += 8; break;  // RLC A
            case 0x08: z.b = rrc(z, z.b); z.t += 8; break;  // RRC B
            case 0x09: z.c = rrc(z, z.c); z.t += 8; break;  // RRC C
            case 0x0A: z.d = rrc(z, z.d); z.t += 8; break;  // RRC D
            case 0x0B: z.e = rrc(z, z.e); z.t += 8; break;  // RRC E
            case 0x0C: z.h = rrc(z, z.h); z.t += 8; break;  // RRC H
            case 0x0D: z.l = rrc(z, z.l); z.t += 8; break;  // RRC L
            case 0x0E: wr(z, hl(z), rrc(z, rd(z, hl(z)))); z.t += 15; break;  // RRC (HL)
            case 0x0F: z.a = rrc(z, z.a); z.t += 8; break;  // RRC A
            case 0x10: z.b = rl(z, z.b); z.t += 8; break;  // RL B
            case 0x11: z.c = rl(z, z.c); z.t += 8; break;  // RL C
            case 0x12: z.d = rl(z, z.d); z.t += 8; break;  // RL D
            case 0x13: z.e = rl(z, z.e); z.t += 8; break;  // RL E
            case 0x14: z.h = rl(z, z.h); z.t += 8; break;  // RL H
            case 0x15: z.l = rl(z, z.l); z.t += 8; break;  // RL L
            case 0x16: wr(z, hl(z), rl(z, rd(z, hl(z)))); z.t += 15; break;  // RL (HL)
            case 0x17: z.a = rl(z, z.a); z.t += 8; break;  // RL A
            case 0x18: z.b = rr(z, z.b); z.t += 8; break;  // RR B
            case 0x19: z.c = rr(z, z.c); z.t += 8; break;  // RR C
            case 0x1A: z.d = rr(z, z.d); z.t += 8; break;  // RR D
            case 0x1B: z.e = rr(z, z.e); z.t += 8; break;  // RR E
            case 0x1C: z.h = rr(z, z.h); z.t += 8; break;  // RR H
            case 0x1D: z.l = rr(z, z.l); z.t += 8; break;  // RR L
            case 0x1E: wr(z, hl(z), rr(z, rd(z, hl(z)))); z.t += 15; break;  // RR (HL)
            case 0x1F: z.a = rr(z, z.a); z.t += 8; break;  // RR A
            case 0x20: z.b = sla(z, z.b); z.t += 8; break;  // SLA B
            case 0x21: z.c = sla(z, z.c); z.t += 8; break;  // SLA C
            case 0x22: z.d = sla(z, z.d); z.t += 8; break;  // SLA D
            case 0x23: z.e = sla(z, z.e); z.t += 8; break;  // SLA E
            case 0x24: z.h = sla(z, z.h); z.t += 8; break;  // SLA H
            case 0x25: z.l = sla(z, z.l); z.t += 8; break;  // SLA L
            case 0x26: wr(z, hl(z), sla(z, rd(z, hl(z)))); z.t += 15; break;  // SLA (HL)
            case 0x27: z.a = sla(z, z.a); z.t += 8; break;  // SLA A
            case 0x28: z.b = sra(z, z.b); z.t += 8; break;  // SRA B
            case 0x29: z.c = sra(z, z.c); z.t += 8; break;  // SRA C
            case 0x2A: z.d = sra(z, z.d); z.t += 8; break;  // SRA D
            case 0x2B: z.e = sra(z, z.e); z.t += 8; break;  // SRA E
            case 0x2C: z.h = sra(z, z.h); z.t += 8; break;  // SRA H
            case 0x2D: z.l = sra(z, z.l); z.t += 8; break;  // SRA L
            case 0x2E: wr(z, hl(z), sra(z, rd(z, hl(z)))); z.t += 15; break;  // SRA (HL)
            case 0x2F: z.a = sra(z, z.a); z.t += 8; break;  // SRA A
            case 0x30: z.b = sll(z, z.b); z.t += 8; break;  // SLL B
            case 0x31: z.c = sll(z, z.c); z.t += 8; break;  // SLL C
            case 0x32: z.d = sll(z, z.d); z.t += 8; break;  // SLL D
            case 0x33: z.e = sll(z, z.e); z.t += 8; break;  // SLL E
            case 0x34: z.h = sll(z, z.h); z.t += 8; break;  // SLL H
            case 0x35: z.l = sll(z, z.l); z.t += 8; break;  // SLL L
            case 0x36: wr(z, hl(z), sll(z, rd(z, hl(z)))); z.t += 15; break;  // SLL (HL)
            case 0x37: z.a = sll(z, z.a); z.t += 8; break;  // SLL A
            case 0x38: z.b = srl(z, z.b); z.t += 8; break;  // SRL B
            case 0x39: z.c = srl(z, z.c); z.t += 8; break;  // SRL C
            case 0x3A: z.d = srl(z, z.d); z.t += 8; break;  // SRL D
            case 0x3B: z.e = srl(z, z.e); z.t += 8; break;  // SRL E
            case 0x3C: z.h = srl(z, z.h); z.t += 8; break;  // SRL H
            case 0x3D: z.l = srl(z, z.l); z.t += 8; break;  // SRL L
            case 0x3E: wr(z, hl(z), srl(z, rd(z, hl(z)))); z.t += 15; break;  // SRL (HL)
            case 0x3F: z.a = srl(z, z.a); z.t += 8; break;  // SRL A
        }
        return;
    }
    int n = (x >> 3) & 7;
    uint8_t bit = uint8_t(1 << n);
    switch (x & 0xC7) {
        case 0x40: bit8(z, n, z.b); z.t += 8; break;  // BIT n,B
        case 0x41: bit8(z, n, z.c); z.t += 8; break;  // BIT n,C
        case 0x42: bit8(z, n, z.d); z.t += 8; break;  // BIT n,D
        case 0x43: bit8(z, n, z.e); z.t += 8; break;  // BIT n,E
        case 0x44: bit8(z, n, z.h); z.t += 8; break;  // BIT n,H
        case 0x45: bit8(z, n, z.l); z.t += 8; break;  // BIT n,L
        case 0x46: bit8(z, n, rd(z, hl(z))); z.t += 12; break;  // BIT n,(HL)
        case 0x47: bit8(z, n, z.a); z.t += 8; break;  // BIT n,A
        case 0x80: z.b &= uint8_t(~bit); z.t += 8; break;  // RES n,B
        case 0x81: z.c &= uint8_t(~bit); z.t += 8; break;  // RES n,C
        case 0x82: z.d &= uint8_t(~bit); z.t += 8; break;  // RES n,D
        case 0x83: z.e &= uint8_t(~bit); z.t += 8; break;  // RES n,E
        case 0x84: z.h &= uint8_t(~bit); z.t += 8; break;  // RES n,H
        case 0x85: z.l &= uint8_t(~bit); z.t += 8; break;  // RES n,L
        case 0x86: wr(z, hl(z), rd(z, hl(z)) & uint8_t(~bit)); z.t += 15; break;  // RES n,(HL)
        case 0x87: z.a &= uint8_t(~bit); z.t += 8; break;  // RES n,A
        case 0xC0: z.b |= bit; z.t += 8; break;  // SET n,B
        case 0xC1: z.c |= bit; z.t += 8; break;  // SET n,C
        case 0xC2: z.d |= bit; z.t += 8; break;  // SET n,D
        case 0xC3: z.e |= bit; z.t += 8; break;  // SET n,E
        case 0xC4: z.h |= bit; z.t += 8; break;  // SET n,H
        case 0xC5: z.l |= bit; z.t += 8; break;  // SET n,L
        case 0xC6: wr(z, hl(z), rd(z, hl(z)) | bit); z.t += 15; break;  // SET n,(HL)
        case 0xC7: z.a |= bit; z.t += 8; break;  // SET n,A
    }
}

// DD CB d x / FD CB d x: d and x are not opcode fetches. Every form works on the byte at
// (IX+d) and writes it back; a register field other than 6 also receives that byte.
// The prefix has cost 4 and the CB byte is this step's opcode.
Z80_INLINE void exec_index_cb(Z80 &z, uint16_t xy) {
    uint16_t addr = xaddr(z, xy);
    uint8_t x = fetch8(z);
    uint8_t v = rd(z, addr);
    int n = (x >> 3) & 7;
    switch (x >> 6) {
        case 0: v = rotate(z, n, v); z.t += 19; break;  // RLC..SRL (IX+d)
        case 1: bit8(z, n, v); z.t += 16; break;        // BIT n,(IX+d)
        case 2: v &= uint8_t(~(1 << n)); z.t += 19; break;  // RES n,(IX+d)
        default: v |= uint8_t(1 << n); z.t += 19; break;    // SET n,(IX+d)
    }
    wr(z, addr, v);
    if ((x & 7) != 6) set_reg(z, x & 7, v);
}
