// Port decoding, the port latch, and the beeper samples that port writes leave in the
// current sound frame.

#include <gtest/gtest.h>

#include <vector>

#include "machine/ports.h"
#include "tests/machine/machine_rig.h"

namespace {

TEST(PortIo, ReadDecoding) {
    uint8_t input[kInputBytes] = {0xFE, 0xFD, 0xFB, 0xF7, 0xEF, 0xFE, 0xFD, 0xFB, 0x1F};
    struct Case {
        const char *name;
        uint8_t low, high, joystick, want;
    } cases[] = {
        {"FE, high FE: row 0", 0xFE, 0xFE, 0x1F, 0xFE},
        {"FE, high 7F: row 7", 0xFE, 0x7F, 0x1F, 0xFB},
        {"FE, high FC: rows 0 and 1 ANDed", 0xFE, 0xFC, 0x1F, 0xFC},
        {"FE, high 00: every row ANDed", 0xFE, 0x00, 0x1F, 0xE0},
        {"FE, high FF: no row", 0xFE, 0xFF, 0x1F, 0xFF},
        {"1F, joystick idle", 0x1F, 0x00, 0x1F, 0x00},
        {"1F, fire pressed", 0x1F, 0xAB, 0x0F, 0x10},
        {"1F, right and up", 0x1F, 0xFF, 0x16, 0x09},
        {"FD reads nothing", 0xFD, 0x7F, 0x00, 0xFF},
        {"FF reads nothing", 0xFF, 0x00, 0x00, 0xFF},
        {"DF reads nothing", 0xDF, 0x00, 0x00, 0xFF},
        {"7E: the whole low byte decides", 0x7E, 0x00, 0x00, 0xFF},
        {"1E is not the joystick", 0x1E, 0x00, 0x00, 0xFF},
    };
    for (const Case &c : cases) {
        input[8] = c.joystick;
        EXPECT_EQ(port_read(c.low, c.high, input), c.want) << c.name;
    }
}

// The expected sound frame for a list of writes, straight from the sampling rule: one sample
// every 158.731 T-states, each stretch at the level of the write that ends it, the rest of
// the frame at the opposite of the last write's level.
std::vector<uint8_t> expected_samples(const std::vector<std::pair<uint32_t, uint8_t>> &writes) {
    std::vector<uint8_t> out(kFrameSamples, 0);
    int pos = 0;
    uint8_t rest = 0;
    for (auto [t, value] : writes) {
        uint64_t s = uint64_t(t) * 1000 / 158731;
        int end = s > 441 ? 441 : int(s);
        uint8_t level = (value & 0x10) ? 64 : 0;
        for (; pos < end; pos++) out[pos] = level;
        rest = uint8_t(64 - level);
    }
    for (; pos < kFrameSamples; pos++) out[pos] = rest;
    return out;
}

// Each case runs code at 0x8000 from a given T-state to HALT and compares the whole ring
// frame, the latch and the speaker level.
TEST(PortIo, WritesThroughInstructions) {
    struct Case {
        const char *name;
        uint32_t start;
        std::initializer_list<uint8_t> code;
        uint8_t a, b, c;
        std::vector<std::pair<uint32_t, uint8_t>> writes;  // t and value of each even write
        uint8_t want_portfe;
    } cases[] = {
        {"no write: silence", 0, {0x00}, 0, 0, 0, {}, 0xFF},
        {"OUT (FE),A at 15863 ends at s = 100",
         15863,
         {0xD3, 0xFE},
         0x10,
         0,
         0,
         {{15874, 0x10}},
         0x10},
        {"OUT (n),A stamps T0 + 11: 148 reaches sample 1",
         148,
         {0xD3, 0xFE},
         0x10,
         0,
         0,
         {{159, 0x10}},
         0x10},
        {"OUT (n),A from 147 stays at sample 0",
         147,
         {0xD3, 0xFE},
         0x10,
         0,
         0,
         {{158, 0x10}},
         0x10},
        {"OUT (FC),A: any even port", 15863, {0xD3, 0xFC}, 0x17, 0, 0, {{15874, 0x17}}, 0x17},
        {"OUT (FF),A: odd ports change nothing", 15863, {0xD3, 0xFF}, 0x10, 0, 0, {}, 0xFF},
        {"OUT (1F),A", 15863, {0xD3, 0x1F}, 0x10, 0, 0, {}, 0xFF},
        {"OUT (C),A stamps T0 + 12", 147, {0xED, 0x79}, 0x10, 0x00, 0xFE, {{159, 0x10}}, 0x10},
        {"OUT (C),0 at port FFFC", 147, {0xED, 0x71}, 0x10, 0xFF, 0xFC, {{159, 0x00}}, 0x00},
        {"OUT (C),r to port 00FF does nothing", 147, {0xED, 0x79}, 0x10, 0x00, 0xFF, {}, 0xFF},
        // OUT (FE),A; LD A,0; LD BC,758; LDIR (a delay over ROM); OUT (FE),A
        {"two writes: 1 at s = 100, 0 at s = 200",
         15863,
         {0xD3, 0xFE, 0x3E, 0x00, 0x01, 0xF6, 0x02, 0xED, 0xB0, 0xD3, 0xFE},
         0x10,
         0,
         0,
         {{15874, 0x10}, {15874 + 7 + 10 + 21 * 757 + 16 + 11, 0x00}},
         0x00},
        {"several writes within one sample: the last one's speaker stays",
         15863,
         {0xD3, 0xFE, 0xD3, 0xFE, 0x3E, 0x00, 0xD3, 0xFE},
         0x10,
         0,
         0,
         {{15874, 0x10}, {15885, 0x10}, {15903, 0x00}},
         0x00},
    };
    for (const Case &c : cases) {
        Rig *rig = rig_power_on();
        Machine &m = rig->m;
        uint16_t at = 0x8000;
        for (uint8_t b : c.code) rig->image[at++] = b;
        rig->image[at] = 0x76;
        m.pc = 0x8000, m.a = c.a, m.b = c.b, m.c = c.c;
        m.sndread = 3;
        m.speaker = 64;  // the run starts from 0 whatever was left
        std::memset(sound_frame(rig), 0xA5, kFrameSamples);
        run(rig, c.start);
        std::vector<uint8_t> want = expected_samples(c.writes);
        for (int s = 0; s < kFrameSamples; s++)
            ASSERT_EQ(sound_frame(rig)[s], want[s]) << c.name << ": sample " << s;
        EXPECT_EQ(m.portfe, c.want_portfe) << c.name;
        uint8_t speaker = c.writes.empty() ? 0 : ((c.writes.back().second & 0x10) ? 0 : 64);
        EXPECT_EQ(m.speaker, speaker) << c.name;
    }
}

// The first-write example spelled out, and the two-write example, as sample ranges.
TEST(PortIo, SampleRangesOfTheExamples) {
    Rig *rig = rig_power_on();
    Machine &m = rig->m;
    uint8_t port = 0xFF;
    int pos = 0;
    port_write(0xFE, 0x10, 15874, &port, &m, &pos);
    EXPECT_EQ(pos, 100);
    EXPECT_EQ(port, 0x10);
    EXPECT_EQ(m.speaker, 0);
    port_write(0xFE, 0x00, 31747, &port, &m, &pos);  // s = 200
    EXPECT_EQ(pos, 200);
    EXPECT_EQ(m.speaker, 64);
    port_write(0xFF, 0x10, 40000, &port, &m, &pos);  // odd: ignored
    EXPECT_EQ(pos, 200);
    EXPECT_EQ(port, 0x00);
    const uint8_t *f = sound_frame(rig);
    for (int s = 0; s < 200; s++) ASSERT_EQ(f[s], s < 100 ? 64 : 0) << s;
    EXPECT_EQ(f[200], 0);  // not yet filled: the end of the run does that

    pos = 0;
    port_write(0xFE, 0x10, 158, &port, &m, &pos);  // below 159: s = 0, nothing filled
    EXPECT_EQ(pos, 0);
    EXPECT_EQ(m.speaker, 0);
}

// OTIR writes once per iteration at T0 + 16 of that iteration, 21 T-states apart; bytes
// with bit 4 alternating give one edge per iteration.
TEST(PortIo, OtirEdgesEveryIteration) {
    struct Case {
        const char *name;
        uint32_t start;
        int count;
    } cases[] = {
        {"two bytes: the second write stamped 122 + 21 + 16 = 159", 122, 2},
        {"a long run of edges", 1000, 200},
    };
    for (const Case &c : cases) {
        Rig *rig = rig_power_on();
        Machine &m = rig->m;
        for (int k = 0; k < c.count; k++) rig->image[0x9000 + k] = (k & 1) ? 0x10 : 0x00;
        load(rig, 0x8000, {0xED, 0xB3, 0x76});
        m.pc = 0x8000, m.b = uint8_t(c.count), m.c = 0xFE, m.h = 0x90, m.l = 0x00;
        run(rig, c.start);
        std::vector<std::pair<uint32_t, uint8_t>> writes;
        for (int k = 0; k < c.count; k++)
            writes.push_back({c.start + 21 * k + 16, (k & 1) ? 0x10 : 0x00});
        std::vector<uint8_t> want = expected_samples(writes);
        for (int s = 0; s < kFrameSamples; s++)
            ASSERT_EQ(sound_frame(rig)[s], want[s]) << c.name << ": sample " << s;
        EXPECT_EQ(m.tstates, c.start + 21 * (c.count - 1) + 16 + kHaltTstates) << c.name;
        EXPECT_EQ(m.b, 0) << c.name;
    }
}

// IN A,(n) takes A as the high byte and leaves the flags; IN r,(C) sets them from the value.
TEST(PortIo, ReadsThroughInstructions) {
    struct Case {
        const char *name;
        std::initializer_list<uint8_t> code;
        uint8_t a, b, c, f;
        uint8_t row, joystick;  // keyrows[row] = 0xE5, the joystick byte
        uint8_t want_reg;       // A, or the register IN r,(C) names
        uint8_t want_f;
    } cases[] = {
        {"IN A,(FE) with A = FB: row 2, flags kept",
         {0xDB, 0xFE},
         0xFB,
         0,
         0,
         0xD7,
         2,
         0x1F,
         0xE5,
         0xD7},
        {"IN A,(FE) with A = FF: no row", {0xDB, 0xFE}, 0xFF, 0, 0, 0x00, 2, 0x1F, 0xFF, 0x00},
        {"IN A,(1F): joystick", {0xDB, 0x1F}, 0x00, 0, 0, 0x00, 0, 0x0E, 0x11, 0x00},
        {"IN D,(C) at FBFE: flags from the value",
         {0xED, 0x50},
         0,
         0xFB,
         0xFE,
         0x01,
         2,
         0x1F,
         0xE5,
         0xA1},
        {"IN D,(C) at 001F: zero and even", {0xED, 0x50}, 0, 0x00, 0x1F, 0xFF, 0, 0x1F, 0x00, 0x45},
        {"IN D,(C) at 00FD: nothing there", {0xED, 0x50}, 0, 0x00, 0xFD, 0x00, 0, 0x1F, 0xFF, 0xAC},
    };
    for (const Case &c : cases) {
        Rig *rig = rig_power_on();
        Machine &m = rig->m;
        uint16_t at = 0x8000;
        for (uint8_t b : c.code) rig->image[at++] = b;
        rig->image[at] = 0x76;
        m.pc = 0x8000, m.a = c.a, m.b = c.b, m.c = c.c, m.f = c.f;
        m.keyrows[c.row] = 0xE5;
        m.joystick = c.joystick;
        run(rig);
        uint8_t reg = c.code.begin()[0] == 0xDB ? m.a : m.d;
        EXPECT_EQ(reg, c.want_reg) << c.name;
        EXPECT_EQ(m.f, c.want_f) << c.name;
        EXPECT_EQ(m.tstates, (c.code.begin()[0] == 0xDB ? 11 : 12) + kHaltTstates) << c.name;
    }
}

}  // namespace
