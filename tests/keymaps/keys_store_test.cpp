#include "keymaps/keys_store.h"

#include <SDL/SDL_keysym.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "keymaps_rig.h"
#include "snapshot/snapshot_fixture.h"

namespace {

const int kUp = hwkey_index(SDLK_UP), kDown = hwkey_index(SDLK_DOWN),
          kSelect = hwkey_index(SDLK_RETURN);

// "up = q", comments up to size bytes in all, then "select = space" whose first byte is at
// size - cut (cut 0: right after), then "down = a".
std::string padded(size_t size, size_t cut) {
    std::string text = "up = q\n";
    std::string tail = "select = space\n";
    while (text.size() + 100 < size - cut) text += "#" + std::string(98, '-') + "\n";
    text += "#" + std::string(size - cut - text.size() - 1, '-');
    text.back() = '\n';
    return text + tail + "down = a\n";
}

enum Standing { kNothing, kFile, kFolder, kFifo, kLinkToNothing, kLinkToFile };

// Whatever stands at a keys file's place, the read is bounded and never stops: a problem told
// under the file's name, the readable lines applied.
TEST(KeysStore, WhateverIsThereIsReadSafely) {
    std::mt19937 random(15);
    std::string junk(4096, '\0');
    for (char &c : junk) c = char(random());
    const std::string full = padded(kKeysFileLimit - 24, 0), cut = padded(kKeysFileLimit, 6);
    const char *too_large = "g.keys: larger than 64 KB, only its start read";
    struct Case {
        const char *what;
        Standing standing;
        std::string text;  // of the file, or of the file a link names
        int there;
        std::string problem;  // the first, after "<name>: " or "<name> line <n>: "
        std::vector<std::pair<int, int>> applied;
    } cases[] = {
        {"no file", kNothing, "", 0, "", {}},
        {"a folder", kFolder, "", 1, "g.keys: not a regular file", {}},
        {"a FIFO", kFifo, "", 1, "g.keys: not a regular file", {}},
        {"a link to nothing", kLinkToNothing, "", 0, "", {}},
        {"a link to a file", kLinkToFile, "up=q", 1, "", {{kUp, 'q'}}},
        {"64 KB exactly", kFile, full, 1, "", {{kUp, 'q'}, {kSelect, ' '}, {kDown, 'a'}}},
        {"a line cut at 64 KB", kFile, cut, 1, too_large, {{kUp, 'q'}}},
        {"binary junk", kFile, junk, 1, "g.keys line 1: ", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        std::string path = dir / "g.keys";
        const std::string real = c.standing == kLinkToFile ? path + ".real" : path;
        if (c.standing == kFile || c.standing == kLinkToFile)
            write_bytes(real, Bytes(c.text.begin(), c.text.end()));
        if (c.standing == kLinkToFile || c.standing == kLinkToNothing)
            symlink(c.standing == kLinkToFile ? real.c_str() : "/nonexistent/x.keys", path.c_str());
        if (c.standing == kFolder) mkdir(path.c_str(), 0755);
        if (c.standing == kFifo) mkfifo(path.c_str(), 0644);
        KeyMap map = kMarkedMap;
        KeysProblems problems = {};
        // Should the read wait, the alarm ends the test instead of hanging it.
        alarm(20);
        int there = 0;
        std::string log =
            logged([&](FILE *f) { there = keys_read(path.c_str(), &map, &problems, f); });
        alarm(0);
        EXPECT_EQ(there, c.there);
        if (c.problem.empty()) {
            EXPECT_EQ(problems.count, 0) << log;
        } else {
            EXPECT_EQ(std::string(problems.first).rfind(c.problem, 0), 0u) << problems.first;
            EXPECT_EQ(log.rfind(c.problem, 0), 0u) << log;
        }
        KeyMap want = kMarkedMap;
        for (auto [index, code] : c.applied) want.keys[index] = uint8_t(code);
        for (int i = 0; i < kHardwareKeys; i++) EXPECT_EQ(map.keys[i], want.keys[i]) << i;
    }
}

// A file the user may not read says why. The superuser reads any file, so the read runs as
// an ordinary user.
TEST(KeysStore, AnUnreadableFileSaysWhy) {
    TempDir dir;
    chmod(dir.path().c_str(), 0755);
    std::string path = dir / "locked.keys";
    write_bytes(path, Bytes{'u', 'p', '=', 'q'});
    chmod(path.c_str(), 0);
    // The problem goes to the log, standard error, for a failure to show.
    int result = as_ordinary_user([&] {
        KeyMap map = kMarkedMap;
        KeysProblems problems = {};
        bool there = keys_read(path.c_str(), &map, &problems, stderr) == 1;
        bool why = std::string(problems.first) == "locked.keys: Permission denied";
        return there && why && map.keys[kUp] == '~' ? 0 : 1;
    });
    EXPECT_EQ(result, 0);
}

// Saving replaces the whole file and leaves no temporary file behind.
TEST(KeysStore, SavedWholeAndReadBack) {
    TempDir dir;
    std::string path = dir / "g.keys";
    write_bytes(path, Bytes(5000, 'x'));
    KeyMap map = kKeyProfiles[0].map;
    map.keys[kUp] = 'q';
    ASSERT_EQ(keys_save(path.c_str(), &map), 0);
    KeyMap back = kMarkedMap;
    KeysProblems problems = {};
    EXPECT_EQ(keys_read(path.c_str(), &back, &problems, nullptr), 1);
    EXPECT_EQ(problems.count, 0) << problems.first;
    EXPECT_EQ(std::memcmp(&back, &map, sizeof map), 0);
    auto files = std::filesystem::directory_iterator(dir.path());
    EXPECT_EQ(std::distance(begin(files), end(files)), 1);
    EXPECT_EQ(keys_save((dir / "missing/g.keys").c_str(), &map), ENOENT);
}

}  // namespace
