// A machine record from another program's snapshot is taken whole or not at all.
#include "snapshot/snapshot_state.h"

#include <algorithm>
#include <cstring>

#include "snapshot/load_result.h"
#include "tests/snapshot/snapshot_fixture.h"

namespace {

TEST(SnapshotState, TakenWholeOrNotAtAll) {
    static SnapshotState s;
    auto sample = [] {
        std::memset(&s, 0, sizeof s);
        s.a = 0x11, s.f = 0xD7, s.b = 0x22, s.c = 0x33, s.d = 0x44, s.e = 0x55, s.h = 0x66;
        s.l = 0x77, s.r = 0xB5, s.alta = 0x88, s.altf = 0x99, s.altb = 0xAA, s.altc = 0xBB;
        s.altd = 0xCC, s.alte = 0xDD, s.alth = 0xEE, s.altl = 0xF1, s.i = 0x3F, s.iff1 = 1;
        s.iff2 = 0, s.im = 2, s.border = 3, s.pc = 0x9ABC, s.ix = 0x1357, s.iy = 0x2468;
        s.sp = 0x8000;
        for (int k = 0; k < kRamSize; k++) s.ram[k] = uint8_t(k * 7 + 1);
    };
    struct Case {
        const char *what;
        void (*spoil)();
        int result;
    } cases[] = {
        {"sound", [] {}, kLoaded},
        {"IFF1 of 2", [] { s.iff1 = 2; }, kNotSnapshot},
        {"IFF2 of 2", [] { s.iff2 = 2; }, kNotSnapshot},
        {"interrupt mode 3", [] { s.im = 3; }, kNotSnapshot},
        {"border 8", [] { s.border = 8; }, kNotSnapshot},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        sample();
        c.spoil();
        Machine *m = fresh_machine(0x5A);
        m->portfe = 0xF8 | 6;
        Regs before = regs_of(m);
        Untouched kept = untouched_of(m);
        EXPECT_EQ(load_snapshot_state(m, &s), c.result);
        EXPECT_EQ(untouched_of(m), kept);
        if (c.result != kLoaded) {
            EXPECT_EQ(regs_of(m), before);
            EXPECT_EQ(std::count(m->ram, m->ram + kRamSize, 0x5A), kRamSize);
            continue;
        }
        Regs want = {0x11, 0xD7, 0x22, 0x33, 0x44,   0x55,   0x66,   0x77,  0xB5,
                     0x88, 0x99, 0xAA, 0xBB, 0xCC,   0xDD,   0xEE,   0xF1,  0x3F,
                     1,    0,    2,    0xF8 | 3, 0x9ABC, 0x1357, 0x2468, 0x8000};
        EXPECT_EQ(regs_of(m), want);
        EXPECT_EQ(std::memcmp(m->ram, s.ram, kRamSize), 0);
    }
}

}  // namespace
