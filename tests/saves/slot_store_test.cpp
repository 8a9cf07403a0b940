// The save slots: what the menu's tiles make of whatever stands at a slot's place, and saves
// that replace a slot whole or keep the old one.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>

#include "saves/slot_store.h"
#include "snapshot/sna_file.h"
#include "snapshot/snapshot_files.h"
#include "snapshot/snapshot_fixture.h"

namespace {

class SlotStore : public testing::Test {
   protected:
    TempDir dir;
    void SetUp() override { setenv("XDG_DATA_HOME", dir.path().c_str(), 1); }
    // The place the user reads about: $XDG_DATA_HOME/tavisk/saves/<game>/slot<n>.sna.
    std::string slot(int n) const {
        return dir.path() + "/tavisk/saves/game/slot" + std::to_string(n) + ".sna";
    }
    std::string folder() const { return dir.path() + "/tavisk/saves/game"; }
};

uint8_t screen_byte(int k, uint8_t seed) { return uint8_t(k * 7 + seed); }

bool has_screen(const uint8_t *screen, uint8_t seed) {
    for (int k = 0; k < kScreenBytes; k++)
        if (screen[k] != screen_byte(k, seed)) return false;
    return true;
}

// A machine whose screen bytes differ from those of another seed.
Machine *patterned_machine(uint8_t seed) {
    Machine *m = fresh_machine(seed);
    set_regs(m, kSampleRegs);
    for (int k = 0; k < kScreenBytes; k++) m->ram[k] = screen_byte(k, seed);
    return m;
}

TEST_F(SlotStore, TilesShowOnlyA48KSnapshotAndNeverWait) {
    struct Case {
        const char *what;
        std::function<void(const std::string &path)> make;
        SlotKind kind;
        uint8_t seed;  // of the machine whose screen a saved slot shows
    };
    const Case cases[] = {
        {"nothing", [](const std::string &) {}, kSlotEmpty, 0},
        {"a saved slot",
         [](const std::string &) { ASSERT_EQ(slot_save(patterned_machine(5), "game", 2), 0); },
         kSlotSaved, 5},
        {"a 128K .sna", [](const std::string &p) { write_bytes(p, Bytes(kSna128Size, 1)); },
         kSlotUnreadable, 0},
        {"a .sna cut short", [](const std::string &p) { write_bytes(p, Bytes(kSnaFileSize - 1)); },
         kSlotUnreadable, 0},
        {"a folder", [](const std::string &p) { mkdir(p.c_str(), 0700); }, kSlotUnreadable, 0},
        {"a FIFO", [](const std::string &p) { mkfifo(p.c_str(), 0600); }, kSlotUnreadable, 0},
        {"a link to a .sna",
         [&](const std::string &p) {
             ASSERT_EQ(save_sna(patterned_machine(3), (dir / "elsewhere.sna").c_str()), 0);
             symlink((dir / "elsewhere.sna").c_str(), p.c_str());
         },
         kSlotSaved, 3},
        {"a link to nothing",
         [&](const std::string &p) { symlink((dir / "gone.sna").c_str(), p.c_str()); },
         kSlotUnreadable, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(folder());
        std::filesystem::create_directories(folder());
        c.make(slot(2));
        static SlotView view;
        slot_view("game", 2, &view);
        EXPECT_EQ(view.kind, c.kind);
        // The snapshot's own screen bytes: those of the machine that was saved.
        if (view.kind == kSlotSaved) EXPECT_TRUE(has_screen(view.screen, c.seed));
    }
}

TEST_F(SlotStore, ASaveReplacesTheSlotWholeOrKeepsTheOldOne) {
    struct Case {
        const char *what;
        std::function<void()> before;
        bool as_user;  // as an ordinary user, whom permission bits stop
        int error;
    };
    const Bytes old(kSnaFileSize, 0x77);
    const Case cases[] = {
        {"no folder yet", [] {}, false, 0},
        {"over an old slot",
         [&] {
             std::filesystem::create_directories(folder());
             write_bytes(slot(1), old);
         },
         false, 0},
        {"a folder closed to new files",
         [&] {
             // Open to the ordinary user but for new names; the old slot is theirs to write.
             chmod(dir.path().c_str(), 0777);
             std::filesystem::create_directories(folder());
             for (std::string p = folder(); p != dir.path(); p = p.substr(0, p.rfind('/')))
                 chmod(p.c_str(), 0777);
             write_bytes(slot(1), old);
             chmod(slot(1).c_str(), 0666);
             chmod(folder().c_str(), 0555);
         },
         true, EACCES},
        {"a folder in its place", [&] { std::filesystem::create_directories(slot(1)); }, false,
         EISDIR},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        if (std::filesystem::exists(folder())) chmod(folder().c_str(), 0700);
        std::filesystem::remove_all(dir.path() + "/tavisk");
        c.before();
        Bytes before = std::filesystem::is_regular_file(slot(1)) ? read_bytes(slot(1)) : Bytes();
        Machine *m = patterned_machine(9);
        Regs saved = regs_of(m);
        saved.portfe |= 0xF8;  // a .sna keeps the border; a fresh machine's other bits are set
        int error = c.as_user ? as_ordinary_user([&] { return slot_save(m, "game", 1); })
                              : slot_save(m, "game", 1);
        EXPECT_EQ(error, c.error) << std::strerror(error);
        if (error) {
            if (!before.empty()) EXPECT_EQ(read_bytes(slot(1)), before) << "the old slot lost";
            continue;
        }
        // The slot loads back as the machine that was saved.
        char message[kSnapshotMessageSize];
        Machine *back = fresh_machine(0);
        ASSERT_EQ(load_snapshot(back, slot(1).c_str(), message, sizeof message), kLoaded)
            << message;
        EXPECT_EQ(regs_of(back), saved);
        EXPECT_TRUE(has_screen(back->ram, 9));
    }
}

}  // namespace
