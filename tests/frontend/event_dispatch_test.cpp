// dispatch_event and hold_countdown fed synthetic SDL events: no display, no real device.
#include "frontend/event_dispatch.h"

#include <fstream>
#include <functional>

#include "display/keyboard_layout.h"
#include "display/text.h"
#include "front_end_rig.h"
#include "frontend/file_browser.h"
#include "frontend/frame_loop.h"
#include "frontend/snapshot_actions.h"
#include "frontend/status_line.h"
#include "frontend/tape_control.h"
#include "input/key_profiles.h"
#include "input/options.h"
#include "snapshot/sna_file.h"
#include "tests/decode_here.h"

namespace {

class Dispatch : public FrontEndRig {
   protected:
    // The digit cell of a button as the panel shows value there.
    std::vector<uint16_t> digit_cell(int action) const {
        std::vector<uint16_t> cell;
        int x0 = kButtonOriginX + panel_buttons[action].x + 20;
        int y0 = kButtonOriginY + panel_buttons[action].y + 30;
        for (int y = y0; y < y0 + 10; y++)
            for (int x = x0; x < x0 + 10; x++) cell.push_back(at(x, y));
        return cell;
    }
    std::vector<uint16_t> expected_digit(int action, int value) {
        int x0 = kButtonOriginX + panel_buttons[action].x + 20;
        int y0 = kButtonOriginY + panel_buttons[action].y + 30;
        SDL_Rect r{Sint16(x0), Sint16(y0), 10, 10};
        std::vector<uint16_t> saved(m->pixels, m->pixels + 800 * 480);
        SDL_FillRect(surface, &r, panel_buttons[action].colour);
        panel_char2x(m, x0, y0, '0' + value, 0);
        std::vector<uint16_t> cell = digit_cell(action);
        std::copy(saved.begin(), saved.end(), m->pixels);
        return cell;
    }
    void expect_resynced() {
        EXPECT_EQ(m->synccounter, m->counter);
        timeval now;
        gettimeofday(&now, nullptr);
        EXPECT_LE(now.tv_sec - fe->synctime.tv_sec, 1);
    }
};

TEST_F(Dispatch, ResetRestartsTheProcessorAndKeepsTheRest) {
    m->pc = 0x8000;
    m->iff1 = m->iff2 = 1;
    m->im = 2;
    m->r = 0x13;
    m->a = 0x42;
    m->sp = 0xFF00;
    m->ram[0x1000] = 0x99;
    key_press('q', m);
    press_button(kActionReset);
    EXPECT_EQ(m->pc, 0);
    EXPECT_EQ(m->iff1, 0);
    EXPECT_EQ(m->iff2, 0);
    EXPECT_EQ(m->im, 1);
    EXPECT_EQ(m->r, 0x80);
    EXPECT_EQ(m->a, 0x42);
    EXPECT_EQ(m->sp, 0xFF00);
    EXPECT_EQ(m->ram[0x1000], 0x99);
    EXPECT_TRUE(down('q'));
    EXPECT_EQ(fe->quit, 0);
}

TEST_F(Dispatch, SoundTogglesItsDigitAndLeavesFastTwo) {
    fe->audio->fast = 2;
    press_button(kActionSound);
    EXPECT_EQ(fe->options->sound, 0);
    EXPECT_EQ(fe->audio->armed, 0);
    EXPECT_EQ(fe->audio->fast, 2);
    EXPECT_EQ(digit_cell(kActionSound), expected_digit(kActionSound, 0));

    m->counter = 700;
    m->synccounter = 0;
    press_button(kActionSound);
    EXPECT_EQ(fe->options->sound, 1);
    EXPECT_EQ(fe->audio->fast, 0);
    expect_resynced();  // paced from now, not held back by the frames run unpaced
    EXPECT_EQ(fe->audio->opened, 1);
    EXPECT_EQ(fe->audio->armed, 1);
    EXPECT_EQ(m->scounter, 700) << "sound_open re-bases the consumer";
    EXPECT_EQ(digit_cell(kActionSound), expected_digit(kActionSound, 1));
    EXPECT_EQ(digit_cell(kActionFast), expected_digit(kActionFast, 0));
    EXPECT_NE(expected_digit(kActionSound, 0), expected_digit(kActionSound, 1));
}

TEST_F(Dispatch, FastCyclesThroughItsModesAndResyncsAtZero) {
    struct Step {
        int fast;
        int armed;
    };
    const Step steps[] = {{1, 0}, {2, 0}, {0, 1}, {1, 0}};
    m->counter = 1234;
    for (const Step &s : steps) {
        m->synccounter = 0;
        press_button(kActionFast);
        EXPECT_EQ(fe->audio->fast, s.fast);
        EXPECT_EQ(fe->audio->armed, s.armed) << "fast " << s.fast;
        EXPECT_EQ(digit_cell(kActionFast), expected_digit(kActionFast, s.fast));
        if (s.fast == 0)
            expect_resynced();
        else
            EXPECT_EQ(m->synccounter, 0) << "no resync in fast mode " << s.fast;
    }
    // With sound off, back at 0 resyncs but leaves the sound alone.
    fe->options->sound = 0;
    fe->audio->opened = 0;
    press_button(kActionFast);
    press_button(kActionFast);
    EXPECT_EQ(fe->audio->fast, 0);
    EXPECT_EQ(fe->audio->opened, 0);
    expect_resynced();
}

TEST_F(Dispatch, QuitAndTheWindowsQuitEventEndTheLoop) {
    press_button(kActionQuit);
    EXPECT_EQ(fe->quit, 1);
    fe->quit = 0;
    SDL_Event e{};
    e.type = SDL_QUIT;
    send(e);
    EXPECT_EQ(fe->quit, 1);
}

TEST_F(Dispatch, PauseAndLoadInterplay) {
    std::ofstream(dir + "/game.sna") << "x";
    // PAUSE pauses and resumes; the status line says so meanwhile, then what it said before.
    status_say(m, "Loaded game.sna");
    press_button(kActionPause);
    EXPECT_EQ(fe->paused, 1);
    EXPECT_EQ(fe->audio->armed, 0);
    EXPECT_TRUE(status_shows(kPausedHint));
    // Its last character is drawn: the hint fits the line whole.
    EXPECT_FALSE(status_shows(std::string(kPausedHint, sizeof kPausedHint - 2)));
    m->counter = 77;
    press_button(kActionPause);
    EXPECT_EQ(fe->paused, 0);
    EXPECT_EQ(fe->audio->armed, 1);
    EXPECT_TRUE(status_shows("Loaded game.sna"));
    expect_resynced();

    // LOAD opens the browser paused, its box saying so; PAUSE then runs the machine with the
    // browser open.
    press_button(kActionLoad);
    EXPECT_EQ(fe->browsing, 1);
    EXPECT_EQ(fe->paused, 1);
    EXPECT_TRUE(status_shows("Loaded game.sna"));
    EXPECT_EQ(fe->browser->count, 2) << "\"..\" and game.sna";
    press_button(kActionPause);
    EXPECT_EQ(fe->paused, 0);
    EXPECT_EQ(fe->browsing, 1);
    // Keys still go to the browser: an unmapped key does not quit, RIGHT moves the highlight.
    send(key_event(SDL_KEYDOWN, SDLK_a));
    EXPECT_EQ(fe->quit, 0);
    send(key_event(SDL_KEYDOWN, SDLK_RIGHT));
    EXPECT_EQ(fe->browser->selected, 1);
    EXPECT_EQ(m->joystick, 0x1F) << "RIGHT pressed no joystick line while browsing";

    // PAUSE before LOAD: closing the browser resumes all the same.
    press_button(kActionLoad);
    EXPECT_EQ(fe->browsing, 0);
    EXPECT_EQ(fe->paused, 0);
    press_button(kActionPause);
    press_button(kActionLoad);
    press_button(kActionLoad);
    EXPECT_EQ(fe->paused, 0);
    EXPECT_EQ(fe->browsing, 0);
}

TEST_F(Dispatch, SoundTurnedOnWhilePausedArmsButWaits) {
    press_button(kActionPause);
    press_button(kActionSound);
    EXPECT_EQ(fe->options->sound, 0);
    press_button(kActionSound);
    EXPECT_EQ(fe->paused, 1);
    EXPECT_EQ(fe->audio->armed, 1);
    EXPECT_EQ(SDL_GetAudioStatus(), SDL_AUDIO_PAUSED) << "the frame loop unpauses it later";
}

// A device that cannot be opened (here: SDL has one open already) is said on the status
// line too, for a user who sees no terminal.
TEST_F(Dispatch, ASoundDeviceThatCannotOpenIsSaidOnTheStatusLine) {
    SDL_AudioSpec taken = {};
    taken.freq = 22050;
    taken.format = AUDIO_U8;
    taken.channels = 1;
    taken.samples = 441;
    taken.callback = [](void *, Uint8 *, int) {};
    ASSERT_EQ(SDL_OpenAudio(&taken, nullptr), 0) << SDL_GetError();
    press_button(kActionSound);
    testing::internal::CaptureStderr();
    press_button(kActionSound);
    std::string told = testing::internal::GetCapturedStderr();
    std::string said = told.substr(0, told.find('\n'));
    EXPECT_EQ(said.rfind("Couldn't open audio: ", 0), 0u) << told;
    EXPECT_GT(said.size(), std::string("Couldn't open audio: ").size()) << "no reason given";
    EXPECT_TRUE(status_shows(said));
    EXPECT_EQ(std::count(told.begin(), told.end(), '\n'), 2) << "said once, then the device";
}

TEST_F(Dispatch, FocusLossPausesAndClosesGainResumesEvenWhileBrowsing) {
    sound_open(fe->audio, m);
    send(focus_event(0));
    EXPECT_EQ(fe->paused, 1);
    EXPECT_EQ(fe->audio->opened, 0);
    m->counter = 50;
    send(focus_event(1));
    EXPECT_EQ(fe->paused, 0);
    EXPECT_EQ(fe->audio->opened, 1);
    EXPECT_EQ(fe->audio->armed, 1);
    expect_resynced();

    press_button(kActionLoad);
    send(focus_event(0));
    send(focus_event(1));
    EXPECT_EQ(fe->paused, 0);
    EXPECT_EQ(fe->browsing, 1);

    // With sound off a regained focus leaves the device closed.
    fe->options->sound = 0;
    send(focus_event(0));
    send(focus_event(1));
    EXPECT_EQ(fe->audio->opened, 0);
}

TEST_F(Dispatch, HardwareKeysGoThroughTheKeyMap) {
    struct Case {
        int symbol;
        int code;  // what the default map presses; 0 presses nothing
    };
    const Case cases[] = {{SDLK_ESCAPE, 0},           {SDLK_F5, kKeyCapsShift},
                          {SDLK_F7, kKeySymbolShift}, {SDLK_RIGHT, kKeyJoyRight},
                          {SDLK_LEFT, kKeyJoyLeft},   {SDLK_DOWN, kKeyJoyDown},
                          {SDLK_UP, kKeyJoyUp},       {SDLK_RETURN, kKeyJoyFire}};
    for (const Case &c : cases) {
        send(key_event(SDL_KEYDOWN, c.symbol));
        EXPECT_EQ(fe->quit, 0) << c.symbol;
        EXPECT_TRUE(c.code == 0 || down(c.code)) << c.symbol;
        send(key_event(SDL_KEYUP, c.symbol));
        EXPECT_TRUE(c.code == 0 || !down(c.code)) << c.symbol;
    }
    for (int i = 0; i < 8; i++) EXPECT_EQ(m->keyrows[i], 0xFF);
    EXPECT_EQ(m->joystick, 0x1F);

    // A profile's map: F6 types 'z' in "aticatac".
    fe->options->keymap = profile_for("aticatac.z80")->map;
    send(key_event(SDL_KEYDOWN, SDLK_F6));
    EXPECT_TRUE(down('z'));
    // While browsing, key-up still releases; key-down presses nothing.
    press_button(kActionLoad);
    send(key_event(SDL_KEYUP, SDLK_F6));
    EXPECT_FALSE(down('z'));
    send(key_event(SDL_KEYDOWN, SDLK_F6));
    EXPECT_FALSE(down('z'));
    EXPECT_EQ(fe->quit, 0);
    send(key_event(SDL_KEYUP, SDLK_F6));
    press_button(kActionLoad);

    // A new map while a key is held ("krakout": F6 types 'p'): the key-up lets go of the key
    // its key-down pressed as well, so that nothing stays down.
    send(key_event(SDL_KEYDOWN, SDLK_F6));
    fe->options->keymap = profile_for("krakout.z80")->map;
    send(key_event(SDL_KEYUP, SDLK_F6));
    EXPECT_FALSE(down('z'));
    EXPECT_FALSE(down('p'));
}

TEST_F(Dispatch, AKeyOutsideTheElevenEndsTheProgram) {
    for (int symbol : {SDLK_a, SDLK_SPACE, SDLK_F1, SDLK_BACKSPACE}) {
        fe->quit = 0;
        send(key_event(SDL_KEYDOWN, symbol));
        EXPECT_EQ(fe->quit, 1) << symbol;
        send(key_event(SDL_KEYUP, symbol));
    }
    for (int i = 0; i < 8; i++) EXPECT_EQ(m->keyrows[i], 0xFF);
}

TEST_F(Dispatch, TapsHoldKeysUntilTheFrameAfterTheLift) {
    // Held while the finger stays down, released at the first frame after the lift.
    tap_down('a');
    EXPECT_TRUE(down('a'));
    EXPECT_EQ(fe->lasttap, 'a');
    for (int i = 0; i < 10; i++) frame();
    EXPECT_TRUE(down('a'));
    lift();
    EXPECT_TRUE(down('a'));
    EXPECT_EQ(fe->lasttap, 0);
    frame();
    EXPECT_FALSE(down('a'));
    EXPECT_FALSE(fe->holdactive);

    // Tap and lift before any frame: released before the frame runs.
    tap_down('p');
    lift();
    frame();
    EXPECT_FALSE(down('p'));

    // A finger left down is released at the 255th frame.
    tap_down('m');
    for (int i = 0; i < 254; i++) frame();
    EXPECT_TRUE(down('m'));
    frame();
    EXPECT_FALSE(down('m'));
    lift();
    frame();
    EXPECT_FALSE(down('m'));

    // A lift with no tap before it does nothing.
    lift();
    EXPECT_FALSE(fe->holdactive);
}

TEST_F(Dispatch, StickyShiftsStayDownUntilTheNextKeyLifts) {
    tap_down(kKeyCapsShift);
    lift();
    EXPECT_EQ(fe->pendingshift, kKeyCapsShift);
    for (int i = 0; i < 5; i++) frame();
    EXPECT_TRUE(down(kKeyCapsShift));
    tap_down('1');
    frame();
    EXPECT_TRUE(down(kKeyCapsShift));
    EXPECT_TRUE(down('1'));
    lift();
    EXPECT_EQ(fe->pendingshift, 0);
    frame();
    EXPECT_FALSE(down(kKeyCapsShift));
    EXPECT_FALSE(down('1'));

    // The other shift replaces a pending one; the first is left to its own counter.
    tap_down(kKeyCapsShift);
    lift();
    frame();
    tap_down(kKeySymbolShift);
    lift();
    EXPECT_EQ(fe->pendingshift, kKeySymbolShift);
    for (int i = 0; i < 254; i++) frame();
    EXPECT_FALSE(down(kKeyCapsShift));
    EXPECT_TRUE(down(kKeySymbolShift));

    // Without sticky shifts a shift is a key like any other.
    fe->options->stickyshift = 0;
    fe->pendingshift = 0;
    tap_down(kKeyCapsShift);
    lift();
    frame();
    EXPECT_FALSE(down(kKeyCapsShift));
    EXPECT_EQ(fe->pendingshift, 0);
}

TEST_F(Dispatch, ButtonsAreHitStrictlyInside) {
    struct Case {
        int x, y;
        bool reset;
    };
    // The last two: the tape deck's REW and EJECT, with no tape.
    const Case cases[] = {
        {545, 35, true},   {521, 11, true},   {569, 59, true},   {520, 35, false},
        {570, 35, false},  {545, 10, false},  {545, 60, false},  {575, 35, false},
        {545, 300, false}, {545, 355, false}, {725, 355, false},
    };
    for (const Case &c : cases) {
        m->pc = 0x1234;
        send(mouse_event(SDL_MOUSEBUTTONDOWN, c.x, c.y));
        send(mouse_event(SDL_MOUSEBUTTONUP, c.x, c.y));
        EXPECT_EQ(m->pc == 0, c.reset) << c.x << "," << c.y;
        EXPECT_EQ(at(545, 355), 0) << "the deck drawn without a tape";
    }
    // A tap in the Spectrum area outside the browser does nothing at all.
    send(mouse_event(SDL_MOUSEBUTTONDOWN, 100, 100));
    EXPECT_EQ(fe->lasttap, 0);
    EXPECT_EQ(fe->quit, 0);
}

TEST_F(Dispatch, TheBrowserLoadsTheChosenSnapshotWithItsProfile) {
    // A machine saved under a profile's name, in a folder below the working directory.
    std::filesystem::create_directory(dir + "/games");
    uint8_t image[65536] = {};
    static Machine saved;
    machine_power_on(&saved, image);
    saved.pc = 0x9000;
    saved.sp = 0xF000;
    saved.a = 0x5A;
    saved.ram[0x2000] = 0xC3;
    ASSERT_EQ(save_sna(&saved, (dir + "/games/krakout.sna").c_str()), 0);
    std::ofstream(dir + "/games/aaa.txt") << "not a snapshot";

    press_button(kActionLoad);
    ASSERT_EQ(fe->browser->count, 2);  // "..", "games"
    send(key_event(SDL_KEYDOWN, SDLK_RIGHT));
    send(key_event(SDL_KEYDOWN, SDLK_RETURN));
    EXPECT_EQ(fe->browsing, 1);
    ASSERT_EQ(fe->browser->count, 3);  // "..", "aaa.txt", "krakout.sna"
    // A tap on the third position selects the snapshot; RETURN loads it.
    send(mouse_event(SDL_MOUSEBUTTONDOWN, 40, 100 + 16));
    EXPECT_EQ(fe->browser->selected, 2);
    m->counter = 300;
    testing::internal::CaptureStderr();
    send(key_event(SDL_KEYDOWN, SDLK_RETURN));
    // The resumed sound device reports itself after the message.
    EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("Loaded krakout.sna\n", 0), 0u);
    EXPECT_EQ(fe->browsing, 0);
    EXPECT_EQ(fe->paused, 0);
    EXPECT_EQ(std::string(fe->path), dir + "/games/krakout.sna");
    EXPECT_EQ(m->a, 0x5A);
    EXPECT_EQ(m->pc, 0x9000);
    EXPECT_EQ(m->ram[0x2000], 0xC3);
    expect_resynced();
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(dir + "/games"));
    // krakout's map: F5 types SPACE.
    send(key_event(SDL_KEYDOWN, SDLK_F5));
    EXPECT_TRUE(down(' '));

    // A file that is not a snapshot closes the browser and leaves the machine as it was.
    press_button(kActionLoad);
    send(key_event(SDL_KEYDOWN, SDLK_RIGHT));
    testing::internal::CaptureStderr();
    send(key_event(SDL_KEYDOWN, SDLK_RETURN));
    EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("Not a snapshot: aaa.txt\n", 0), 0u);
    EXPECT_EQ(fe->browsing, 0);
    EXPECT_EQ(m->pc, 0x9000);
}

