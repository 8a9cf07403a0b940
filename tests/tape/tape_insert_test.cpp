// Which paths are tapes, and what inserting refuses: the deck and the machine stay as they
// were, and the user reads why.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "tests/tape/tape_rig.h"

namespace {

TEST(TapeInsert, TapePathsByTheirEnding) {
    struct Case {
        const char *path;
        bool tape;
    } cases[] = {
        {"game.tap", true},          {"GAME.TZX", true},      {"/a/b/Level.PzX", true},
        {"rec.csw", true},           {"rec.Wav", true},       {"game.sna", false},
        {"game.z80", false},         {"game.tap.z80", false}, {"tap", false},
        {"dir.tap/game.sna", false}, {"game.tapx", false},    {"", false},
    };
    for (const Case &c : cases) EXPECT_EQ(tape_path(c.path), c.tape) << c.path;
}

void write_bytes(const std::string &path, const std::vector<uint8_t> &bytes) {
    FILE *f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

TEST(TapeInsert, RefusesWhatItCannotReadAndKeepsTheTapeItHas) {
    char dir_template[] = "/tmp/tape_insert_XXXXXX";
    ASSERT_NE(mkdtemp(dir_template), nullptr);
    std::string dir = dir_template;
    std::vector<uint8_t> code = read_file(data_path("code.tap"));
    std::vector<uint8_t> tzx = read_file(data_path("code.tzx"));
    ASSERT_GT(code.size(), 10u);
    ASSERT_GT(tzx.size(), 20u);
    write_bytes(dir + "/short.tap", std::vector<uint8_t>(code.begin(), code.begin() + 5));
    write_bytes(dir + "/cut.tzx", std::vector<uint8_t>(tzx.begin(), tzx.begin() + 14));
    std::vector<uint8_t> noise(200);
    for (size_t i = 0; i < noise.size(); i++) noise[i] = uint8_t(i * 151 + 17);
    write_bytes(dir + "/noise.tzx", noise);
    write_bytes(dir + "/empty.tap", {});
    ASSERT_EQ(mkdir((dir + "/folder.tap").c_str(), 0755), 0);
    ASSERT_EQ(mkfifo((dir + "/pipe.tap").c_str(), 0644), 0);

    // A tape cut short is refused with the library's reason after the message, in the
    // library's words; nothing of the library's own goes to standard error.
    struct Case {
        const char *name;
        const char *message;
        bool reason;  // the library's reason follows message
    } cases[] = {
        {"missing.tap", "Can't read missing.tap: No such file or directory", false},
        {"folder.tap", "Can't read folder.tap: Is a directory", false},
        // and it must not wait for a writer
        {"pipe.tap", "Can't read pipe.tap: No such device", false},
        {"short.tap", "Can't read short.tap: ", true},
        {"cut.tzx", "Can't read cut.tzx: ", true},
        {"noise.tzx", "Not a tape: noise.tzx", false},
        {"empty.tap", "Not a tape: empty.tap", false},
    };
    auto rig = make_rig();
    insert(rig.get(), "code.tap");
    frame(rig.get());
    auto before = std::make_unique<TapeDeck>(rig->deck);
    EarSignal ear = rig->m.ear;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        char text[300] = "";
        testing::internal::CaptureStderr();
        EXPECT_EQ(tape_insert(&rig->deck, (dir + "/" + c.name).c_str(), text, sizeof text), -1);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        std::string message = c.message;
        if (c.reason) {
            EXPECT_EQ(std::string(text).rfind(message, 0), 0u) << text;
            EXPECT_GT(std::strlen(text), message.size()) << "no reason given";
        } else {
            EXPECT_EQ(text, message);
        }
        EXPECT_EQ(std::memcmp(&rig->deck, before.get(), sizeof rig->deck), 0);
        EXPECT_EQ(std::memcmp(&rig->m.ear, &ear, sizeof ear), 0);
    }
    EXPECT_STREQ(tape_name(&rig->deck), "code.tap");
    EXPECT_EQ(tape_blocks(&rig->deck), 2);
    for (const char *name : {"short.tap", "cut.tzx", "noise.tzx", "empty.tap", "pipe.tap"})
        unlink((dir + "/" + name).c_str());
    rmdir((dir + "/folder.tap").c_str());
    rmdir(dir.c_str());
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
