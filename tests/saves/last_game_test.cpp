// The note of the game played last: read back as written or as a person edits it, and a
// snapshot that changed since it was noted told apart from the one that was saved.
#include <cerrno>
#include <functional>

#include "saves/last_game.h"
#include "snapshot/sna_file.h"
#include "snapshot/snapshot_fixture.h"

namespace {

class LastGameNote : public testing::Test {
   protected:
    TempDir dir;
    std::string snapshot;
    void SetUp() override {
        setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
        snapshot = dir / "tmp.sna";
        ASSERT_EQ(save_sna(fresh_machine(), snapshot.c_str()), 0);
    }
    void write_note(const std::string &text) {
        std::filesystem::create_directories(dir / "tavisk");
        write_bytes(dir / "tavisk/last", Bytes(text.begin(), text.end()));
    }
};

TEST_F(LastGameNote, ASnapshotChangedSinceItWasNotedIsNotTheGames) {
    struct Case {
        const char *what;
        std::function<void(const std::string &)> after;
        int check;
    };
    const Case cases[] = {
        {"left alone", [](const std::string &) {}, 0},
        {"one byte changed",
         [](const std::string &p) {
             Bytes b = read_bytes(p);
             b[100] ^= 1;
             write_bytes(p, b);
         },
         EILSEQ},
        {"grown", [](const std::string &p) { write_bytes(p, Bytes(kSnaFileSize + 1)); }, EILSEQ},
        {"removed", [](const std::string &p) { std::filesystem::remove(p); }, ENOENT},
        {"a folder in its place",
         [](const std::string &p) {
             std::filesystem::remove(p);
             std::filesystem::create_directory(p);
         },
         EILSEQ},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(snapshot);
        ASSERT_EQ(save_sna(fresh_machine(), snapshot.c_str()), 0);
        ASSERT_EQ(last_record("my game", snapshot.c_str()), 0);
        c.after(snapshot);
        static LastGame last;
        ASSERT_EQ(last_read(&last), 1);
        EXPECT_STREQ(last.game, "my game");
        EXPECT_EQ(last.snapshot, snapshot);
        EXPECT_EQ(last_check(&last), c.check);
    }
}

TEST_F(LastGameNote, ANoteIsReadAsAPersonMayWriteIt) {
    struct Case {
        std::string text;
        int found;
        const char *game;
    };
    const Case cases[] = {
        {"game = krakout\nsnapshot = " + snapshot + "\ncheck = 00ff\n", 1, "krakout"},
        {"check=1\r\n\tsnapshot\t=  " + snapshot + "  \r\ngame =\r\n", 1, ""},
        {"game = a\nsnapshot = tmp.sna\ncheck = 1\n", 0, "a"},  // not an absolute path
        {"game = a\nsnapshot = " + snapshot + "\n", 0, "a"},      // no check
        {"game = a\nsnapshot = " + snapshot + "\ncheck = x1\n", 0, "a"},
    };
    static LastGame last;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        write_note(c.text);
        ASSERT_EQ(last_read(&last), c.found);
        EXPECT_STREQ(last.game, c.game);
    }
    // A name that would break its line is not noted, and the note before stays.
    write_note(cases[0].text);
    EXPECT_EQ(last_record("two\nlines", snapshot.c_str()), EINVAL);
    ASSERT_EQ(last_read(&last), 1);
    EXPECT_STREQ(last.game, "krakout");
}

}  // namespace
