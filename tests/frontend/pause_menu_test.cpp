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
    // A game to load: its RAM marked with mark.
    void make_game(const std::string &name, uint8_t mark) {
        static uint8_t image[65536];
        static Machine game;
        machine_power_on(&game, image);
        game.sp = 0xF000;
        game.ram[0x4000] = mark;
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

TEST_F(MenuFlow, SlotsRewindAndContinueKeepTheGame) {
    make_game("mygame.sna", 1);
    load_and_say(fe, "mygame.sna");
    frames(10);

    // Save to slot 2, play on, load slot 2: the machine as it was saved, the game's name kept.
    ASSERT_NO_FATAL_FAILURE(open_menu());
    keys({SDLK_DOWN, SDLK_RETURN, SDLK_RIGHT, SDLK_RETURN});
    EXPECT_TRUE(status_shows("Saved slot 2: mygame"));
    EXPECT_FALSE(fe->menu_open || fe->paused);
    EXPECT_TRUE(std::filesystem::exists(data() + "/saves/mygame/slot2.sna"));
    m->ram[0x4000] = 2;
    ASSERT_NO_FATAL_FAILURE(open_menu());
    keys({SDLK_DOWN, SDLK_DOWN, SDLK_RETURN, SDLK_RIGHT, SDLK_RETURN});
    EXPECT_TRUE(status_shows("Loaded slot 2: mygame"));
    EXPECT_EQ(m->ram[0x4000], 1);
    EXPECT_STREQ(fe->game, "mygame");

    // A slot that cannot be written says why and keeps the menu, and the slot, as they were.
    std::filesystem::create_directories(data() + "/saves/mygame/slot3.sna");
    ASSERT_NO_FATAL_FAILURE(open_menu());
    keys({SDLK_DOWN, SDLK_RETURN, SDLK_DOWN, SDLK_RETURN});
    EXPECT_TRUE(status_shows("Couldn't save slot 3: Is a directory"));
    EXPECT_TRUE(fe->menu_open);
    press_button(kActionPause);

    // Going back: never to before a tape went in.
    frames(400);
    ASSERT_NO_FATAL_FAILURE(open_tape(fe, (std::string(TAPES_DIR) + "/game.tap").c_str()));
    frames(300);
    ASSERT_NO_FATAL_FAILURE(open_menu());
    keys({SDLK_DOWN, SDLK_DOWN, SDLK_DOWN, SDLK_RETURN});
    EXPECT_TRUE(fe->menu->tiles[0].usable) << "5 s back";
    EXPECT_FALSE(fe->menu->tiles[1].usable) << "15 s back, before the tape";
    keys({SDLK_RETURN});
    EXPECT_TRUE(status_shows("Back 5 s"));
    EXPECT_EQ(rewind_find(fe->ring, 0)->frame, fe->ring->frames);

    // An exit notes the game; the next start offers it, and Continue brings it back.
    m->ram[0x4000] = 3;
    exit_sequence(fe);
    std::filesystem::copy_file("tmp.sna", "kept.sna");
    fe->game[0] = '\0';
    m->ram[0x4000] = 4;
    continue_start(fe, true);
    EXPECT_TRUE(status_shows("Continue game: pause, tap the picture"));
    ASSERT_NO_FATAL_FAILURE(open_menu());
    keys({SDLK_DOWN, SDLK_DOWN, SDLK_DOWN, SDLK_DOWN, SDLK_RETURN});
    EXPECT_EQ(m->ram[0x4000], 3);
    EXPECT_STREQ(fe->game, "game");
    // Changed since: refused, the machine kept.
    std::ofstream("tmp.sna", std::ios::app) << "x";
    ASSERT_NO_FATAL_FAILURE(open_menu());
    keys({SDLK_DOWN, SDLK_DOWN, SDLK_DOWN, SDLK_DOWN, SDLK_RETURN});
    EXPECT_TRUE(status_shows("Can't read tmp.sna: changed since it was saved"));
    EXPECT_EQ(m->ram[0x4000], 3);
}

TEST_F(MenuFlow, TheKeysPageGivesKeysAsTheGestureDoes) {
    make_game("krakout2.sna", 1);
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
