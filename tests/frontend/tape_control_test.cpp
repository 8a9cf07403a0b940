// Tapes offered to the front end: what it takes as a tape, what a refusal leaves, and the
// machine an accepted tape restarts.
#include "frontend/tape_control.h"

#include <cstring>
#include <vector>

#include "front_end_rig.h"
#include "frontend/event_dispatch.h"
#include "frontend/snapshot_actions.h"
#include "input/key_profiles.h"
#include "snapshot/snapshot_files.h"
#include "tests/decode_here.h"

namespace {

using Bytes = std::vector<uint8_t>;

class TapeControl : public FrontEndRig {};

const KeyMap *profile_map(const char *name) {
    for (int i = 0; kKeyProfiles[i].name[0]; i++)
        if (std::strcmp(kKeyProfiles[i].name, name) == 0) return &kKeyProfiles[i].map;
    return nullptr;
}

TEST_F(TapeControl, RefusedTapesLeaveTheMachineAcceptedOnesRestartIt) {
    std::filesystem::copy_file(std::string(TAPES_DIR) + "/game.tap", "krakout.TAP");
    const KeyMap *krakout = profile_map("krakout");
    ASSERT_NE(krakout, nullptr);
    Bytes cut = {'Z', 'X', 'T', 'a', 'p', 'e', '!', 0x1a, 0x01, 0x14, 0x30, 0xff, 0xff};
    cut.resize(cut.size() + kLibrarySpare);
    struct Case {
        const char *what;
        void (*open)(FrontEnd *fe, const Bytes &cut);
        bool restarted;  // the machine powered on again for it
    } cases[] = {
        {"a TZX cut short",
         [](FrontEnd *fe, const Bytes &cut) {
             tape_open_decoded(fe, "bad.tzx", cut.data(), cut.size() - kLibrarySpare);
         },
         false},
        {"krakout.TAP", [](FrontEnd *fe, const Bytes &) { open_tape(fe, "krakout.TAP"); }, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        m->rom[0] = 0xF3;
        m->ram[0x1234] = 0x5A;
        m->pc = 0x8000;
        m->counter = 777;
        options_defaults(fe->options);
        KeyMap before = fe->options->keymap;
        SDL_Surface *surface = m->surface;
        c.open(fe, cut);
        EXPECT_EQ(m->rom[0], 0xF3);
        EXPECT_EQ(m->surface, surface);
        EXPECT_EQ(m->counter, 777);
        EXPECT_EQ(m->ram[0x1234], c.restarted ? 0 : 0x5A);
        EXPECT_EQ(m->pc, c.restarted ? 0 : 0x8000);
        const KeyMap *want = c.restarted ? krakout : &before;
        EXPECT_EQ(std::memcmp(&fe->options->keymap, want, sizeof *want), 0);
    }
}

// The ROM's editor as the load command's typist waits for it: an empty edit line with the
// cursor at its start, both key sets free, the last key taken, and an interrupt since.
void editor_ready(Machine *m) {
    constexpr uint16_t kLine = 0x6000;
    memory_write16(m->rom, kSysEline, kLine);
    memory_write16(m->rom, kSysKcur, kLine);
    memory_write(m->rom, kLine, kLineEnd);
    memory_write(m->rom, kLine + 1, kAreaEnd);
    memory_write(m->rom, kSysKstate, 0xFF);
    memory_write(m->rom, kSysKstateSecond, 0xFF);
    memory_write(m->rom, kSysFlags, 0x00);
    memory_write(m->rom, kSysFrames, uint8_t(memory_read(m->rom, kSysFrames) + 1));
}

TEST_F(TapeControl, ResetOrSnapshotStopsTheLoadCommandAnotherTapeStartsItOver) {
    std::filesystem::copy_file(std::string(TAPES_DIR) + "/game.tap", "game.tap");
    std::filesystem::copy_file("game.tap", "other.tap");
    const char *folders[] = {nullptr};
    char message[kSnapshotMessageSize];
    ASSERT_EQ(save_snapshot(m, "saved.sna", folders, message, sizeof message), 0);
    struct Case {
        const char *what;
        void (*act)(FrontEnd *fe);
        bool typed_on;  // the command starts again from its first key, L
    } cases[] = {
        {"RESET", [](FrontEnd *fe) { button_action(fe, kActionReset); }, false},
        {"snapshot", [](FrontEnd *fe) { load_and_say(fe, "saved.sna"); }, false},
        {"tape", [](FrontEnd *fe) { open_tape(fe, "other.tap"); }, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        open_tape(fe, "game.tap");
        editor_ready(m);
        tape_frame_start(fe);
        ASSERT_TRUE(down('l'));
        c.act(fe);
        EXPECT_FALSE(down('l'));
        for (int frame = 0; frame < 3; frame++) {
            editor_ready(m);
            tape_frame_start(fe);
        }
        EXPECT_EQ(down('l'), c.typed_on);
        for (int code : {int('o'), int('a'), int('d'), kKeySymbolShift, kKeyEnter})
            EXPECT_FALSE(down(code));
    }
}

}  // namespace
