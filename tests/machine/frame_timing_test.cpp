// The frame budget and the end test: a run goes on until the count exceeds the limit, never
// stops between a DD/FD prefix and its opcode, and a prefix chain past the frame's end cannot
// push the sound fill out of its ring frame.

#include <gtest/gtest.h>

#include "machine/ports.h"
#include "tests/machine/machine_rig.h"

namespace {

// Whole frames from T-state 0 over code that repeats one instruction (or loops on itself).
TEST(FrameTiming, BudgetEndsAtTheFirstStepPastTheLimit) {
    struct Case {
        const char *name;
        std::initializer_list<uint8_t> unit;  // repeated from 0x8000 for 24 KB
        uint32_t step;                        // T-states of one unit
        int pc_advance;                       // bytes of one unit (0: a loop on itself)
        bool mode2;                           // an interrupt through the vector at 0xF0FF first
    } cases[] = {
        {"NOP", {0x00}, 4, 1, false},
        {"LD B,n", {0x06, 0x00}, 7, 2, false},
        {"JR -2", {0x18, 0xFE}, 12, 0, false},
        {"EX (SP),HL", {0xE3}, 19, 1, false},
        {"LD IX,nn", {0xDD, 0x21, 0x00, 0x00}, 14, 4, false},
        {"mode 2 interrupt then NOP", {0x00}, 4, 1, true},
    };
    for (const Case &c : cases) {
        Rig *rig = rig_power_on();
        for (uint16_t a = 0x8000; a < 0xE000; a = uint16_t(a + c.unit.size())) {
            uint16_t at = a;
            for (uint8_t b : c.unit) rig->image[at++] = b;
        }
        rig->m.pc = 0x8000;
        rig->m.sp = 0x6000;
        uint32_t start = 0;
        if (c.mode2) {
            rig->m.counter = 1, rig->m.iff1 = rig->m.iff2 = 1, rig->m.im = 2, rig->m.i = 0xF0;
            rig->image[0xF0FF] = 0x00, rig->image[0xF100] = 0x80;
            start = 19;
        }
        run(rig);
        // The first count of the form start + k * step that exceeds 69888.
        uint32_t k = (kFrameTstates - start) / c.step + 1;
        EXPECT_EQ(rig->m.tstates, start + k * c.step) << c.name;
        EXPECT_GT(rig->m.tstates, kFrameTstates) << c.name;
        EXPECT_LE(rig->m.tstates - kFrameTstates, c.step + (c.mode2 ? 19u : 0u)) << c.name;
        EXPECT_EQ(rig->m.pc, uint16_t(0x8000 + k * c.pc_advance)) << c.name;
        if (c.mode2) {
            EXPECT_EQ(rig->m.sp, 0x5FFE) << c.name;
        }
    }
}

TEST(FrameTiming, EqualToTheLimitDoesNotEnd) {
    Rig *rig = rig_power_on();
    load(rig, 0x8000, {0x00, 0x00, 0x00});
    rig->m.pc = 0x8000;
    run(rig, kFrameTstates - 4);  // the first NOP lands exactly on the limit
    EXPECT_EQ(rig->m.tstates, kFrameTstates + 4);
    EXPECT_EQ(rig->m.pc, 0x8002);
}

// A prefix that crosses the limit takes its opcode with it, and nothing after that.
TEST(FrameTiming, PrefixAcrossTheFrameEnd) {
    struct Case {
        const char *name;
        uint32_t start;
        std::initializer_list<uint8_t> code;  // at 0x8000, followed by LD A,0x55
        uint32_t want_t;
        uint16_t want_pc, want_ix, want_iy;
    } cases[] = {
        {"DD then LD IX,nn", 69886, {0xDD, 0x21, 0x34, 0x12}, 69900, 0x8004, 0x1234, 0xFFFF},
        {"DD FD then LD IY,nn",
         69886,
         {0xDD, 0xFD, 0x21, 0x34, 0x12},
         69904,
         0x8005,
         0xFFFF,
         0x1234},
        {"DD then a NOP it does not change", 69886, {0xDD, 0x00}, 69894, 0x8002, 0xFFFF, 0xFFFF},
        {"DD DD DD then INC IX", 69880, {0xDD, 0xDD, 0xDD, 0x23}, 69898, 0x8004, 0x0000, 0xFFFF},
        {"DD CB d 06 crossing", 69886, {0xDD, 0xCB, 0x01, 0x06}, 69909, 0x8004, 0xFFFF, 0xFFFF},
        {"FD below the limit, opcode past it",
         69884,
         {0xFD, 0x21, 0x34, 0x12},
         69898,
         0x8004,
         0xFFFF,
         0x1234},
    };
    for (const Case &c : cases) {
        Rig *rig = rig_power_on();
        uint16_t at = 0x8000;
        for (uint8_t b : c.code) rig->image[at++] = b;
        load(rig, at, {0x3E, 0x55});
        rig->m.pc = 0x8000;
        rig->m.ix = rig->m.iy = 0xFFFF;
        run(rig, c.start);
        EXPECT_EQ(rig->m.tstates, c.want_t) << c.name;
        EXPECT_EQ(rig->m.pc, c.want_pc) << c.name;
        EXPECT_EQ(rig->m.ix, c.want_ix) << c.name;
        EXPECT_EQ(rig->m.iy, c.want_iy) << c.name;
        EXPECT_EQ(rig->m.a, 0) << c.name;
    }
}

// The same from T-state 0: a 7 T-state load puts the NOPs off the 4 T-state grid so that a
// DD prefix is the instruction crossing 69888.
TEST(FrameTiming, PrefixAcrossTheEndOfAWholeFrame) {
    Rig *rig = rig_power_on();
    load(rig, 0x8000, {0x06, 0x00});         // 7 T-states
    uint16_t dd = uint16_t(0x8002 + 17470);  // 7 + 17470 * 4 = 69887
    load(rig, dd, {0xDD, 0x21, 0x34, 0x12, 0x3E, 0x55});
    rig->m.pc = 0x8000;
    run(rig);
    EXPECT_EQ(rig->m.tstates, 69887u + 4 + 10);
    EXPECT_EQ(rig->m.ix, 0x1234);
    EXPECT_EQ(rig->m.pc, dd + 4);
    EXPECT_EQ(rig->m.a, 0);
}

// A chain of DD bytes at the end of a frame can carry an OUT past the frame's last sample;
// the fill stops at the end of the ring frame.
TEST(FrameTiming, PrefixChainCapsTheSamplePosition) {
    struct Case {
        int prefixes;  // DD bytes before OUT (FE),A, from T-state 69884
        int high;      // samples 0..high-1 take level 64, the rest the end fill's 0
    } cases[] = {
        {0, 440},   // t = 69895: s = 440, the end fill writes the last sample
        {26, 440},  // t = 69999: s = 440
        {27, 441},  // t = 70003: s = 441, the end fill writes nothing
        {80, 441},  // t = 70215: s = 442, taken as 441
    };
    for (const Case &c : cases) {
        Rig *rig = rig_power_on();
        rig->m.sndread = 7;
        uint8_t *ring = rig->m.sndring;
        ring[7 * kFrameSamples - 1] = 0xA5;
        ring[8 * kFrameSamples] = 0xA5;
        load_repeated(rig, 0x8000, 0xDD, c.prefixes);
        load(rig, uint16_t(0x8000 + c.prefixes), {0xD3, 0xFE});
        rig->m.pc = 0x8000;
        rig->m.a = 0x10;
        run(rig, 69884);
        uint32_t t = 69884 + 4 * c.prefixes + 11;
        EXPECT_EQ(rig->m.tstates, t) << c.prefixes;
        for (int k = 0; k < kFrameSamples; k++)
            ASSERT_EQ(sound_frame(rig)[k], k < c.high ? 64 : 0) << c.prefixes << " sample " << k;
        EXPECT_EQ(ring[7 * kFrameSamples - 1], 0xA5) << c.prefixes;
        EXPECT_EQ(ring[8 * kFrameSamples], 0xA5) << c.prefixes;
        EXPECT_EQ(rig->m.portfe, 0x10) << c.prefixes;
    }
}

// Runs of steps far longer than a frame and prefix chains far past the limit: the T-state
// count and the fetch count that LD A,R reads stay exact. The code at 0x4000 is LD A,5;
// LD R,A; NOPs; DD bytes; LD A,R; HALT.
TEST(FrameTiming, LongRunsKeepTheCountAndTheFetches) {
    struct Case {
        const char *name;
        int nops, prefixes;
        uint32_t start, limit;
    } cases[] = {
        {"40000 NOPs under a large limit", 40000, 0, 0, 1000000},
        {"20000 DD bytes across the limit", 0, 20000, 69000, kFrameTstates},
        {"NOPs, then DD bytes across the limit", 20000, 20000, 0, 90000},
    };
    for (const Case &c : cases) {
        Rig *rig = rig_power_on();
        load(rig, 0x4000, {0x3E, 0x05, 0xED, 0x4F});
        uint16_t at = uint16_t(0x4004 + c.nops);
        load_repeated(rig, at, 0xDD, c.prefixes);
        at = uint16_t(at + c.prefixes);
        load(rig, at, {0xED, 0x5F, 0x76});
        rig->m.pc = 0x4000;
        run(rig, c.start, c.limit);
        // After LD R,A: the NOPs, the DD bytes, ED and 5F.
        EXPECT_EQ(rig->m.a, (0x05 + c.nops + c.prefixes + 2) & 0x7F) << c.name;
        uint32_t t = c.start + 7 + 9 + 4 * uint32_t(c.nops + c.prefixes) + 9;
        bool halted = t <= c.limit;
        EXPECT_EQ(rig->m.tstates, halted ? t + kHaltTstates : t) << c.name;
        EXPECT_EQ(rig->m.pc, at + 2 + (halted ? 1 : 0)) << c.name;
    }
}

}  // namespace
