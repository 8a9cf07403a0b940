// Port 0xFE reads with a tape inserted: bit 6 follows the tape signal's edges at the read's
// T-state, each read marks its stretch of the run, and the ROM loader's first IN can be
// trapped.

#include <gtest/gtest.h>

#include <vector>

#include "tests/machine/machine_rig.h"

namespace {

constexpr uint8_t kHaltOp = 0x76;

void set_edges(Machine &m, uint8_t level, std::initializer_list<uint32_t> edges) {
    m.ear.active = 1;
    m.ear.level = level;
    m.ear.next = 0;
    m.ear.count = 0;
    for (uint32_t e : edges) m.ear.edge[m.ear.count++] = e;
}

// The level a read at t must see: the start level flipped once per edge at or before t.
uint8_t level_at(uint8_t start, std::initializer_list<uint32_t> edges, uint32_t t) {
    for (uint32_t e : edges) start ^= e <= t ? 1 : 0;
    return start;
}

// Three IN A,(FE), each followed by LD r,A, so that reads fall at T-states 11, 26 and 41 from
// the start. Keyboard row 0 has bit 0 pressed: the other bits must survive.
TEST(EarInput, InAFollowsTheEdges) {
    struct Case {
        const char *name;
        uint8_t level;
        std::initializer_list<uint32_t> edges;
        uint32_t want_next;
    } cases[] = {
        {"no edges, level 0", 0, {}, 0},
        {"no edges, level 1", 1, {}, 0},
        {"an edge exactly at the first read", 0, {11}, 1},
        {"an edge one T-state after the first read", 0, {12}, 1},
        {"two edges between reads cancel", 1, {12, 20}, 2},
        {"an edge at every read", 0, {11, 26, 41}, 3},
        {"edges before the run's first read all pass", 0, {0, 3, 10}, 3},
        {"an edge after the last read stays ahead", 0, {5, 42}, 1},
    };
    const uint32_t reads_at[] = {11, 26, 41};
    for (const Case &c : cases) {
        Rig *rig = rig_power_on();
        Machine &m = rig->m;
        // IN A,(FE); LD B,A; IN A,(FE); LD C,A; IN A,(FE); LD D,A; HALT
        load(rig, 0x8000, {0xDB, 0xFE, 0x47, 0xDB, 0xFE, 0x4F, 0xDB, 0xFE, 0x57, kHaltOp});
        m.pc = 0x8000, m.a = 0xFE;
        m.keyrows[0] = 0xFE;
        set_edges(m, c.level, c.edges);
        run(rig);
        const uint8_t got[] = {m.b, m.c, m.d};
        for (int k = 0; k < 3; k++) {
            uint8_t want = level_at(c.level, c.edges, reads_at[k]) ? 0xFE : 0xBE;
            EXPECT_EQ(got[k], want) << c.name << ": read " << k;
        }
        EXPECT_EQ(m.ear.heard, 1u) << c.name;  // all three in the first stretch
        EXPECT_EQ(m.ear.next, c.want_next) << c.name;
        EXPECT_EQ(m.ear.level, level_at(c.level, c.edges, 41)) << c.name;
        EXPECT_EQ(m.tstates, 45 + kHaltTstates) << c.name;
    }
}

// Every read instruction on port 0xFE sees the signal at its own stamp: IN r,(C) at T0 + 12,
// INI and IND at T0 + 16, INIR and INDR at T0 + 16 of each iteration (21 apart). Reads of
// other ports neither see it nor mark a stretch.
TEST(EarInput, EveryReadInstruction) {
    struct Case {
        const char *name;
        std::initializer_list<uint8_t> code;
        uint8_t b, c;
        std::initializer_list<uint32_t> edges;
        std::vector<uint8_t> want;  // the register read (IN), or the bytes stored from HL on
        uint64_t want_heard;        // the stretches of kEarStretch T-states with a read
        uint32_t start = 0;         // the run's T-state count at the first instruction
    } cases[] = {
        {"IN D,(C): edge at 12 seen", {0xED, 0x50}, 0x7F, 0xFE, {12}, {0xFF}, 1},
        {"IN D,(C): edge at 13 not yet", {0xED, 0x50}, 0x7F, 0xFE, {13}, {0xBF}, 1},
        {"IN (C) counts the read", {0xED, 0x70}, 0x7F, 0xFE, {}, {}, 1},
        {"IN D,(C) on port 7FFD: not the tape", {0xED, 0x50}, 0x7F, 0xFD, {0}, {0xFF}, 0},
        {"IN A,(1F): the joystick, not the tape", {0xDB, 0x1F}, 0, 0, {0}, {0x00}, 0},
        {"INI: edge at 16 seen", {0xED, 0xA2}, 0x7F, 0xFE, {16}, {0xFF}, 1},
        {"IND: edge at 17 not yet", {0xED, 0xAA}, 0x7F, 0xFE, {17}, {0xBF}, 1},
        {"INIR: 16 and 37", {0xED, 0xB2}, 0x02, 0xFE, {17}, {0xBF, 0xFF}, 1},
        {"INIR: an edge at the second stamp", {0xED, 0xB2}, 0x02, 0xFE, {37}, {0xBF, 0xFF}, 1},
        {"INIR: an edge in the 5 repeat T-states", {0xED, 0xB2}, 0x02, 0xFE, {20}, {0xBF, 0xFF}, 1},
        {"INDR: one iteration, edge at 16 seen", {0xED, 0xBA}, 0x01, 0xFE, {16}, {0xFF}, 1},
        {"INIR: reads in two stretches", {0xED, 0xB2}, 0x02, 0xFE, {}, {0xBF, 0xBF}, 3, 2028},
    };
    for (const Case &c : cases) {
        Rig *rig = rig_power_on();
        Machine &m = rig->m;
        uint16_t at = 0x8000;
        for (uint8_t b : c.code) rig->image[at++] = b;
        rig->image[at] = kHaltOp;
        m.pc = 0x8000, m.b = c.b, m.c = c.c, m.h = 0x90, m.l = 0x00;
        set_edges(m, 0, c.edges);
        run(rig, c.start);
        const bool in_r = c.code.begin()[0] == 0xDB || c.code.begin()[1] < 0x80;
        for (size_t k = 0; k < c.want.size(); k++) {
            bool backwards = c.code.begin()[1] == 0xAA || c.code.begin()[1] == 0xBA;
            uint8_t got = c.code.begin()[0] == 0xDB ? m.a
                          : in_r                    ? m.d
                                                    : rig->image[backwards ? 0x9000 - k : 0x9000 + k];
            EXPECT_EQ(got, c.want[k]) << c.name << ": read " << k;
        }
        EXPECT_EQ(m.ear.heard, c.want_heard) << c.name;
    }
}

// The loader trap: only IN A,(FE) leaving pc at the loader's first IN end, only when armed,
// and only with a tape inserted; the run goes on either way.
TEST(EarInput, LoaderTrap) {
    struct Case {
        const char *name;
        uint16_t at;
        uint8_t op, port;
        uint8_t active, armed;
        uint8_t want_trapped;
    } cases[] = {
        {"armed, IN A,(FE) at the loader's IN", 0x0562, 0xDB, 0xFE, 1, 1, 1},
        {"not armed", 0x0562, 0xDB, 0xFE, 1, 0, 0},
        {"no tape inserted", 0x0562, 0xDB, 0xFE, 0, 1, 0},
        {"armed, IN A,(FE) elsewhere", 0x8000, 0xDB, 0xFE, 1, 1, 0},
        {"armed, another port at that address", 0x0562, 0xDB, 0x1F, 1, 1, 0},
        {"armed, IN A,(C) ending at the same pc", 0x0562, 0xED, 0x78, 1, 1, 0},
    };
    for (const Case &c : cases) {
        Rig *rig = rig_power_on();
        Machine &m = rig->m;
        load(rig, c.at, {c.op, c.port, kHaltOp});
        m.pc = c.at, m.sp = 0xFF20, m.a = 0x7F, m.b = 0x7F, m.c = 0xFE;
        set_edges(m, 0, {});
        m.ear.active = c.active;
        m.ear.trap_armed = c.armed;
        run(rig);
        EXPECT_EQ(m.ear.trapped, c.want_trapped) << c.name;
        EXPECT_EQ(m.ear.trap_sp, c.want_trapped ? 0xFF20 : 0) << c.name;
        EXPECT_EQ(m.pc, uint16_t(c.at + 3)) << c.name << ": the run went on to the HALT";
    }
}

}  // namespace
