// A front end drawing into an 800x480x16 software surface, with SDL's dummy video and audio
// drivers, in a fresh working directory of its own.
#pragma once

#include <SDL/SDL.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "display/control_panel.h"
#include "display/keyboard_layout.h"
#include "display/status_text.h"
#include "frontend/event_dispatch.h"
#include "frontend/front_end.h"
#include "input/key_matrix.h"
#include "frontend/tape_control.h"
#include "screen_surface.h"
#include "tests/decode_here.h"

inline SDL_Event key_event(Uint8 type, int symbol) {
    SDL_Event e{};
    e.type = type;
    e.key.type = type;
    e.key.keysym.sym = SDLKey(symbol);
    return e;
}

inline SDL_Event mouse_event(Uint8 type, int x, int y) {
    SDL_Event e{};
    e.type = type;
    e.button.type = type;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.x = Uint16(x);
    e.button.y = Uint16(y);
    return e;
}

inline SDL_Event focus_event(int gain) {
    SDL_Event e{};
    e.type = SDL_ACTIVEEVENT;
    e.active.type = SDL_ACTIVEEVENT;
    e.active.gain = Uint8(gain);
    e.active.state = SDL_APPINPUTFOCUS;
    return e;
}

// The tape file at path as the decoder hands it over, then to the front end.
inline void open_tape(FrontEnd *fe, const char *path) {
    DecodedFile file;
    ASSERT_EQ(decode_here(path, &file), 0) << path;
    ASSERT_EQ(file.header.outcome, kDecodedTape) << path;
    tape_open_decoded(fe, file.header.name, file.data(), file.size());
}

// The centre of a button, in screen pixels.
inline int button_x(int action) {
    return kButtonOriginX + panel_buttons[action].x + panel_buttons[action].w / 2;
}
inline int button_y(int action) {
    return kButtonOriginY + panel_buttons[action].y + panel_buttons[action].h / 2;
}

// A screen point on the drawn keyboard that presses code.
inline bool key_point(int code, int *x, int *y) {
    for (int ky = 1; ky < kKeyboardHeight - 1; ky++)
        for (int kx = 1; kx < kKeyboardWidth - 1; kx++)
            if (keyboard_hit(kx, ky) == code) {
                *x = kKeyboardX + kx;
                *y = kKeyboardY + ky;
                return true;
            }
    return false;
}

class FrontEndRig : public ::testing::Test {
   protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO), 0) << SDL_GetError();
        static uint8_t image[65536];
        static Machine machine;  // the sound ring makes it too large for the stack
        static Options options;
        static AudioState audio;
        static FrontEnd state;
        static FileBrowser browser;
        static RewindRing ring;  // 3 MB
        static PauseMenu menu;
        m = &machine;
        machine_power_on(m, image);
        surface = attach_screen_surface(m);
        ASSERT_NE(surface, nullptr);
        options_defaults(&options);
        audio = AudioState{};
        state = FrontEnd{};
        fe = &state;
        fe->m = m;
        fe->options = &options;
        fe->audio = &audio;
        fe->browser = &browser;
        rewind_clear(&ring);
        fe->ring = &ring;
        fe->menu = &menu;
        char pattern[] = "/tmp/tavisk-frontend-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        old_cwd = std::filesystem::current_path();
        std::filesystem::current_path(dir);
        // The user's places in the test's folder: no key map of the real home is read, and
        // nothing is written there.
        config = dir + "/user/config";
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        setenv("XDG_DATA_HOME", (dir + "/user/data").c_str(), 1);
        setenv("HOME", (dir + "/user/home").c_str(), 1);
    }
    void TearDown() override {
        SDL_CloseAudio();
        SDL_FreeSurface(surface);
        SDL_Quit();
        std::filesystem::current_path(old_cwd);
        std::filesystem::remove_all(dir);
    }

    // Events as a user at the device makes them.
    void send(const SDL_Event &e) { dispatch_event(fe, &e); }
    void press_button(int action) {
        send(mouse_event(SDL_MOUSEBUTTONDOWN, button_x(action), button_y(action)));
        send(mouse_event(SDL_MOUSEBUTTONUP, button_x(action), button_y(action)));
    }
    void tap_down(int code) {
        int x = 0, y = 0;
        ASSERT_TRUE(key_point(code, &x, &y)) << code;
        send(mouse_event(SDL_MOUSEBUTTONDOWN, x, y));
    }
    void lift() { send(mouse_event(SDL_MOUSEBUTTONUP, 0, 0)); }
    // What the frame loop does before a frame.
    void frame() {
        if (fe->holdactive) hold_countdown(fe);
    }

    // Whether the status line shows text as the program draws it.
    bool status_shows(const std::string &text) {
        std::vector<uint16_t> shown(m->pixels, m->pixels + 800 * 480);
        draw_status_text(m, text.c_str());
        bool same = std::equal(shown.begin(), shown.end(), m->pixels);
        std::copy(shown.begin(), shown.end(), m->pixels);
        return same;
    }

    // Whether key code's first matrix position is pressed (rows are active low).
    bool down(int code) const {
        int pos = SpecKeyTable[code].first;
        uint8_t row = pos / 16 == 8 ? m->joystick : m->keyrows[pos / 16];
        return ((row >> (pos % 16)) & 1) == 0;
    }
    uint16_t at(int x, int y) const { return m->pixels[x + 800 * y]; }
    // A file's whole text, "" when there is none.
    static std::string read_text(const std::string &path) {
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    SDL_Surface *surface = nullptr;
    Machine *m = nullptr;
    FrontEnd *fe = nullptr;
    std::string dir;
    std::string config;  // $XDG_CONFIG_HOME
    std::filesystem::path old_cwd;
};
