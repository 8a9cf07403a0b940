// The user's deck buttons between frames: where REW and FWD put the tape (standing, until
// the program asks), that STOP holds it against whatever the program does and PLAY lets it
// go on, and every edge afterwards as the library plays the tape from that block's start.

#include <gtest/gtest.h>

#include "tests/tape/tape_rig.h"

namespace {

// Polls for frames runs: "" when every read while the deck played saw the library's level at
// the same time of its stream from the start of block first (0-based), up to a level that
// may be the other way round throughout: where a block starts, either level can stand.
std::string follows_library(TapeRig *rig, const char *tape, int first, int frames) {
    LibraryStream lib = library_stream(tape, first);
    uint64_t base = 0;
    size_t passed = 0;
    int flip = -1;  // the deck's level XOR the library's, from the first read on
    std::string wrong;
    for (int n = 0; n < frames && wrong.empty(); n++) {
        bool playing = tape_playing(&rig->deck);
        poll_run(rig, n, [&](uint32_t t, uint8_t level) {
            if (!playing || !wrong.empty()) return;
            while (passed < lib.changes.size() && lib.changes[passed] <= base + t) passed++;
            int want = int(passed & 1);
            if (flip < 0) flip = level ^ want;
            if ((level ^ flip) != want)
                wrong = "run " + std::to_string(n) + ", tape time " + std::to_string(base + t);
        });
        if (playing) base += run_length(&rig->m);
    }
    if (wrong.empty() && passed < 1000) wrong = "only " + std::to_string(passed) + " changes";
    return wrong;
}

// Polls for frames runs: whether the level ever changed.
bool level_changes(TapeRig *rig, int frames) {
    uint8_t first = rig->m.ear.level;
    bool changed = false;
    for (int n = 0; n < frames; n++)
        poll_run(rig, n, [&](uint32_t, uint8_t level) { changed = changed || level != first; });
    return changed;
}

void press(TapeRig *rig, char button) {
    switch (button) {
        case 'R': tape_rewind(&rig->deck); break;
        case 'F': tape_forward(&rig->deck); break;
        case 'S': tape_stop(&rig->deck); break;
        case 'P': tape_play(&rig->deck); break;
    }
}

TEST(DeckButtons, MoveAndHoldTheTapeAndEveryEdgeFollows) {
    // fast.tzx: two blocks of fast bits with no pause; 40 runs of polling end in block 1's data.
    struct Case {
        const char *name;
        const char *buttons;  // R REW, F FWD, S STOP, P PLAY
        int block;            // 1-based, where the tape then stands; 0 at its end
        bool playing;
    } cases[] = {
        {"REW in a block: its start", "R", 1, false},
        {"REW at a block's start: the one before", "FR", 1, false},
        {"REW at the first block's start: there", "RR", 1, false},
        {"FWD: the next block's start", "F", 2, false},
        {"FWD from the last block: the end", "FF", 0, false},
        {"REW at the end: the last block", "FFR", 2, false},
        {"REW, then PLAY", "RP", 1, true},
        {"STOP: held where it stood", "S", 1, false},
        {"STOP, then REW: held at the start", "SR", 1, false},
        {"STOP, REW, PLAY: on from the start", "SRP", 1, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto rig = make_rig();
        insert(rig.get(), "fast.tzx");
        level_changes(rig.get(), 40);
        for (const char *b = c.buttons; *b; b++) press(rig.get(), *b);
        EXPECT_EQ(tape_at_end(&rig->deck), c.block == 0);
        EXPECT_EQ(tape_playing(&rig->deck), c.playing);
        if (c.block == 0) continue;
        EXPECT_EQ(tape_block(&rig->deck), c.block);
        if (rig->deck.motor == kMotorPaused) {
            EXPECT_FALSE(level_changes(rig.get(), 60)) << "STOP did not hold the tape";
            EXPECT_EQ(tape_block(&rig->deck), c.block);
            continue;
        }
        EXPECT_EQ(follows_library(rig.get(), "fast.tzx", c.block - 1, 60), "");
    }
}

// The ROM loader and the user's buttons: STOP keeps it waiting with no instant load, PLAY
// lets the block in, and REW after a load makes the next LD-BYTES read the same block again.
TEST(DeckButtons, RomLoaderWaitsOnStopAndRereadsAfterRew) {
    constexpr uint16_t kHeaderAt = 0x6000, kAgainAt = 0x6100;
    auto rig = make_rig();
    insert(rig.get(), "code.tap");
    tape_stop(&rig->deck);
    call_ld_bytes(rig.get(), 0x00, true, 17, kHeaderAt);
    EXPECT_EQ(run_to_caller(rig.get(), true, 300), -1) << "loaded while stopped";
    EXPECT_EQ(tape_block(&rig->deck), 1);
    tape_play(&rig->deck);
    ASSERT_GT(run_to_caller(rig.get(), true, 2000), 0);
    EXPECT_TRUE(rig->m.f & kFlagC);
    tape_rewind(&rig->deck);
    EXPECT_EQ(tape_block(&rig->deck), 1);
    call_ld_bytes(rig.get(), 0x00, true, 17, kAgainAt);
    EXPECT_GT(run_to_caller(rig.get(), true, 5), 0) << "no instant load after REW";
    EXPECT_TRUE(rig->m.f & kFlagC);
    EXPECT_EQ(std::memcmp(rig->image + kHeaderAt, rig->image + kAgainAt, 17), 0);
}

}  // namespace
