// Power-on values, RESET and the memory access rules at the ROM/RAM border and the top of
// memory.

#include <gtest/gtest.h>

#include "machine/ports.h"
#include "tests/machine/machine_rig.h"

namespace {

TEST(MachineState, PowerOnValues) {
    static Rig rig;
    std::memset(rig.image, 0x5A, sizeof rig.image);
    std::memset(static_cast<void *>(&rig.m), 0xEE, sizeof rig.m);  // every field off its start
    machine_power_on(&rig.m, rig.image);
    Machine &m = rig.m;
    struct Field {
        const char *name;
        unsigned got, want;
    } fields[] = {
        {"tstates", m.tstates, 0},
        {"tslimit", m.tslimit, 69888},
        {"a", m.a, 0},
        {"f", m.f, 0},
        {"b", m.b, 0},
        {"c", m.c, 0},
        {"d", m.d, 0},
        {"e", m.e, 0},
        {"h", m.h, 0},
        {"l", m.l, 0},
        {"r", m.r, 0x80},
        {"alta", m.alta, 0},
        {"altf", m.altf, 0},
        {"altb", m.altb, 0},
        {"altc", m.altc, 0},
        {"altd", m.altd, 0},
        {"alte", m.alte, 0},
        {"alth", m.alth, 0},
        {"altl", m.altl, 0},
        {"i", m.i, 0},
        {"iff1", m.iff1, 0},
        {"iff2", m.iff2, 0},
        {"im", m.im, 1},
        {"pc", m.pc, 0},
        {"ix", m.ix, 0},
        {"iy", m.iy, 0},
        {"sp", m.sp, 0},
        {"counter", unsigned(m.counter), 0},
        {"synccounter", unsigned(m.synccounter), 0},
        {"joystick", m.joystick, 0x1F},
        {"portfe", m.portfe, 0xFF},
        {"speaker", m.speaker, 0},
        {"sndwrite", unsigned(m.sndwrite), 0},
        {"sndread", unsigned(m.sndread), 0},
        {"scounter", unsigned(m.scounter.load()), 0},
    };
    for (const Field &f : fields) EXPECT_EQ(f.got, f.want) << f.name;
    for (int k = 0; k < 8; k++) EXPECT_EQ(m.keyrows[k], 0xFF) << "keyrows " << k;
    EXPECT_EQ(m.rom, rig.image);
    EXPECT_EQ(m.ram, m.rom + 0x4000);
    for (int a = 0; a < kRomSize; a++) ASSERT_EQ(rig.image[a], 0x5A) << "ROM byte " << a;
    for (int a = kRomSize; a < kMemorySize; a++) ASSERT_EQ(rig.image[a], 0) << "RAM byte " << a;
    for (int s = 0; s < kRingBytes; s++) ASSERT_EQ(m.sndring[s], 0) << "sample " << s;
}

TEST(MachineState, PortsAfterPowerOn) {
    Rig *rig = rig_power_on();
    uint8_t input[kInputBytes];
    std::memcpy(input, rig->m.keyrows, 8);
    input[8] = rig->m.joystick;
    for (int high = 0; high < 256; high++) {
        EXPECT_EQ(port_read(0xFE, uint8_t(high), input), 0xFF) << "high " << high;
        EXPECT_EQ(port_read(0x1F, uint8_t(high), input), 0x00) << "high " << high;
    }
}

TEST(MachineState, ResetKeepsAllButTheFiveFields) {
    Rig *rig = rig_power_on();
    Machine &m = rig->m;
    m.a = 1, m.f = 2, m.b = 3, m.c = 4, m.d = 5, m.e = 6, m.h = 7, m.l = 8;
    m.alta = 9, m.altf = 10, m.altb = 11, m.altc = 12, m.altd = 13, m.alte = 14;
    m.alth = 15, m.altl = 16;
    m.r = 0x33, m.i = 0x3F, m.iff1 = 1, m.iff2 = 1, m.im = 2, m.pc = 0x8123;
    m.ix = 0x1111, m.iy = 0x2222, m.sp = 0xFF00, m.counter = 77, m.portfe = 0x15;
    m.keyrows[3] = 0xFE, m.joystick = 0x0F, m.sndread = 9;
    rig->image[0x9000] = 0x42;
    machine_reset(&m);
    EXPECT_EQ(m.r, 0x80);
    EXPECT_EQ(m.im, 1);
    EXPECT_EQ(m.pc, 0);
    EXPECT_EQ(m.iff1, 0);
    EXPECT_EQ(m.iff2, 0);
    unsigned kept[] = {m.a,
                       m.f,
                       m.b,
                       m.c,
                       m.d,
                       m.e,
                       m.h,
                       m.l,
                       m.alta,
                       m.altf,
                       m.altb,
                       m.altc,
                       m.altd,
                       m.alte,
                       m.alth,
                       m.altl,
                       m.i,
                       m.ix,
                       m.iy,
                       m.sp,
                       unsigned(m.counter),
                       m.portfe,
                       m.keyrows[3],
                       m.joystick,
                       unsigned(m.sndread),
                       rig->image[0x9000]};
    unsigned want[] = {1,  2,  3,  4,    5,      6,      7,      8,  9,    10,   11,   12, 13,
                       14, 15, 16, 0x3F, 0x1111, 0x2222, 0xFF00, 77, 0x15, 0xFE, 0x0F, 9,  0x42};
    for (size_t k = 0; k < sizeof kept / sizeof kept[0]; k++) EXPECT_EQ(kept[k], want[k]) << k;

    // The next frame starts at address 0 with interrupts off, even with the gate open.
    load(rig, 0x0000, {0x76});
    run(rig);
    EXPECT_EQ(m.pc, 0x0001);
    EXPECT_EQ(m.sp, 0xFF00);
    EXPECT_EQ(m.tstates, kHaltTstates);
}

// Word and byte accesses at the ROM border and at the top of memory, each run as one
// instruction followed by HALT.
TEST(MachineState, MemoryAccessRules) {
    struct Case {
        const char *name;
        std::initializer_list<uint8_t> code;  // at 0x8000
        uint16_t sp, hl;
        uint16_t addr;     // a memory word to check afterwards
        uint16_t want;     // its value
        uint16_t want_hl;  // HL afterwards
        uint16_t want_sp;
    } cases[] = {
        // The image is preset: 0x3FFF = 0xA1, 0x4000 = 0xB2, 0xFFFF = 0xC3, 0x0000 = 0xD4.
        {"LD (3FFF),HL drops the whole word",
         {0x22, 0xFF, 0x3F},
         0xF000,
         0x1234,
         0x3FFF,
         0xB2A1,
         0x1234,
         0xF000},
        {"LD (FFFF),HL keeps only the low byte",
         {0x22, 0xFF, 0xFF},
         0xF000,
         0x1234,
         0xFFFF,
         0xD434,
         0x1234,
         0xF000},
        {"LD (4000),HL stores both bytes",
         {0x22, 0x00, 0x40},
         0xF000,
         0x1234,
         0x4000,
         0x1234,
         0x1234,
         0xF000},
        {"ED 43 LD (3FFF),BC drops the whole word",
         {0xED, 0x43, 0xFF, 0x3F},
         0xF000,
         0,
         0x3FFF,
         0xB2A1,
         0,
         0xF000},
        {"PUSH HL at SP 4001 drops the word",
         {0xE5},
         0x4001,
         0x1234,
         0x3FFF,
         0xB2A1,
         0x1234,
         0x3FFF},
        {"PUSH HL at SP 0001 keeps the byte at FFFF",
         {0xE5},
         0x0001,
         0x1234,
         0xFFFF,
         0xD434,
         0x1234,
         0xFFFF},
        {"PUSH HL at SP 4000 writes nothing",
         {0xE5},
         0x4000,
         0x1234,
         0x3FFE,
         0xA100,
         0x1234,
         0x3FFE},
        {"LD HL,(FFFF) reads the high byte at 0000",
         {0x2A, 0xFF, 0xFF},
         0xF000,
         0,
         0xFFFF,
         0xD4C3,
         0xD4C3,
         0xF000},
        {"POP HL at SP FFFF wraps", {0xE1}, 0xFFFF, 0, 0xFFFF, 0xD4C3, 0xD4C3, 0x0001},
        {"EX (SP),HL at SP 3FFF reads but cannot write",
         {0xE3},
         0x3FFF,
         0x1234,
         0x3FFF,
         0xB2A1,
         0xB2A1,
         0x3FFF},
        {"LD (IX+d),n into ROM changes nothing",
         {0xDD, 0x36, 0x05, 0x99},
         0xF000,
         0,
         0x3FFF,
         0xB2A1,
         0,
         0xF000},
    };
    for (const Case &c : cases) {
        Rig *rig = rig_power_on();
        rig->image[0x3FFF] = 0xA1, rig->image[0x4000] = 0xB2;
        rig->image[0xFFFF] = 0xC3, rig->image[0x0000] = 0xD4;
        uint16_t at = 0x8000;
        for (uint8_t b : c.code) rig->image[at++] = b;
        rig->image[at] = 0x76;
        rig->m.pc = 0x8000;
        rig->m.sp = c.sp;
        rig->m.h = uint8_t(c.hl >> 8), rig->m.l = uint8_t(c.hl);
        rig->m.ix = 0x3FFA;
        run(rig);
        EXPECT_EQ(word_at(rig, c.addr), c.want) << c.name;
        EXPECT_EQ(uint16_t(rig->m.h << 8 | rig->m.l), c.want_hl) << c.name;
        EXPECT_EQ(rig->m.sp, c.want_sp) << c.name;
        EXPECT_EQ(rig->m.pc, at + 1) << c.name;
    }
}

}  // namespace
