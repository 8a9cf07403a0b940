// Instruction results that one measured instruction cannot show: repeats over many
// iterations and frames, loops, prefix chains, and the results this machine defines where
// the silicon's undocumented behaviour differs.

#include <gtest/gtest.h>

#include "tests/machine/machine_rig.h"

namespace {

struct In {
    uint8_t a = 0, f = 0, b = 0, c = 0, d = 0, e = 0, h = 0, l = 0;
    uint16_t ix = 0x9000;
    uint8_t iff1 = 0, iff2 = 0, im = 1;
};

// -1: not checked. pc -1 means "ran on to the HALT after the code".
struct Want {
    int a = -1, f = -1, b = -1, c = -1, d = -1, e = -1, h = -1, l = -1;
    int ix = -1, pc = -1;
    long t = -1;   // T-states before the final HALT
    int mem = -1;  // the byte at 0x9005, preset to 0x81
    int im = -1, iff1 = -1;
};

struct Case {
    const char *name;
    std::initializer_list<uint8_t> code;  // at 0x8000, then HALT
    In in;
    Want want;
};

void check(const Case &c) {
    Rig *rig = rig_power_on();
    Machine &m = rig->m;
    uint16_t at = 0x8000;
    for (uint8_t b : c.code) rig->image[at++] = b;
    rig->image[at] = 0x76;
    rig->image[0x9005] = 0x81;
    load(rig, 0x9100, {0x01, 0x02, 0x03, 0x04, 0x05});
    rig->image[0x9200] = 0xA8;
    load(rig, 0xC000, {0x00, 0x81});  // return address 0x8100, where a HALT waits
    rig->image[0x8100] = 0x76;
    const In &i = c.in;
    m.pc = 0x8000, m.sp = 0xC000, m.ix = i.ix, m.iy = 0x7777;
    m.a = i.a, m.f = i.f, m.b = i.b, m.c = i.c, m.d = i.d, m.e = i.e, m.h = i.h, m.l = i.l;
    m.iff1 = i.iff1, m.iff2 = i.iff2, m.im = i.im;
    run(rig);
    const Want &w = c.want;
    int got[] = {m.a, m.f, m.b, m.c, m.d, m.e, m.h, m.l, m.ix, m.im, m.iff1, rig->image[0x9005]};
    int want[] = {w.a, w.f, w.b, w.c, w.d, w.e, w.h, w.l, w.ix, w.im, w.iff1, w.mem};
    const char *names[] = {"a", "f", "b", "c", "d", "e", "h", "l", "ix", "im", "iff1", "(9005)"};
    for (int k = 0; k < 12; k++) {
        if (want[k] >= 0) {
            EXPECT_EQ(got[k], want[k]) << c.name << ": " << names[k];
        }
    }
    EXPECT_EQ(m.pc, w.pc >= 0 ? w.pc : at + 1) << c.name;
    if (w.t >= 0) {
        EXPECT_EQ(long(m.tstates) - long(kHaltTstates), w.t) << c.name;
    }
    EXPECT_EQ(m.iy, 0x7777) << c.name;
}

TEST(InstructionEdges, DefinedResults) {
    const Case cases[] = {
        {"CP 20 with A = 48: bits 5 and 3 from the difference",
         {0xFE, 0x20},
         {.a = 0x48},
         {.a = 0x48, .f = 0x2A, .t = 7}},
        {"CP B: the same from a register",
         {0xB8},
         {.a = 0x48, .b = 0x20},
         {.a = 0x48, .f = 0x2A, .t = 4}},
        {"BIT 7,A with A = 80: S stays clear", {0xCB, 0x7F}, {.a = 0x80}, {.f = kFlagH, .t = 8}},
        {"BIT 7,(HL): bits 5 and 3 from the byte",
         {0xCB, 0x7E},
         {.f = kFlagC, .h = 0x92, .l = 0x00},
         {.f = kFlagH | kFlag5 | kFlag3 | kFlagC, .t = 12}},
        {"SCF with A = 28", {0x37}, {.a = 0x28, .f = 0xD6}, {.f = 0xED, .t = 4}},
        {"CCF with A = 28", {0x3F}, {.a = 0x28, .f = 0x01}, {.f = 0x38, .t = 4}},
        {"DAA 9A after ADD", {0x27}, {.a = 0x9A}, {.a = 0x00, .f = 0x55, .t = 4}},
        {"DAA 15 after SUB with H",
         {0x27},
         {.a = 0x15, .f = kFlagN | kFlagH},
         {.a = 0x0F, .f = 0x1E}},
        {"DAA 9A after SUB: only 06", {0x27}, {.a = 0x9A, .f = kFlagN}, {.a = 0x94, .f = 0x82}},
        {"DAA A0 after SUB: 60 and no carry",
         {0x27},
         {.a = 0xA0, .f = kFlagN},
         {.a = 0x40, .f = 0x02}},
        {"DAA keeps a set carry",
         {0x27},
         {.a = 0x00, .f = kFlagN | kFlagC},
         {.a = 0xA0, .f = 0xA7}},
        {"SLL B with B = 80", {0xCB, 0x30}, {.b = 0x80}, {.f = 0x01, .b = 0x01, .t = 8}},
        {"RLC (IX+5) changes only memory",
         {0xDD, 0xCB, 0x05, 0x06},
         {.b = 0x11},
         {.b = 0x11, .t = 23, .mem = 0x03}},
        {"RLC (IX+5),B copies the result to B",
         {0xDD, 0xCB, 0x05, 0x00},
         {.b = 0x11},
         {.b = 0x03, .t = 23, .mem = 0x03}},
        {"BIT 0,(IX+5),H copies the byte to the real H",
         {0xDD, 0xCB, 0x05, 0x44},
         {.h = 0x22},
         {.f = kFlagH, .h = 0x81, .ix = 0x9000, .t = 20, .mem = 0x81}},
        {"SET 1,(IY-3),A through FD", {0xFD, 0xCB, 0xFD, 0xCF}, {}, {.a = 0x02, .t = 23}},
        {"DD 2E sets IXL", {0xDD, 0x2E, 0x5A}, {.l = 0x11}, {.l = 0x11, .ix = 0x905A, .t = 11}},
        {"DD 6E loads the real L",
         {0xDD, 0x6E, 0x05},
         {.h = 0x22},
         {.h = 0x22, .l = 0x81, .ix = 0x9000, .t = 19}},
        {"DD 75 stores the real L", {0xDD, 0x75, 0x05}, {.l = 0x3C}, {.t = 19, .mem = 0x3C}},
        {"DD 65 copies IXL to IXH",
         {0xDD, 0x65},
         {.h = 0x01, .l = 0x02, .ix = 0x12AB},
         {.h = 0x01, .l = 0x02, .ix = 0xABAB, .t = 8}},
        {"ADD IX,IX doubles IX", {0xDD, 0x29}, {.ix = 0x4321}, {.ix = 0x8642, .t = 15}},
        {"EX DE,HL after DD swaps the real HL",
         {0xDD, 0xEB},
         {.d = 0x12, .e = 0x34, .h = 0x56, .l = 0x78},
         {.d = 0x56, .e = 0x78, .h = 0x12, .l = 0x34, .ix = 0x9000, .t = 8}},
        {"a write through (IX+d) into ROM costs its time",
         {0xDD, 0x34, 0x10},
         {.ix = 0x3FE0},
         {.t = 23}},
        {"NEG of 80", {0xED, 0x44}, {.a = 0x80}, {.a = 0x80, .f = 0x87, .t = 8}},
        {"NEG of 00", {0xED, 0x44}, {.a = 0x00}, {.a = 0x00, .f = 0x42, .t = 8}},
        {"ED FF is an 8 T-state no-operation",
         {0xED, 0xFF},
         {.a = 1, .f = 2, .b = 3, .c = 4, .d = 5, .e = 6, .h = 7, .l = 8},
         {.a = 1, .f = 2, .b = 3, .c = 4, .d = 5, .e = 6, .h = 7, .l = 8, .ix = 0x9000, .t = 8}},
        {"ED 4E selects mode 1", {0xED, 0x4E}, {.im = 2}, {.t = 8, .im = 1}},
        {"ED 6E selects mode 1", {0xED, 0x6E}, {.im = 0}, {.t = 8, .im = 1}},
        {"ED 66 selects mode 0", {0xED, 0x66}, {.im = 1}, {.t = 8, .im = 0}},
        {"ED 55 pops PC and leaves iff1",
         {0xED, 0x55},
         {.iff1 = 0, .iff2 = 1},
         {.pc = 0x8101, .t = 14, .iff1 = 0}},
        {"ED 45 copies iff2 to iff1",
         {0xED, 0x45},
         {.iff1 = 0, .iff2 = 1},
         {.pc = 0x8101, .t = 14, .iff1 = 1}},
        {"DD ED B0: a prefix, then LDIR on HL and DE",
         {0xDD, 0xED, 0xB0},
         {.b = 0, .c = 2, .d = 0xA0, .e = 0x00, .h = 0x91, .l = 0x00},
         {.b = 0, .c = 0, .d = 0xA0, .e = 0x02, .h = 0x91, .l = 0x02, .ix = 0x9000, .t = 41}},
        {"CPIR stops at the first match, BC left",
         {0xED, 0xB1},
         {.a = 0x03, .b = 0x00, .c = 0x0A, .h = 0x91, .l = 0x00},
         {.f = kFlagZ | kFlagPV | kFlagN,
          .b = 0x00,
          .c = 0x07,
          .h = 0x91,
          .l = 0x03,
          .t = 21 + 21 + 16}},
        {"CPIR whose match empties BC",
         {0xED, 0xB1},
         {.a = 0x03, .b = 0x00, .c = 0x03, .h = 0x91, .l = 0x00},
         {.f = kFlagZ | kFlagN, .b = 0x00, .c = 0x00, .h = 0x91, .l = 0x03, .t = 58}},
        {"CPIR without a match runs BC out",
         {0xED, 0xB1},
         {.a = 0x77, .f = kFlagC, .b = 0x00, .c = 0x05, .h = 0x91, .l = 0x00},
         {.f = kFlag5 | kFlagN | kFlagC,
          .b = 0x00,
          .c = 0x00,
          .h = 0x91,
          .l = 0x05,
          .t = 4 * 21 + 16}},
        {"INIR with B = 1 reads once",
         {0xED, 0xB2},
         {.b = 0x01, .c = 0xFE, .h = 0xA0},
         {.b = 0x00, .h = 0xA0, .l = 0x01, .t = 16}},
        {"DJNZ with B = 0 loops 256 times", {0x10, 0xFE}, {.b = 0}, {.b = 0, .t = 255 * 13 + 8}},
        {"DJNZ with B = 1 falls through", {0x10, 0xFE}, {.b = 1}, {.b = 0, .t = 8}},
    };
    for (const Case &c : cases) check(c);
}

// LDIR with BC = 0 moves 65,536 bytes over some twenty frames; the copies onto ROM change
// nothing but still count. Run from ROM so that the fill cannot overwrite the code.
TEST(InstructionEdges, LdirWithBcZeroCoversAllMemory) {
    Rig *rig = rig_power_on();
    Machine &m = rig->m;
    load(rig, 0x0100, {0xED, 0xB0, 0x76});
    rig->image[0x4000] = 0x77;
    rig->image[0x3FFF] = 0x66;
    m.pc = 0x0100, m.h = 0x40, m.l = 0x00, m.d = 0x40, m.e = 0x01;
    int frames = 0;
    while (m.pc != 0x0103 && frames < 40) {
        m.counter = frames + 1;  // interrupts are off: the gate changes nothing
        run(rig);
        frames++;
    }
    // 65,535 repeats of 21 T-states and a last pass of 16, about 3,329 passes a frame.
    EXPECT_EQ(frames, 20);
    EXPECT_EQ(m.b, 0);
    EXPECT_EQ(m.c, 0);
    EXPECT_EQ(uint16_t(m.h << 8 | m.l), 0x4000);
    EXPECT_EQ(uint16_t(m.d << 8 | m.e), 0x4001);
    for (int a = 0x4001; a < kMemorySize; a++) ASSERT_EQ(rig->image[a], 0x77) << a;
    EXPECT_EQ(rig->image[0x4000], 0x66);  // the last pass copies ROM's 0x3FFF there
    EXPECT_EQ(rig->image[0x0000], 0x00);
    EXPECT_EQ(rig->image[0x0100], 0xED);
}

}  // namespace
