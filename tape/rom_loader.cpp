#include "tape/rom_loader.h"

#include <cstring>

namespace {

constexpr int kLoaderSize = kLoaderEnd - kLoaderStart;

// LD-BYTES, LD-BREAK ... LD-EDGE-2, LD-EDGE-1 as the 48K ROM holds them.
constexpr uint8_t kLoader48[kLoaderSize] = {
    0x14, 0x08, 0x15, 0xF3, 0x3E, 0x0F, 0xD3, 0xFE, 0x21, 0x3F, 0x05, 0xE5, 0xDB, 0xFE,  // 0556
    0x1F, 0xE6, 0x20, 0xF6, 0x02, 0x4F, 0xBF, 0xC0, 0xCD, 0xE7, 0x05, 0x30, 0xFA, 0x21,  // 0564
    0x15, 0x04, 0x10, 0xFE, 0x2B, 0x7C, 0xB5, 0x20, 0xF9, 0xCD, 0xE3, 0x05, 0x30, 0xEB,  // 0572
    0x06, 0x9C, 0xCD, 0xE3, 0x05, 0x30, 0xE4, 0x3E, 0xC6, 0xB8, 0x30, 0xE0, 0x24, 0x20,  // 0580
    0xF1, 0x06, 0xC9, 0xCD, 0xE7, 0x05, 0x30, 0xD5, 0x78, 0xFE, 0xD4, 0x30, 0xF4, 0xCD,  // 058E
    0xE7, 0x05, 0xD0, 0x79, 0xEE, 0x03, 0x4F, 0x26, 0x00, 0x06, 0xB0, 0x18, 0x1F, 0x08,  // 059C
    0x20, 0x07, 0x30, 0x0F, 0xDD, 0x75, 0x00, 0x18, 0x0F, 0xCB, 0x11, 0xAD, 0xC0, 0x79,  // 05AA
    0x1F, 0x4F, 0x13, 0x18, 0x07, 0xDD, 0x7E, 0x00, 0xAD, 0xC0, 0xDD, 0x23, 0x1B, 0x08,  // 05B8
    0x06, 0xB2, 0x2E, 0x01, 0xCD, 0xE3, 0x05, 0xD0, 0x3E, 0xCB, 0xB8, 0xCB, 0x15, 0x06,  // 05C6
    0xB0, 0xD2, 0xCA, 0x05, 0x7C, 0xAD, 0x67, 0x7A, 0xB3, 0x20, 0xCA, 0x7C, 0xFE, 0x01,  // 05D4
    0xC9, 0xCD, 0xE7, 0x05, 0xD0, 0x3E, 0x16, 0x3D, 0x20, 0xFD, 0xA7, 0x04, 0xC8, 0x3E,  // 05E2
    0x7F, 0xDB, 0xFE, 0x1F, 0xD0, 0xA9, 0xE6, 0x20, 0x28, 0xF3, 0x79, 0x2F, 0x4F, 0xE6,  // 05F0
    0x07, 0xF6, 0x08, 0xD3, 0xFE, 0x37, 0xC9,                                            // 05FE
};

// OpenSE BASIC's changes, none of which alters a register or flag that LD-BYTES returns.
struct Patch {
    uint16_t addr;
    uint8_t size;
    uint8_t bytes[4];
};
constexpr Patch kOpenSe[] = {
    {0x0556, 4, {0xF3, 0x14, 0x08, 0x15}},  // DI first, then INC D; EX AF,AF'; DEC D
    {0x0572, 2, {0x15, 0x01}},              // a shorter wait once the first edges are seen
    {0x0577, 2, {0x7D, 0xB4}},              // LD A,L; OR H for LD A,H; OR L
    {0x05BA, 3, {0xC3, 0xC5, 0x05}},        // JP past DEC DE for INC DE; JR to DEC DE
};

// LD-BYTES as OpenSE BASIC holds it, made once at compile time.
struct LoaderCode {
    uint8_t bytes[kLoaderSize];
};
constexpr LoaderCode opense_loader() {
    LoaderCode code{};
    for (int i = 0; i < kLoaderSize; i++) code.bytes[i] = kLoader48[i];
    for (const Patch &p : kOpenSe)
        for (int i = 0; i < p.size; i++) code.bytes[p.addr - kLoaderStart + i] = p.bytes[i];
    return code;
}
constexpr LoaderCode kLoaderOpenSe = opense_loader();

uint8_t parity_flag(uint8_t v) {
    v ^= v >> 4;
    v ^= v >> 2;
    v ^= v >> 1;
    return (v & 1) ? 0 : kFlagPV;
}

// S, Z, bits 5 and 3 and parity of a logical result (AND adds H).
uint8_t logic_flags(uint8_t v) {
    return uint8_t((v & (kFlagS | kFlag5 | kFlag3)) | (v ? 0 : kFlagZ) | parity_flag(v));
}

// CP n as this machine's processor sets the flags: bits 5 and 3 from the difference.
uint8_t cp_flags(uint8_t a, uint8_t n) {
    uint8_t r = uint8_t(a - n);
    return uint8_t((r & (kFlagS | kFlag5 | kFlag3)) | (r ? 0 : kFlagZ) |
                   ((a ^ n ^ r) & kFlagH) | (((a ^ n) & (a ^ r) & 0x80) ? kFlagPV : 0) | kFlagN |
                   (a < n ? kFlagC : 0));
}

void swap_af(LoaderRegs *r) {
    uint8_t a = r->a, f = r->f;
    r->a = r->alta;
    r->f = r->altf;
    r->alta = a;
    r->altf = f;
}

}  // namespace

