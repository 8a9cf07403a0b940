// The frame's maskable interrupt: its gate, its three modes, EI without delay, pushes into
// ROM, and HALT in both interrupt states.

#include <gtest/gtest.h>

#include "tests/machine/machine_rig.h"

namespace {

// One frame run from T-state 0 with code at 0x8000 and whatever the handler places; the
// handler ends with HALT so that the run stops where it can be checked.
TEST(Interrupts, AcceptanceAndModes) {
    struct Case {
        const char *name;
        int32_t counter;
        uint8_t iff1, im, i;
        uint16_t sp;
        std::initializer_list<uint8_t> code;  // at 0x8000
        uint32_t want_t;
        uint16_t want_pc, want_sp;
        uint16_t pushed;  // word at the new sp when want_sp != sp
        uint8_t want_a;   // the handler at 0x0038 / 0x1234 runs LD A,R
    } cases[] = {
        // Handlers: 0x0038: LD A,R; HALT. 0x1234 (mode 2 vector at 0xFFFF / 0x0000): same.
        {"first frame: no interrupt although enabled",
         0,
         1,
         1,
         0,
         0xFF00,
         {0x76},
         kHaltTstates,
         0x8001,
         0xFF00,
         0,
         0x00},
        {"mode 1 before the first instruction",
         1,
         1,
         1,
         0,
         0xFF00,
         {0x76},
         11 + 9 + kHaltTstates,
         0x003B,
         0xFEFE,
         0x8000,
         0x83},
        {"mode 0 acts as mode 1",
         5,
         1,
         0,
         0,
         0xFF00,
         {0x76},
         11 + 9 + kHaltTstates,
         0x003B,
         0xFEFE,
         0x8000,
         0x83},
        {"an im value other than 2 acts as mode 1",
         5,
         1,
         3,
         0,
         0xFF00,
         {0x76},
         11 + 9 + kHaltTstates,
         0x003B,
         0xFEFE,
         0x8000,
         0x83},
        {"mode 2 with i = FF: the vector's high byte from ROM",
         2,
         1,
         2,
         0xFF,
         0xFF00,
         {0x76},
         19 + 9 + kHaltTstates,
         0x1237,
         0xFEFE,
         0x8000,
         0x82},
        {"disabled: the request lapses",
         1,
         0,
         1,
         0,
         0xFF00,
         {0x00, 0x76},
         4 + kHaltTstates,
         0x8002,
         0xFF00,
         0,
         0x00},
        {"EI: accepted at the very next boundary",
         1,
         0,
         1,
         0,
         0xFF00,
         {0x00, 0xFB, 0x76},
         4 + 4 + 11 + 9 + kHaltTstates,
         0x003B,
         0xFEFE,
         0x8002,
         0x85},
        {"DI as the interrupted instruction cannot run first",
         1,
         1,
         1,
         0,
         0xFF00,
         {0xF3, 0x76},
         11 + 9 + kHaltTstates,
         0x003B,
         0xFEFE,
         0x8000,
         0x83},
        {"push at 3FFF dropped whole: sp still moves",
         1,
         1,
         1,
         0,
         0x4001,
         {0x76},
         11 + 9 + kHaltTstates,
         0x003B,
         0x3FFF,
         0xB2A1,
         0x83},
        {"mode 2 push into ROM",
         1,
         1,
         2,
         0xFF,
         0x4001,
         {0x76},
         19 + 9 + kHaltTstates,
         0x1237,
         0x3FFF,
         0xB2A1,
         0x82},
    };
    for (const Case &c : cases) {
        Rig *rig = rig_power_on();
        load(rig, 0x0038, {0xED, 0x5F, 0x76});
        load(rig, 0x1234, {0xED, 0x5F, 0x76});
        rig->image[0xFFFF] = 0x34, rig->image[0x0000] = 0x12;
        rig->image[0x3FFF] = 0xA1, rig->image[0x4000] = 0xB2;
        uint16_t at = 0x8000;
        for (uint8_t b : c.code) rig->image[at++] = b;
        Machine &m = rig->m;
        m.pc = 0x8000, m.sp = c.sp, m.counter = c.counter;
        m.iff1 = m.iff2 = c.iff1, m.im = c.im, m.i = c.i;
        run(rig);
        EXPECT_EQ(m.tstates, c.want_t) << c.name;
        EXPECT_EQ(m.pc, c.want_pc) << c.name;
        EXPECT_EQ(m.sp, c.want_sp) << c.name;
        EXPECT_EQ(m.a, c.want_a) << c.name;
        if (c.want_sp != c.sp) {
            EXPECT_EQ(word_at(rig, m.sp), c.pushed) << c.name;
            EXPECT_EQ(m.iff1, 0) << c.name;
            EXPECT_EQ(m.iff2, 0) << c.name;
        } else {
            EXPECT_EQ(m.iff1, c.iff1) << c.name;
        }
    }
}

// The mode 1 example: the first step writes 00 at FEFE and 80 at FEFF, costs 11 T-states and
// one fetch, and the next step fetches the opcode at 0x0038.
TEST(Interrupts, ModeOneFirstStep) {
    Rig *rig = rig_power_on();
    Machine &m = rig->m;
    m.pc = 0x8000, m.sp = 0xFF00, m.iff1 = m.iff2 = 1, m.im = 1, m.counter = 1;
    load(rig, 0x0038, {0x06, 0x77});  // LD B,0x77 after the step, when the budget allows
    run(rig, 0, 0);                   // a budget of 0 ends the run after the first step
    EXPECT_EQ(rig->image[0xFEFE], 0x00);
    EXPECT_EQ(rig->image[0xFEFF], 0x80);
    EXPECT_EQ(m.sp, 0xFEFE);
    EXPECT_EQ(m.pc, 0x0038);
    EXPECT_EQ(m.iff1, 0);
    EXPECT_EQ(m.iff2, 0);
    EXPECT_EQ(m.tstates, 11u);
    EXPECT_EQ(m.b, 0);
}

// EI late in the frame still lets the frame's interrupt in right after it.
TEST(Interrupts, EiLateInTheFrame) {
    Rig *rig = rig_power_on();
    Machine &m = rig->m;
    load(rig, 0x9000, {0xFB, 0x00});
    m.pc = 0x9000, m.sp = 0xC000, m.counter = 1;
    run(rig, 69880);
    EXPECT_EQ(m.tstates, 69880u + 4 + 11);
    EXPECT_EQ(m.pc, 0x0038);
    EXPECT_EQ(m.sp, 0xBFFE);
    EXPECT_EQ(word_at(rig, 0xBFFE), 0x9001);
    EXPECT_EQ(m.iff1, 0);
}

// A handler that counts its calls and returns with interrupts on: one interrupt per frame,
// none in the first.
TEST(Interrupts, OnePerFrame) {
    Rig *rig = rig_power_on();
    Machine &m = rig->m;
    load(rig, 0x0038, {0x34, 0xFB, 0xC9});  // INC (HL); EI; RET
    load(rig, 0x8000, {0x18, 0xFE});        // JR -2
    m.pc = 0x8000, m.sp = 0xC000, m.iff1 = m.iff2 = 1, m.h = 0x90, m.l = 0x00;
    for (int frame = 0; frame < 5; frame++) {
        m.counter = frame;
        run(rig);
        EXPECT_EQ(rig->image[0x9000], frame) << "after frame " << frame;
        EXPECT_EQ(m.sp, 0xC000) << "after frame " << frame;
    }
}

// HALT ends the frame; the next frame resumes after it, through the interrupt when enabled.
TEST(Interrupts, HaltInBothStates) {
    struct Case {
        const char *name;
        uint8_t iff;
        uint32_t want_t2;  // second frame
    } cases[] = {
        {"disabled: simply continues", 0, 7 + kHaltTstates},
        {"enabled: the interrupt returns after the HALT", 1, 11 + 4 + 10 + 7 + kHaltTstates},
    };
    for (const Case &c : cases) {
        Rig *rig = rig_power_on();
        Machine &m = rig->m;
        load(rig, 0x0038, {0xFB, 0xC9});              // EI; RET
        load(rig, 0x8000, {0x76, 0x3E, 0x42, 0x76});  // HALT; LD A,0x42; HALT
        m.pc = 0x8000, m.sp = 0xC000, m.iff1 = m.iff2 = c.iff, m.counter = 0;
        run(rig);
        EXPECT_EQ(m.tstates, kHaltTstates) << c.name;
        EXPECT_EQ(m.pc, 0x8001) << c.name;
        EXPECT_EQ(m.a, 0) << c.name;
        m.counter = 1;
        run(rig);
        EXPECT_EQ(m.tstates, c.want_t2) << c.name;
        EXPECT_EQ(m.pc, 0x8004) << c.name;
        EXPECT_EQ(m.a, 0x42) << c.name;
        EXPECT_EQ(m.sp, 0xC000) << c.name;
        EXPECT_EQ(word_at(rig, 0xBFFE), c.iff ? 0x8001 : 0) << c.name;
    }
}

}  // namespace
