// A deck put back where it stood plays on exactly as it played the first time: the same edges
// handed to every run, the same instant loads, across blocks, stop blocks and data passed
// over, however far the library went on meanwhile.
#include <gtest/gtest.h>

#include "snapshot/snapshot_fixture.h"
#include "tape/tape_position.h"
#include "tests/tape/tape_rig.h"

namespace {

constexpr uint16_t kPolling = 0x9200;  // IN A,(0xFE); JR back: the tape plays in real time
constexpr uint16_t kLoading = 0x9300;  // LD-BYTES for a header, then kPolling

void place_programs(TapeRig *rig) {
    load_bytes(rig, kPolling, {0xDB, 0xFE, 0x18, 0xFC});
    // LD A,0; SCF; LD DE,17; LD IX,0x6000; CALL LD-BYTES; JP kPolling
    load_bytes(rig, kLoading, {0x3E, 0x00, 0x37, 0x11, 0x11, 0x00, 0xDD, 0x21, 0x00, 0x60,
                               0xCD, 0x56, 0x05, 0xC3, 0x00, 0x92});
}

// What a frame showed: the edges handed to the run, how many it passed, the level it began
// with, where the program and the tape were at its end.
std::vector<uint32_t> played(TapeRig *rig, int frames) {
    std::vector<uint32_t> seen;
    for (int n = 0; n < frames; n++) {
        frame(rig);
        const EarSignal &ear = rig->m.ear;
        seen.insert(seen.end(), {ear.count, ear.next, ear.level, rig->m.pc,
                                 uint32_t(tape_block(&rig->deck)), rig->deck.place});
        seen.insert(seen.end(), ear.edge, ear.edge + ear.count);
    }
    seen.push_back(uint32_t(std::hash<std::string>()(
        std::string(rig->m.ram, rig->m.ram + kRamSize))));  // the loads' bytes
    return seen;
}

TEST(TapePosition, ADeckPutBackPlaysOnAsItPlayedBefore) {
    struct Case {
        const char *tape;
        uint16_t program;
        int before;  // frames played before the deck is copied
        int after;   // frames compared after it
    };
    const Case cases[] = {
        {"turbo.tzx", kPolling, 3, 60},      // in the pilot, on into the data
        {"turbo.tzx", kPolling, 45, 40},     // in the data
        {"code.tzx", kPolling, 320, 120},    // the code block reached after the header
        {"stop.tzx", kPolling, 4, 60},       // before the stop block, and past it
        {"code.tap", kLoading, 2, 150},      // the header loaded at once, in its gap
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.tape) + " after " + std::to_string(c.before) + " frames");
        auto rig = make_rig();
        place_programs(rig.get());
        insert(rig.get(), c.tape);
        call_at(rig.get(), c.program);
        for (int n = 0; n < c.before; n++) frame(rig.get());
        TapeDeck taken = rig->deck;
        Regs regs = regs_of(&rig->m);
        Bytes ram = ram_of(&rig->m);

        std::vector<uint32_t> first = played(rig.get(), c.after);
        ASSERT_EQ(tape_put_back(&rig->deck, &taken), 0);
        set_regs(&rig->m, regs);
        std::copy(ram.begin(), ram.end(), rig->m.ram);
        std::vector<uint32_t> again = played(rig.get(), c.after);
        EXPECT_EQ(again, first);
    }
}

}  // namespace
