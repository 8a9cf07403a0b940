// Tapes offered to the front end: what it takes as a tape, what a refusal leaves, and the
// machine an accepted tape restarts.
#include "frontend/tape_control.h"

#include <cstring>
#include <fstream>

#include "front_end_rig.h"
#include "input/key_profiles.h"

namespace {

class TapeControl : public FrontEndRig {};

const KeyMap *profile_map(const char *name) {
    for (int i = 0; kKeyProfiles[i].name[0]; i++)
        if (std::strcmp(kKeyProfiles[i].name, name) == 0) return &kKeyProfiles[i].map;
    return nullptr;
}

TEST_F(TapeControl, TapesByNameRefusedOnesLeaveTheMachineAcceptedOnesRestartIt) {
    std::filesystem::copy_file(std::string(TAPES_DIR) + "/game.tap", "krakout.TAP");
    std::ofstream("bad.tzx") << "ZXTape!\x1a\x01\x14\x30\xff\xff";
    const KeyMap *krakout = profile_map("krakout");
    ASSERT_NE(krakout, nullptr);
    struct Case {
        const char *path;
        bool tape;       // taken as a tape (inserted or refused)
        bool restarted;  // the machine powered on again for it
    } cases[] = {
        {"game.sna", false, false},   {"tape.z80", false, false},  {"bad.tzx", true, false},
        {"missing.tap", true, false}, {"krakout.TAP", true, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        m->rom[0] = 0xF3;
        m->ram[0x1234] = 0x5A;
        m->pc = 0x8000;
        m->counter = 777;
        options_defaults(fe->options);
        KeyMap before = fe->options->keymap;
        SDL_Surface *surface = m->surface;
        EXPECT_EQ(tape_open(fe, c.path), c.tape);
        EXPECT_EQ(m->rom[0], 0xF3);
        EXPECT_EQ(m->surface, surface);
        EXPECT_EQ(m->counter, 777);
        EXPECT_EQ(m->ram[0x1234], c.restarted ? 0 : 0x5A);
        EXPECT_EQ(m->pc, c.restarted ? 0 : 0x8000);
        const KeyMap *want = c.restarted ? krakout : &before;
        EXPECT_EQ(std::memcmp(&fe->options->keymap, want, sizeof *want), 0);
    }
}

}  // namespace
