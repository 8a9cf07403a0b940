// The user's key maps through the front end: which map a load brings, what the status line
// says of it, and the gesture that changes it while paused.
#include "frontend/key_map_actions.h"

#include <cstring>
#include <fstream>
#include <sstream>

#include "front_end_rig.h"
#include "frontend/snapshot_actions.h"
#include "input/key_profiles.h"
#include "keymaps/keys_store.h"
#include "snapshot/sna_file.h"

namespace {

class KeyMaps : public FrontEndRig {
   protected:
    std::string keymaps() const { return config + "/tavisk/keymaps"; }
    // Makes the file at path (under the working folder) unless it is under missing/, then
    // loads it as the browser or the command line would: a snapshot that loads, or a tape.
    void load(const std::string &path) {
        std::filesystem::path made = dir + "/" + path;
        bool tape = path.ends_with(".tap");
        if (path.rfind("missing/", 0) != 0) {
            std::filesystem::create_directories(made.parent_path());
            if (tape) {
                std::filesystem::copy_file(std::string(TAPES_DIR) + "/game.tap", made,
                                           std::filesystem::copy_options::overwrite_existing);
            } else {
                static uint8_t image[65536];
                static Machine saved;
                machine_power_on(&saved, image);
                saved.sp = 0xF000;
                ASSERT_EQ(save_sna(&saved, made.c_str()), 0);
            }
        }
        if (tape)
            open_tape(fe, path.c_str());
        else
            load_and_say(fe, path.c_str());
    }
};

// The last line of told that names the keys, "" for none.
std::string last_keys_line(const std::string &told) {
    std::istringstream lines(told);
    std::string line, found;
    while (std::getline(lines, line))
        if (line.rfind("Keys: ", 0) == 0) found = line;
    return found;
}

// The map in force after loads: the user's file for the game over the profile its name
// picks, or over the default map; without one, the profile, or else the map kept.
TEST_F(KeyMaps, WhichMapALoadBrings) {
    struct Case {
        const char *what;
        const char *files;  // keys files: "name: text" split by '|'; "name/" a folder
        const char *loads;  // split by ' '; those under missing/ are not there
        const char *base;   // the profile under the map
        const char *yours;  // the lines of the user's files that apply
        const char *keys;   // the last "Keys: " line names, "" for none
        const char *game;
        const char *last = "";  // what the status line ends on, and was told, when not the keys
    } cases[] = {
        {"the start, nothing of the user's", "", "", "default", "", "", ""},
        {"the start with default.keys", "default.keys: up = q", "", "default", "up = q",
         "default (yours)", ""},
        {"a profile's name", "", "krakout.sna", "krakout", "", "krakout", "krakout"},
        {"a profile's name begins it", "", "aticatac2.sna", "aticatac", "", "aticatac",
         "aticatac2"},
        {"letter case counts", "", "ATICATAC.SNA", "default", "", "default", "ATICATAC"},
        {"folders do not count", "", "pinball/manic.sna", "default", "", "default", "manic"},
        {"no profile keeps the map", "", "pinball.sna manic.sna", "pinball", "", "pinball",
         "manic"},
        {"default.sna picks the default", "", "pinball.sna default.sna", "default", "", "default",
         "default"},
        {"a refused load keeps map and game", "", "pinball.sna missing/aticatac.sna", "pinball", "",
         "pinball", "pinball", "Can't read aticatac.sna: No such file or directory"},
        {"the user's file over the profile", "krakout.keys: up = q\nselect = enter", "krakout.sna",
         "krakout", "up = q\nselect = enter", "krakout (yours)", "krakout"},
        {"a tape's game alike", "krakout.keys: up = q", "krakout.tap", "krakout", "up = q",
         "krakout (yours)", "krakout"},
        {"the user's file over the default map", "default.keys: down = a|mygame.keys: up = q",
         "pinball.sna mygame.sna", "default", "down = a\nup = q", "mygame (yours)", "mygame"},
        {"the whole name picks the file", "krakout.keys: up = q", "krakout2.sna", "krakout", "",
         "krakout", "krakout2"},
        {"a kept map of the user's keeps its name", "pinball.keys: up = q", "pinball.sna manic.sna",
         "pinball", "up = q", "pinball (yours)", "manic"},
        {"a folder in the file's place", "krakout.keys/", "krakout.sna", "krakout", "",
         "krakout (yours)", "krakout", "krakout.keys: not a regular file"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(dir + "/user");
        std::istringstream files(c.files);
        for (std::string file; std::getline(files, file, '|');) {
            std::filesystem::create_directories(keymaps());
            size_t colon = file.find(": ");
            if (colon == std::string::npos)
                std::filesystem::create_directory(keymaps() + "/" + file);
            else
                std::ofstream(keymaps() + "/" + file.substr(0, colon)) << file.substr(colon + 2);
        }
        options_defaults(fe->options);
        testing::internal::CaptureStderr();
        start_keys(fe);
        std::istringstream loads(c.loads);
        for (std::string path; loads >> path;) load(path);
        std::string told = testing::internal::GetCapturedStderr();
        KeyMap want = profile_for(c.base)->map;
        KeysProblems problems = {};
        keys_parse(c.yours, std::strlen(c.yours), "yours", &want, &problems, nullptr);
        for (int i = 0; i < kHardwareKeys; i++)
            EXPECT_EQ(fe->options->keymap.keys[i], want.keys[i]) << "hardware key " << i;
        EXPECT_EQ(last_keys_line(told), c.keys[0] ? std::string("Keys: ") + c.keys : "") << told;
        EXPECT_STREQ(fe->game, c.game);
        // The line ends on the first problem, else on the keys.
        if (c.last[0]) {
            EXPECT_NE(told.find(std::string(c.last) + "\n"), std::string::npos) << told;
            EXPECT_TRUE(status_shows(c.last)) << c.last;
        } else if (c.keys[0]) {
            EXPECT_TRUE(status_shows(std::string("Keys: ") + c.keys));
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
    enum State { kRunning, kPaused, kBrowsing };
    struct Case {
        const char *what;
        State state;
        std::vector<int> held;    // SDL key symbols, pressed in this order
        std::vector<int> let_go;  // of those, released before the tap
        int tapped;               // the key code of the drawn key tapped
        int mapped;               // the symbol of the key mapped, 0 for none
        const char *said;         // the confirmation
    } cases[] = {
        {"paused, a key held", kPaused, {SDLK_UP}, {}, 'q', SDLK_UP, "up = q"},
        {"paused, no key held", kPaused, {}, {}, 'q', 0, ""},
        {"paused, the key let go", kPaused, {SDLK_UP}, {SDLK_UP}, 'q', 0, ""},
        {"running, a key held", kRunning, {SDLK_UP}, {}, 'q', 0, ""},
        {"paused in the browser", kBrowsing, {SDLK_UP}, {}, 'q', 0, ""},
        {"two held: the last", kPaused, {SDLK_UP, SDLK_F4}, {}, '0', SDLK_F4, "f4 = 0"},
        {"the last let go", kPaused, {SDLK_UP, SDLK_F8}, {SDLK_F8}, 'm', SDLK_UP, "up = m"},
        // A shift is mapped, not latched; the held key's old SYMBOL SHIFT comes up.
        {"CAPS SHIFT", kPaused, {SDLK_F7}, {}, kKeyCapsShift, SDLK_F7, "f7 = caps-shift"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(dir + "/user");
        options_defaults(fe->options);
        std::fill(m->keyrows, m->keyrows + 8, 0xFF);
        m->joystick = 0x1F;
        if (c.state != kRunning) press_button(c.state == kBrowsing ? kActionLoad : kActionPause);
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
        if (c.state != kRunning) press_button(c.state == kBrowsing ? kActionLoad : kActionPause);
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
    EXPECT_STREQ(fe->keys.name, "default");
    EXPECT_EQ(fe->keys.yours, 1);
    press_button(kActionPause);
    send(key_event(SDL_KEYDOWN, SDLK_UP));
    EXPECT_TRUE(down('q'));
    send(key_event(SDL_KEYUP, SDLK_UP));
    EXPECT_FALSE(down('q'));

    // A game without a file of its own keeps the map, and its gestures make its file.
    load("mygame.sna");
    press_button(kActionPause);
    gesture(SDLK_DOWN, 'a');
    bool there = false;
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