// Whatever draws over the picture or replaces what it shows makes the next frame drawn and
// published whole; what changes nothing of it leaves the next frame with nothing to draw.
TEST_F(Dispatch, WhatDrawsOverThePictureMakesTheNextFrameWhole) {
    uint8_t image[65536] = {};
    static Machine saved;
    machine_power_on(&saved, image);
    ASSERT_EQ(save_sna(&saved, (dir + "/game.sna").c_str()), 0);
    std::filesystem::copy_file(std::string(TAPES_DIR) + "/game.tap", dir + "/game.tap");
    DecodedFile tape;
    ASSERT_EQ(decode_here((dir + "/game.tap").c_str(), &tape), 0);
    struct Case {
        const char *name;
        std::function<void()> before, act;  // before: set up, then the picture is drawn
        bool whole;
    } cases[] = {
        {"RESET", [] {}, [&] { press_button(kActionReset); }, true},
        {"LOAD opens the browser", [] {}, [&] { press_button(kActionLoad); }, true},
        {"LOAD closes the browser", [&] { press_button(kActionLoad); },
         [&] { press_button(kActionLoad); }, true},
        {"a file chosen in the browser",
         [&] {
             press_button(kActionLoad);
             send(key_event(SDL_KEYDOWN, SDLK_DOWN));  // "..", game.sna, game.tap
         },
         [&] { send(key_event(SDL_KEYDOWN, SDLK_RETURN)); }, true},
        {"focus lost", [] {}, [&] { send(focus_event(0)); }, true},
        {"focus regained", [&] { send(focus_event(0)); }, [&] { send(focus_event(1)); }, true},
        {"a snapshot loaded", [] {}, [&] { load_and_say(fe, "game.sna"); }, true},
        {"a tape inserted",
         [] {}, [&] { tape_open_decoded(fe, "game.tap", tape.data(), tape.size()); }, true},
        {"a snapshot the decoder read",
         [] {}, [&] { say_decoded_load(fe, kLoaded, "game.szx", "game.szx"); }, true},
        {"a snapshot the decoder refused",
         [] {}, [&] { say_decoded_load(fe, kNot48K, "game.szx", "game.szx"); }, false},
        {"a refused snapshot", [] {}, [&] { load_and_say(fe, "game.tap.sna"); }, false},
        {"a hardware key", [] {}, [&] { send(key_event(SDL_KEYDOWN, SDLK_LEFT)); }, false},
        {"PAUSE", [] {}, [&] { press_button(kActionPause); }, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        c.before();
        publish_frame(fe);
        c.act();
        ScreenBands bands;
        int count = render_frame(m, &fe->shown, &bands);
        EXPECT_EQ(count, c.whole ? 1 : 0);
        if (c.whole && count == 1) {
            EXPECT_EQ(bands.band[0].y, kSpecAreaY);
            EXPECT_EQ(bands.band[0].height, kSpecAreaHeight);
        }
        // Back to running, no browser, for the next case.
        if (fe->browsing) press_button(kActionLoad);
        if (fe->paused) press_button(kActionPause);
        key_release(kKeyJoyLeft, m);
    }
}

}  // namespace