bool rom_loader_intact(const uint8_t *rom) {
    const uint8_t *code = rom + kLoaderStart;
    return std::memcmp(code, kLoader48, kLoaderSize) == 0 ||
           std::memcmp(code, kLoaderOpenSe.bytes, kLoaderSize) == 0;
}

bool rom_loader_waiting(const Machine *m) {
    uint16_t below = uint16_t(m->ear.trap_sp - m->sp);
    return m->pc >= kLoaderStart && m->pc < kLoaderEnd && below <= 4;
}

// Follows the ROM from the end of LD-SYNC (0x059F) instruction by instruction, taking each
// 8-bit read of LD-8-BITS from the block. Whole bits are two edges each, so the C register's
// edge-by-edge complements cancel between bytes and only the logic below changes it.
LoaderOutcome rom_loader_run(LoaderRegs *r, Machine *m, const uint8_t *data, size_t size,
                             bool store) {
    LoaderOutcome out{0, false};
    r->edge_c = r->c;            // the second sync edge was the last edge seen
    r->a = uint8_t(r->c ^ 0x03);  // LD A,C; XOR 03; LD C,A: the data's border colours
    r->f = logic_flags(r->a);
    r->c = r->a;
    r->h = 0;
    r->b = 0xB0;
    for (;;) {
        r->l = 0x01;  // LD-MARKER
        if (out.bytes_read == size) {
            // LD-8-BITS: LD-EDGE-1 counts B up to 0 without an edge; INC B leaves Z and H,
            // the carry cleared by AND A / AND 20, and A = 0 from its delay loop or AND 20.
            r->a = 0;
            r->b = 0;
            r->f = kFlagZ | kFlagH;
            out.timed_out = true;
            return out;
        }
        r->edge_c = r->c;  // a bit's two edges complement C and put it back
        r->l = data[out.bytes_read++];
        r->b = 0xB0;                               // LD B,B0 after each bit
        r->a = uint8_t(r->h ^ r->l);               // LD A,H; XOR L; LD H,A
        r->h = r->a;
        r->a = uint8_t(r->d | r->e);               // LD A,D; OR E
        r->f = logic_flags(r->a);
        if (r->a == 0) {                           // JR NZ,LD-LOOP not taken
            r->a = r->h;                           // LD A,H; CP 01; RET
            r->f = cp_flags(r->a, 0x01);
            return out;
        }
        swap_af(r);                                // LD-LOOP: EX AF,AF'
        uint16_t de = uint16_t(r->d << 8 | r->e);
        if (!(r->f & kFlagZ)) {
            // LD-FLAG: RL C; XOR L; RET NZ; LD A,C; RRA; LD C,A (and DE kept).
            uint8_t carry = r->f & kFlagC;
            r->c = uint8_t(r->c << 1 | carry);
            r->a ^= r->l;  // the carry that RL C set is cleared again by XOR L
            r->f = logic_flags(r->a);
            if (r->a != 0) return out;
            r->a = uint8_t(r->c >> 1);  // RRA with the carry XOR cleared
            r->f = uint8_t((r->f & (kFlagS | kFlagZ | kFlagPV)) | (r->a & (kFlag5 | kFlag3)) |
                           (r->c & 1 ? kFlagC : 0));
            r->c = r->a;
        } else if (!(r->f & kFlagC)) {
            // LD-VERIFY: LD A,(IX+0); XOR L; RET NZ; INC IX; DEC DE.
            r->a = uint8_t(memory_read(m->rom, r->ix) ^ r->l);
            r->f = logic_flags(r->a);
            if (r->a != 0) return out;
            r->ix++;
            de--;
        } else {
            // LD (IX+0),L; INC IX; DEC DE.
            if (store) memory_write(m->rom, r->ix, r->l);
            r->ix++;
            de--;
        }
        r->d = uint8_t(de >> 8);
        r->e = uint8_t(de);
        swap_af(r);  // LD-DEC: EX AF,AF'
        r->b = 0xB2;
    }
}
