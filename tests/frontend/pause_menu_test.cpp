// The pause menu through the front end, as a user's keys and taps reach it: when it opens,
// what it takes while open, and what its choices do to the machine, the game and its files.
#include <fstream>

#include "front_end_rig.h"
#include "frontend/continue_game.h"
#include "frontend/frame_loop.h"
#include "frontend/menu_actions.h"
#include "frontend/snapshot_actions.h"
#include "frontend/tape_control.h"
#include "input/key_profiles.h"
#include "snapshot/sna_file.h"

namespace {

constexpr int kPictureX = 256, kPictureY = 242;  // the middle of the picture

class MenuFlow : public FrontEndRig {
   protected:
    std::string data() const { return dir + "/user/data/tavisk"; }
    void tap(int x, int y) {
        send(mouse_event(SDL_MOUSEBUTTONDOWN, x, y));
        send(mouse_event(SDL_MOUSEBUTTONUP, x, y));
    }
    void keys(std::initializer_list<int> symbols) {
        for (int s : symbols) {
            send(key_event(SDL_KEYDOWN, s));
            send(key_event(SDL_KEYUP, s));
        }
    }
    void open_menu() {
        press_button(kActionPause);
        tap(kPictureX, kPictureY);
        ASSERT_TRUE(fe->menu_open);
    }
    void frames(int n) {
        for (int k = 0; k < n; k++) run_one_frame(fe);
    }
    // A game to load, named name.
    void make_game(const std::string &name) {
        static uint8_t image[65536];
        static Machine game;
        machine_power_on(&game, image);
        game.sp = 0xF000;
        ASSERT_EQ(save_sna(&game, name.c_str()), 0);
    }
};

TEST_F(MenuFlow, OpensOnThePausedPictureAndTakesKeysAndTapsWhileOpen) {
    // Running, a tap on the picture is no one's; paused, it opens the menu.
    tap(kPictureX, kPictureY);
    EXPECT_FALSE(fe->menu_open);
    press_button(kActionPause);
    tap(kPictureX, kSpecAreaY - 1);  // above the picture
    EXPECT_FALSE(fe->menu_open);
    tap(kPictureX, kPictureY);
    ASSERT_TRUE(fe->menu_open);

    // The pad moves the menu's highlight and presses nothing; a drawn key is not pressed.
    send(key_event(SDL_KEYDOWN, SDLK_DOWN));
    EXPECT_FALSE(down(kKeyJoyDown));
    send(key_event(SDL_KEYUP, SDLK_DOWN));
    EXPECT_EQ(fe->menu->items[fe->menu->cursor].role, kItemSave);
    tap_down('q');
    EXPECT_FALSE(down('q'));
    lift();
    // The focus lost and back: still paused under the menu.
    send(focus_event(0));
    send(focus_event(1));
    EXPECT_TRUE(fe->paused && fe->menu_open);
    // PAUSE closes it and the machine runs.
    press_button(kActionPause);
    EXPECT_FALSE(fe->menu_open);
    EXPECT_FALSE(fe->paused);
}

// What the e2e user does not meet: a save that fails, a tape inserted within the minute, a
// last game changed since it was saved.
TEST_F(MenuFlow, FailuresAndLimitsAreSaidAndChangeNothing) {
    make_game("mygame.sna");
    load_and_say(fe, "mygame.sna");
    // A slot that cannot be written says why and keeps the menu, and the slot, as they were.
    std::filesystem::create_directories(data() + "/saves/mygame/slot3.sna");
    ASSERT_NO_FATAL_FAILURE(open_menu());
    keys({SDLK_DOWN, SDLK_RETURN, SDLK_DOWN, SDLK_RETURN});
    EXPECT_TRUE(status_shows("Couldn't save slot 3: Is a directory"));
    EXPECT_TRUE(fe->menu_open && std::filesystem::is_directory(data() + "/saves/mygame/slot3.sna"));
    press_button(kActionPause);

    // Never back to before a tape went in: 14 s have run, 6 since the tape.
    frames(400);
    ASSERT_NO_FATAL_FAILURE(open_tape(fe, (std::string(TAPES_DIR) + "/game.tap").c_str()));
    frames(300);
    ASSERT_NO_FATAL_FAILURE(open_menu());
    keys({SDLK_DOWN, SDLK_DOWN, SDLK_DOWN, SDLK_RETURN});
    EXPECT_TRUE(fe->menu->tiles[0].usable) << "5 s back";
    EXPECT_FALSE(fe->menu->tiles[1].usable) << "15 s back, before the tape";
    press_button(kActionPause);

    // The exit's tmp.sna changed since: Continue refuses it and keeps the machine.
    exit_sequence(fe);
    continue_start(fe, true);
    EXPECT_TRUE(status_shows("Continue game: pause, tap the picture"));
    std::ofstream("tmp.sna", std::ios::app) << "x";
    m->ram[0x4000] = 4;
    ASSERT_NO_FATAL_FAILURE(open_menu());
    keys({SDLK_DOWN, SDLK_DOWN, SDLK_DOWN, SDLK_DOWN, SDLK_RETURN});
    EXPECT_TRUE(status_shows("Can't read tmp.sna: changed since it was saved"));
    EXPECT_EQ(m->ram[0x4000], 4);
}

TEST_F(MenuFlow, TheKeysPageGivesKeysAsTheGestureDoes) {
    make_game("krakout2.sna");
    load_and_say(fe, "krakout2.sna");
    ASSERT_NO_FATAL_FAILURE(open_menu());
    keys({SDLK_DOWN, SDLK_DOWN, SDLK_DOWN, SDLK_DOWN, SDLK_RETURN});
    ASSERT_EQ(fe->menu->page, kPageKeys);
    // Up is picked first: a drawn key tapped is what it gives.
    tap_down('q');
    lift();
    EXPECT_EQ(fe->options->keymap.keys[hwkey_index(SDLK_UP)], 'q');
    std::string file = config + "/tavisk/keymaps/krakout2.keys";
    EXPECT_NE(read_text(file).find("\nup = q\n"), std::string::npos);
    // Select picked with the pad, given a joystick line from the page.
    keys({SDLK_DOWN, SDLK_DOWN, SDLK_RETURN, SDLK_DOWN, SDLK_DOWN, SDLK_DOWN, SDLK_DOWN,
          SDLK_DOWN, SDLK_RIGHT, SDLK_RETURN});
    EXPECT_EQ(fe->options->keymap.keys[hwkey_index(SDLK_RETURN)], kKeyJoyFire);
    EXPECT_TRUE(status_shows("select = joy-fire"));
    // Built-in keys: the file gone, the profile the name picks in force.
    keys({SDLK_UP, SDLK_UP, SDLK_UP, SDLK_UP, SDLK_UP, SDLK_UP, SDLK_UP, SDLK_UP, SDLK_RIGHT,
          SDLK_RETURN});
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(fe->options->keymap.keys[hwkey_index(SDLK_UP)],
              profile_for("krakout")->map.keys[hwkey_index(SDLK_UP)]);
    EXPECT_TRUE(status_shows("Keys: krakout"));
}

}  // namespace
