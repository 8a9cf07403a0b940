// The ROM's own LOAD command, typed on the OpenSE ROM, with a BASIC loader and a code block
// on the tape (as a game's tape has them): every block goes through the loader trap, and a
// stop block between them does not keep the tape standing.

#include <gtest/gtest.h>

#include "input/key_matrix.h"
#include "tests/tape/tape_rig.h"

namespace {

constexpr int kBootFrames = 150;
// Held, then released, for so many frames each: the ROM takes a key pressed again only after
// it has been up for five of its keyboard scans.
constexpr int kKeyFrames = 8;

void type(TapeRig *rig, const char *keys) {
    for (const char *k = keys; *k; k++) {
        key_press(uint8_t(*k), &rig->m);
        for (int n = 0; n < kKeyFrames; n++) frame(rig);
        key_release(uint8_t(*k), &rig->m);
        for (int n = 0; n < kKeyFrames; n++) frame(rig);
    }
}

TEST(LoadCommand, LoadsABasicLoaderAndItsCode) {
    struct Case {
        const char *tape;
        int blocks;
        int most_frames;
    } cases[] = {
        // The tape's four blocks would take some 1100 frames to play; the ROM's own work
        // between them (messages, the program's run) takes a few dozen.
        {"basic_code.tap", 4, 100},
        // A stop-the-tape-on-48K block before the code: it stops the tape while LOAD "" CODE
        // waits in the ROM loader, which starts it again. The code's header then plays in real
        // time (its five-second pilot), and its data loads at once.
        {"basic_stop_code.tzx", 5, 500},
    };
    std::vector<uint8_t> code = read_file(data_path("code.bin"));
    ASSERT_EQ(code.size(), 300u);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tape);
        auto rig = make_rig();
        rig->m.pc = 0;
        rig->m.counter = 0;
        for (int n = 0; n < kBootFrames; n++) frame(rig.get());
        insert(rig.get(), c.tape);
        const char command[] = {'l', 'o', 'a', 'd', '"', '"', char(kKeyEnter), 0};
        type(rig.get(), command);
        int frames = 0;
        while (!tape_at_end(&rig->deck) && frames++ < 2000) frame(rig.get());
        EXPECT_LT(frames, c.most_frames);
        EXPECT_TRUE(tape_at_end(&rig->deck)) << "block " << tape_block(&rig->deck);
        for (int n = 0; n < 10; n++) frame(rig.get());
        EXPECT_EQ(std::memcmp(rig->image + 0x8000, code.data(), code.size()), 0);
        EXPECT_EQ(tape_block(&rig->deck), c.blocks);
    }
}

}  // namespace
