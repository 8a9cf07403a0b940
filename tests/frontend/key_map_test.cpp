// The user's key maps through the front end: which map a load brings, what the status line
// says of it, and the gesture that changes it while paused.
#include "frontend/key_map_actions.h"

#include <sys/stat.h>

#include <fstream>
#include <map>

#include "decode/file_kind.h"
#include "front_end_rig.h"
#include "frontend/run_state.h"
#include "frontend/snapshot_actions.h"
#include "frontend/tape_control.h"
#include "input/key_profiles.h"
#include "keymaps/keys_store.h"
#include "snapshot/sna_file.h"
#include "tests/decode_here.h"

namespace {

// A keys file's content; kFolder and kFifo stand for those in its place.
const std::string kFolder = "<folder>", kFifo = "<fifo>";

class KeyMaps : public FrontEndRig {
   protected:
    std::string keymaps() const { return config + "/tavisk/keymaps"; }
    void write_keys(const std::string &name, const std::string &content) {
        std::filesystem::create_directories(keymaps());
        std::string path = keymaps() + "/" + name;
        if (content == kFolder)
            std::filesystem::create_directory(path);
        else if (content == kFifo)
            ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
        else
            std::ofstream(path) << content;
    }
    // A snapshot file at path (under the working folder) that loads.
    void make_snapshot(const std::string &path) {
        static uint8_t image[65536];
        static Machine saved;
        machine_power_on(&saved, image);
        saved.sp = 0xF000;
        std::filesystem::create_directories(std::filesystem::path(dir + "/" + path).parent_path());
        ASSERT_EQ(save_sna(&saved, (dir + "/" + path).c_str()), 0);
    }
    // Loads as the browser or the command line would: a tape, named so, as the decoder hands
    // it over.
    void load(const std::string &path) {
        if (file_kind(path.c_str()) != kFileTape) {
            load_and_say(fe, path.c_str());
            return;
        }
        DecodedFile file;
        ASSERT_EQ(decode_here(path.c_str(), &file), 0);
        ASSERT_EQ(file.header.outcome, kDecodedTape) << path;
        tape_open_decoded(fe, file.header.name, file.data(), file.size());
    }
    // The last line of text that begins with prefix, "" for none.
    static std::string last_line(const std::string &text, const std::string &prefix) {
        std::string found;
        size_t at = 0;
        while ((at = text.find(prefix, at)) != std::string::npos) {
            if (at == 0 || text[at - 1] == '\n') found = text.substr(at, text.find('\n', at) - at);
            at++;
        }
        return found;
    }
    static KeyMap profile(const char *name) { return profile_for(name)->map; }
};

using Overrides = std::vector<std::pair<int, int>>;  // SDL key symbol, key code

// The map in force after loads: the user's file for the game over the profile its name
// picks, or over the default map; without one, the profile, or else the map kept.
TEST_F(KeyMaps, WhichMapALoadBrings) {
    struct Case {
        const char *what;
        std::map<std::string, std::string> files;  // keys files by name
        std::vector<std::string> loads;            // "missing/..." is not there
        const char *base;                          // the profile under the map
        Overrides overrides;                       // what the user's files change
        std::string said;                          // the last "Keys:" line, "" for none
        std::string problem;                       // the first problem, told last
        std::string game;
        std::string line = "";  // what the status line ends on, when not said or problem
    } cases[] = {
        {"the start, nothing of the user's", {}, {}, "default", {}, "", "", ""},
        {"the start with default.keys",
         {{"default.keys", "up = q\n"}},
         {},
         "default",
         {{SDLK_UP, 'q'}},
         "Keys: default (yours)",
         "",
         ""},
        {"a profile's name", {}, {"krakout.sna"}, "krakout", {}, "Keys: krakout", "", "krakout"},
        {"a profile's name begins it",
         {},
         {"aticatac2.sna"},
         "aticatac",
         {},
         "Keys: aticatac",
         "",
         "aticatac2"},
        {"letter case counts",
         {},
         {"ATICATAC.SNA"},
         "default",
         {},
         "Keys: default",
         "",
         "ATICATAC"},
        {"folders do not count",
         {},
         {"pinball/manic.sna"},
         "default",
         {},
         "Keys: default",
         "",
         "manic"},
        {"the base name does",
         {},
         {"games/pinball2.sna"},
         "pinball",
         {},
         "Keys: pinball",
         "",
         "pinball2"},
        {"no profile keeps the map",
         {},
         {"pinball.sna", "manic.sna"},
         "pinball",
         {},
         "Keys: pinball",
         "",
         "manic"},
        {"default.sna picks the default",
         {},
         {"pinball.sna", "default.sna"},
         "default",
         {},
         "Keys: default",
         "",
         "default"},
        {"a refused load keeps map and game",
         {},
         {"pinball.sna", "missing/aticatac.sna"},
         "pinball",
         {},
         "Keys: pinball",
         "",
         "pinball",
         "Can't read aticatac.sna: No such file or directory"},
        {"the user's file over the profile",
         {{"krakout.keys", "up = q\nselect = enter\n"}},
         {"krakout.sna"},
         "krakout",
         {{SDLK_UP, 'q'}, {SDLK_RETURN, kKeyEnter}},
         "Keys: krakout (yours)",
         "",
         "krakout"},
        {"a tape's game alike",
         {{"krakout.keys", "up = q\n"}},
         {"krakout.tap"},
         "krakout",
         {{SDLK_UP, 'q'}},
         "Keys: krakout (yours)",
         "",
         "krakout"},
        {"the user's file over the default map",
         {{"default.keys", "down = a\n"}, {"mygame.keys", "up = q\n"}},
         {"pinball.sna", "mygame.sna"},
         "default",
         {{SDLK_DOWN, 'a'}, {SDLK_UP, 'q'}},
         "Keys: mygame (yours)",
         "",
         "mygame"},
        {"the whole name picks the file",
         {{"krakout.keys", "up = q\n"}},
         {"krakout2.sna"},
         "krakout",
         {},
         "Keys: krakout",
         "",
         "krakout2"},
        {"a kept map of the user's keeps its name",
         {{"pinball.keys", "up = q\n"}},
         {"pinball.sna", "manic.sna"},
         "pinball",
         {{SDLK_UP, 'q'}},
         "Keys: pinball (yours)",
         "",
         "manic"},
        {"bad lines: the rest applies",
         {{"krakout.keys", "up = q\nfoo\nselect = bar\n"}},
         {"krakout.sna"},
         "krakout",
         {{SDLK_UP, 'q'}},
         "Keys: krakout (yours)",
         "krakout.keys line 2: no '=' (NAME = KEY)",
         "krakout"},
        {"a folder in the file's place",
         {{"krakout.keys", kFolder}},
         {"krakout.sna"},
         "krakout",
         {},
         "Keys: krakout (yours)",
         "krakout.keys: not a regular file",
         "krakout"},
        {"a FIFO in the file's place",
         {{"krakout.keys", kFifo}},
         {"krakout.sna"},
         "krakout",
         {},
         "Keys: krakout (yours)",
         "krakout.keys: not a regular file",
         "krakout"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(dir + "/user");
        for (const auto &[name, content] : c.files) write_keys(name, content);
        options_defaults(fe->options);
        testing::internal::CaptureStderr();
        start_keys(fe);
        for (const std::string &path : c.loads) {
            if (path.rfind("missing/", 0) == 0) continue;
            if (path.find(".tap") != std::string::npos)
                std::filesystem::copy_file(std::string(TAPES_DIR) + "/game.tap", path,
                                           std::filesystem::copy_options::overwrite_existing);
            else
                make_snapshot(path);
        }
        for (const std::string &path : c.loads) load(path);
        std::string told = testing::internal::GetCapturedStderr();
        KeyMap want = profile(c.base);
        for (auto [symbol, code] : c.overrides) want.keys[hwkey_index(symbol)] = uint8_t(code);
        for (int i = 0; i < kHardwareKeys; i++)
            EXPECT_EQ(fe->options->keymap.keys[i], want.keys[i]) << "hardware key " << i;
        EXPECT_EQ(last_line(told, "Keys: "), c.said) << told;
        EXPECT_EQ(std::string(fe->game), c.game);
        if (!c.problem.empty()) {
            EXPECT_NE(told.find(c.problem + "\n"), std::string::npos) << told;
        }
        // The line ends on the first problem, else on the keys.
        const std::string &last = !c.line.empty() ? c.line : c.problem.empty() ? c.said : c.problem;
        if (!last.empty()) {
            EXPECT_TRUE(status_shows(last)) << last;
        }
    }
}

// What the keys file of game ("" for none) holds, read as the program reads it.
KeyMap saved_map(const char *game, bool *there) {
    char path[PATH_MAX];
    KeyMap map = {};
    KeysProblems problems = {};
    *there = keys_path(game, false, path, sizeof path) == 0 &&
             keys_read(path, &map, &problems, nullptr) == 1 && problems.count == 0;
    return map;
}

// Paused, a tap with a hardware key held maps that key (the one held last) to the tapped key
// and saves the map; every other tap presses its key as before.
TEST_F(KeyMaps, TheGestureMapsOnlyWhilePausedWithAKeyHeld) {
    struct Case {
        const char *what;
        bool paused, browsing;
        std::vector<int> held;    // SDL key symbols, pressed in this order
        std::vector<int> let_go;  // of those, released before the tap
        int tapped;               // the key code of the drawn key tapped
        int mapped;               // the symbol of the key mapped, 0 for none
        const char *said;         // the confirmation
    } cases[] = {
        {"paused, a key held", true, false, {SDLK_UP}, {}, 'q', SDLK_UP, "up = q"},
        {"paused, no key held", true, false, {}, {}, 'q', 0, ""},
        {"paused, the key let go", true, false, {SDLK_UP}, {SDLK_UP}, 'q', 0, ""},
        {"running, a key held", false, false, {SDLK_UP}, {}, 'q', 0, ""},
        {"paused in the browser", true, true, {SDLK_UP}, {}, 'q', 0, ""},
        {"two held: the last", true, false, {SDLK_UP, SDLK_F4}, {}, '0', SDLK_F4, "f4 = 0"},
        {"two held, the last let go",
         true,
         false,
         {SDLK_UP, SDLK_F8},
         {SDLK_F8},
         'm',
         SDLK_UP,
         "up = m"},
        {"CAPS SHIFT",
         true,
         false,
         {SDLK_RETURN},
         {},
         kKeyCapsShift,
         SDLK_RETURN,
         "select = caps-shift"},
        {"SYMBOL SHIFT",
         true,
         false,
         {SDLK_ESCAPE},
         {},
         kKeySymbolShift,
         SDLK_ESCAPE,
         "esc = symbol-shift"},
        {"ENTER", true, false, {SDLK_F7}, {}, kKeyEnter, SDLK_F7, "f7 = enter"},
        {"SPACE", true, false, {SDLK_F5}, {}, ' ', SDLK_F5, "f5 = space"},
        {"BREAK", true, false, {SDLK_F6}, {}, 25, SDLK_F6, "f6 = break"},
        {"cursor left",
         true,
         false,
         {SDLK_LEFT},
         {},
         kKeyCursorLeft,
         SDLK_LEFT,
         "left = cursor-left"},
        {"'.'", true, false, {SDLK_DOWN}, {}, '.', SDLK_DOWN, "down = ."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(dir + "/user");
        options_defaults(fe->options);
        std::fill(m->keyrows, m->keyrows + 8, 0xFF);
        m->joystick = 0x1F;
        if (c.paused) press_button(c.browsing ? kActionLoad : kActionPause);
        for (int symbol : c.held) send(key_event(SDL_KEYDOWN, symbol));
        for (int symbol : c.let_go) send(key_event(SDL_KEYUP, symbol));
        const KeyMap before = fe->options->keymap;
        testing::internal::CaptureStderr();
        tap_down(c.tapped);
        lift();
        std::string told = testing::internal::GetCapturedStderr();
        KeyMap want = before;
        if (c.mapped) want.keys[hwkey_index(c.mapped)] = uint8_t(c.tapped);
        for (int i = 0; i < kHardwareKeys; i++)
            EXPECT_EQ(fe->options->keymap.keys[i], want.keys[i]) << "hardware key " << i;
        // A mapping tap presses nothing; any other presses its key as before.
        EXPECT_EQ(down(c.tapped), !c.mapped);
        EXPECT_EQ(fe->pendingshift, 0);
        bool there = false;
        KeyMap saved = saved_map("", &there);
        EXPECT_EQ(there, c.mapped != 0);
        if (c.mapped) {
            EXPECT_EQ(std::memcmp(&saved, &want, sizeof want), 0);
            EXPECT_EQ(told, std::string(c.said) + "\n");
            EXPECT_TRUE(status_shows(c.said));
            // The old map's key came up: nothing stays down for the held key.
            int old = before.keys[hwkey_index(c.mapped)];
            EXPECT_TRUE(old == 0 || !down(old)) << old;
        }
        for (int symbol : c.held) send(key_event(SDL_KEYUP, symbol));
        for (int i = 0; i < 8; i++) EXPECT_EQ(m->keyrows[i] | (c.mapped ? 0 : 0xFF), 0xFF) << i;
        EXPECT_EQ(m->joystick, 0x1F);
        if (c.paused) press_button(c.browsing ? kActionLoad : kActionPause);
        frame();
    }
}

// The map goes to the game's own file, and still applies when it cannot be saved; running
// again, the hardware key gives its new key.
TEST_F(KeyMaps, GesturesAreSavedAsTheGamesFile) {
    auto gesture = [&](int symbol, int code) {
        send(key_event(SDL_KEYDOWN, symbol));
        tap_down(code);
        lift();
        send(key_event(SDL_KEYUP, symbol));
    };
    start_keys(fe);
    press_button(kActionPause);
    gesture(SDLK_UP, 'q');
    bool there = false;
    EXPECT_EQ(saved_map("", &there).keys[hwkey_index(SDLK_UP)], 'q');
    EXPECT_TRUE(there) << "default.keys, with no game loaded";
    EXPECT_STREQ(fe->keys.name, "default");
    EXPECT_EQ(fe->keys.yours, 1);
    press_button(kActionPause);
    send(key_event(SDL_KEYDOWN, SDLK_UP));
    EXPECT_TRUE(down('q'));
    send(key_event(SDL_KEYUP, SDLK_UP));
    EXPECT_FALSE(down('q'));

    // A game without a file of its own keeps the map, and its gestures make its file.
    make_snapshot("mygame.sna");
    load("mygame.sna");
    press_button(kActionPause);
    gesture(SDLK_DOWN, 'a');
    KeyMap mine = saved_map("mygame", &there);
    EXPECT_TRUE(there);
    EXPECT_EQ(std::memcmp(&mine, &fe->options->keymap, sizeof mine), 0);
    EXPECT_EQ(mine.keys[hwkey_index(SDLK_UP)], 'q');
    EXPECT_EQ(mine.keys[hwkey_index(SDLK_DOWN)], 'a');
    EXPECT_EQ(saved_map("", &there).keys[hwkey_index(SDLK_DOWN)], kKeyJoyDown);
    EXPECT_STREQ(fe->keys.name, "mygame");

    // Nowhere to save: said, and the map applies for this run.
    std::filesystem::remove_all(keymaps());
    std::ofstream(keymaps()) << "a file where the folder belongs";
    testing::internal::CaptureStderr();
    gesture(SDLK_F4, 'w');
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Couldn't save keys: Not a directory\n");
    EXPECT_TRUE(status_shows("Couldn't save keys: Not a directory"));
    EXPECT_EQ(fe->options->keymap.keys[hwkey_index(SDLK_F4)], 'w');
}

}  // namespace
