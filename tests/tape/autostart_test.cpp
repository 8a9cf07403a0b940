// The load command typed after a power-on reaches the ROM's own editor through its keyboard
// scan: read back from the edit line the ROM keeps in its memory.
#include "tape/autostart.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "machine/run_frame.h"

namespace {

struct Powered {
    Machine m;
    uint8_t image[kMemorySize];
};

// Power-on with the ROM at path (a short one padded with zeros); false when it cannot be read.
bool power_on(Powered *p, const char *path) {
    std::memset(p->image, 0, sizeof p->image);
    FILE *f = std::fopen(path, "rb");
    if (!f) return false;
    size_t got = std::fread(p->image, 1, kRomSize, f);
    std::fclose(f);
    machine_power_on(&p->m, p->image);
    return got > 0;
}

void run_one(Machine *m) {
    m->tstates = 0;
    m->tslimit = kFrameTstates;
    run_frame(m);
    m->counter += 1;
}

constexpr uint8_t kTokenLoad = 0xEF;
// The ROM's tape loader, LD-BYTES and the edge loops it calls.
constexpr uint16_t kLoaderFirst = 0x0556, kLoaderLast = 0x05FF;

TEST(Autostart, TypesLoadQuoteQuoteEnterIntoTheRomsEditor) {
    struct Case {
        const char *rom;
        bool keyword_entry;
        bool runs_loader;  // the real ROM goes on to run the command
    } cases[] = {{OPENSE_ROM, false, true}, {KEYWORD_ROM, true, false}};
    static Powered p;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.rom);
        ASSERT_TRUE(power_on(&p, c.rom));
        EXPECT_EQ(rom_has_keyword_entry(p.m.rom), c.keyword_entry);
        Autostart a;
        autostart_begin(&a, &p.m);
        int frames = 0;
        while (!autostart_step(&a, &p.m) && frames < 1000) {
            run_one(&p.m);
            frames++;
        }
        ASSERT_LT(frames, 1000);
        for (int k = 0; k < 25; k++) run_one(&p.m);
        // LOAD "" ENTER, whether the editor took L O A D and made the token of them or took
        // the token itself from K mode.
        uint16_t line = memory_read16(p.image, kSysEline);
        std::vector<uint8_t> got(p.image + line, p.image + line + 4);
        EXPECT_EQ(got, (std::vector<uint8_t>{kTokenLoad, '"', '"', kLineEnd}));
        for (int row = 0; row < 8; row++) EXPECT_EQ(p.m.keyrows[row], 0xFF) << row;
        if (c.runs_loader) {
            EXPECT_GE(p.m.pc, kLoaderFirst);
            EXPECT_LE(p.m.pc, kLoaderLast);
        }
    }
}

// A ROM that never shows its editor gets nothing typed and stops the typing in the end.
TEST(Autostart, GivesUpOnARomWithoutAnEditor) {
    static Powered p;
    std::memset(p.image, 0, sizeof p.image);
    machine_power_on(&p.m, p.image);
    Autostart a;
    autostart_begin(&a, &p.m);
    int steps = 0;
    while (!autostart_step(&a, &p.m) && steps < 100000) {
        p.image[kSysFrames] = uint8_t(steps);  // a frame counter that runs, and nothing else
        steps++;
    }
    EXPECT_GT(steps, 50 * 10);
    EXPECT_LT(steps, 100000);
    for (int row = 0; row < 8; row++) EXPECT_EQ(p.m.keyrows[row], 0xFF) << row;
}

}  // namespace
