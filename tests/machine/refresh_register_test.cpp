// R as the fetch count: what LD A,R reads after each kind of instruction, LD R,A, and the
// value written back at the end of a run.

#include <gtest/gtest.h>

#include "tests/machine/machine_rig.h"

namespace {

TEST(RefreshRegister, LdARCountsOpcodeFetches) {
    struct Case {
        const char *name;
        uint8_t r;                            // r before the run
        int nops;                             // NOPs at 0x8000 first
        std::initializer_list<uint8_t> code;  // then this, then LD A,R and HALT
        uint8_t want_a;
        int want_f;  // -1: not checked (the code sets flags of its own)
    } cases[] = {
        {"LD A,R alone: ED and 5F", 0x00, 0, {}, 0x82, 0x81},
        {"bit 7 reads 1 whatever r held", 0x05, 0, {}, 0x82, 0x81},
        {"bit 7 of r set stays", 0xFF, 0, {}, 0x82, 0x81},
        {"NOP counts one", 0x00, 1, {}, 0x83, 0x81},
        {"an immediate byte is not a fetch", 0x00, 0, {0x06, 0x77}, 0x83, 0x81},
        {"CB and its opcode count two", 0x00, 0, {0xCB, 0x00}, 0x84, -1},
        {"DD and its opcode count two", 0x00, 0, {0xDD, 0x21, 0x00, 0x00}, 0x84, 0x81},
        {"DDCB: only DD and CB count", 0x00, 0, {0xDD, 0xCB, 0x01, 0x06}, 0x84, -1},
        {"ED no-operation counts two", 0x00, 0, {0xED, 0xFF}, 0x84, 0x81},
        {"each prefix counts", 0x00, 0, {0xDD, 0xFD, 0x00}, 0x85, 0x81},
        {"DD before ED", 0x00, 0, {0xDD, 0xED, 0xFF}, 0x85, 0x81},
        {"LDIR: two per iteration", 0x00, 0, {0x01, 0x03, 0x00, 0xED, 0xB0}, 0x89, -1},
        {"seven bits wrap", 0x00, 130, {}, 0x84, 0x81},
        {"LD R,A with 05 then LD A,R", 0x00, 0, {0x3E, 0x05, 0xED, 0x4F}, 0x07, 0x01},
        {"LD R,A with 85 then LD A,R", 0x00, 0, {0x3E, 0x85, 0xED, 0x4F}, 0x87, 0x81},
        {"LD R,A restarts the count", 0x00, 0, {0x3E, 0x05, 0xED, 0x4F, 0x00, 0x00}, 0x09, 0x09},
        {"a zero result sets Z, and P/V from iff2",
         0x00,
         0,
         {0x3E, 0x7E, 0xED, 0x4F},
         0x00,
         kFlagZ | kFlagPV | kFlagC},
    };
    for (const Case &c : cases) {
        Rig *rig = rig_power_on();
        Machine &m = rig->m;
        load_repeated(rig, 0x8000, 0x00, c.nops);
        uint16_t at = uint16_t(0x8000 + c.nops);
        for (uint8_t b : c.code) rig->image[at++] = b;
        load(rig, at, {0xED, 0x5F, 0x76});
        m.pc = 0x8000, m.r = c.r, m.f = kFlagC;
        m.iff2 = (c.want_f & kFlagPV) ? 1 : 0;  // iff1 stays 0: no interrupt
        m.h = 0x90, m.d = 0xA0, m.ix = 0x9000;
        run(rig);
        EXPECT_EQ(m.a, c.want_a) << c.name;
        if (c.want_f >= 0) {
            EXPECT_EQ(m.f, c.want_f) << c.name;
        }
        EXPECT_EQ(m.r, c.want_a) << c.name << ": LD A,R also sets the working R";
    }
}

// Without LD A,R or LD R,A the run writes back r | 0x80; with LD R,A it writes back A as
// stored, whatever was fetched after it. The next run starts from that value with bit 7 set.
TEST(RefreshRegister, WriteBack) {
    struct Case {
        const char *name;
        uint8_t r;
        std::initializer_list<uint8_t> code;  // then HALT
        uint8_t want_r;
        uint8_t want_next;  // LD A,R at the start of the following run
    } cases[] = {
        {"fetches are not added", 0x12, {0x00, 0x00, 0x00, 0xCB, 0x00}, 0x92, 0x82},
        {"bit 7 already set", 0xC0, {0x00}, 0xC0, 0x82},
        {"LD R,A stores A as it is", 0x00, {0x3E, 0x05, 0xED, 0x4F, 0x00, 0x00}, 0x05, 0x82},
        {"LD R,A with bit 7", 0x00, {0x3E, 0xFD, 0xED, 0x4F, 0x00}, 0xFD, 0x82},
    };
    for (const Case &c : cases) {
        Rig *rig = rig_power_on();
        Machine &m = rig->m;
        uint16_t at = 0x8000;
        for (uint8_t b : c.code) rig->image[at++] = b;
        load(rig, at, {0x76, 0xED, 0x5F, 0x76});
        m.pc = 0x8000, m.r = c.r;
        run(rig);
        EXPECT_EQ(m.r, c.want_r) << c.name;
        EXPECT_EQ(m.pc, at + 1) << c.name;
        run(rig);
        EXPECT_EQ(m.a, c.want_next) << c.name;
    }
}

}  // namespace
