// What inserting refuses: the deck and the machine stay as they were, and the user reads
// why; what inserting and ejecting do to the deck.

#include <gtest/gtest.h>

#include "tests/tape/tape_rig.h"

namespace {

// The deck reads what the decoder hands it as TZX and nothing else: a refusal leaves the
// deck and the machine as they were, and the user reads why.
TEST(TapeInsert, RefusesWhatIsNoTzxAndKeepsTheTapeItHas) {
    std::vector<uint8_t> tzx = read_file(data_path("code.tzx"));
    std::vector<uint8_t> tap = read_file(data_path("code.tap"));
    ASSERT_GT(tzx.size(), 20u);
    struct Case {
        const char *what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"a TZX cut in its first block", std::vector<uint8_t>(tzx.begin(), tzx.begin() + 14)},
        {"a TAP image", tap},
        {"a TZX header alone", std::vector<uint8_t>(tzx.begin(), tzx.begin() + 10)},
    };
    auto rig = make_rig();
    insert(rig.get(), "code.tap");
    frame(rig.get());
    auto before = std::make_unique<TapeDeck>(rig->deck);
    EarSignal ear = rig->m.ear;
    for (Case &c : cases) {
        SCOPED_TRACE(c.what);
        size_t size = c.bytes.size();
        c.bytes.resize(size + kLibrarySpare, 0);
        char text[300] = "";
        testing::internal::CaptureStderr();
        EXPECT_EQ(tape_insert(&rig->deck, "bad.tzx", c.bytes.data(), size, text, sizeof text), -1);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(std::string(text).rfind("Can't read bad.tzx: ", 0), 0u) << text;
        EXPECT_GT(std::strlen(text), std::strlen("Can't read bad.tzx: ")) << "no reason given";
        EXPECT_EQ(std::memcmp(&rig->deck, before.get(), sizeof rig->deck), 0);
        EXPECT_EQ(std::memcmp(&rig->m.ear, &ear, sizeof ear), 0);
    }
    EXPECT_STREQ(tape_name(&rig->deck), "code.tap");
    EXPECT_EQ(tape_blocks(&rig->deck), 2);
}

TEST(TapeInsert, InsertRewindsAndEjectSilences) {
    auto rig = make_rig();
    insert(rig.get(), "code_twice.tap");
    EXPECT_TRUE(tape_inserted(&rig->deck));
    EXPECT_EQ(tape_blocks(&rig->deck), 4);
    call_ld_bytes(rig.get(), 0x00, true, 17, 0x6000);
    ASSERT_GT(run_to_caller(rig.get(), true, 5), 0);
    call_ld_bytes(rig.get(), 0xFF, true, 300, 0x8000);
    ASSERT_GT(run_to_caller(rig.get(), true, 5), 0);
    EXPECT_EQ(tape_block(&rig->deck), 2);

    // Another tape replaces it, at its first block, stopped.
    insert(rig.get(), "basic.tap");
    EXPECT_STREQ(tape_name(&rig->deck), "basic.tap");
    EXPECT_EQ(tape_blocks(&rig->deck), 2);
    EXPECT_EQ(tape_block(&rig->deck), 1);
    EXPECT_FALSE(tape_playing(&rig->deck));
    EXPECT_FALSE(tape_at_end(&rig->deck));
    frame(rig.get());
    EXPECT_TRUE(rig->m.ear.active);
    EXPECT_TRUE(rig->m.ear.trap_armed);

    tape_eject(&rig->deck, &rig->m);
    EXPECT_FALSE(tape_inserted(&rig->deck));
    EXPECT_FALSE(rig->m.ear.active);
    frame(rig.get());
    EXPECT_FALSE(rig->m.ear.active);
    EXPECT_FALSE(rig->m.ear.trap_armed);
}

// The trap is armed only over a ROM whose loader is the one the instant load copies.
TEST(TapeInsert, TrapArmedOnlyOverTheKnownLoader) {
    auto rig = make_rig();
    EXPECT_TRUE(rom_loader_intact(rig->m.rom));
    insert(rig.get(), "code.tap");
    frame(rig.get());
    EXPECT_TRUE(rig->m.ear.trap_armed);
    struct Case {
        uint16_t addr;
        const char *what;
    } cases[] = {
        {kLoaderStart, "LD-BYTES's first byte"},
        {0x05CB, "LD-8-BITS's call"},
        {0x05E8, "LD-EDGE-1's delay"},
        {kLoaderEnd - 1, "LD-EDGE-1's RET"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        uint8_t kept = rig->image[c.addr];
        rig->image[c.addr] ^= 0x01;
        EXPECT_FALSE(rom_loader_intact(rig->m.rom));
        frame(rig.get());
        EXPECT_FALSE(rig->m.ear.trap_armed);
        rig->image[c.addr] = kept;
    }
    EXPECT_TRUE(rom_loader_intact(rig->m.rom));
}

}  // namespace
