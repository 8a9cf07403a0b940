// A front end drawing into an 800x480x16 software surface, with SDL's dummy video and audio
// drivers, in a fresh working directory of its own.
#pragma once

#include <SDL/SDL.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "display/control_panel.h"
#include "frontend/front_end.h"
#include "input/key_matrix.h"
#include "screen_surface.h"

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
        char pattern[] = "/tmp/tavisk-frontend-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        old_cwd = std::filesystem::current_path();
        std::filesystem::current_path(dir);
    }
    void TearDown() override {
        SDL_CloseAudio();
        SDL_FreeSurface(surface);
        SDL_Quit();
        std::filesystem::current_path(old_cwd);
        std::filesystem::remove_all(dir);
    }

    // Whether key code's first matrix position is pressed (rows are active low).
    bool down(int code) const {
        int pos = SpecKeyTable[code].first;
        uint8_t row = pos / 16 == 8 ? m->joystick : m->keyrows[pos / 16];
        return ((row >> (pos % 16)) & 1) == 0;
    }
    uint16_t at(int x, int y) const { return m->pixels[x + 800 * y]; }

    SDL_Surface *surface = nullptr;
    Machine *m = nullptr;
    FrontEnd *fe = nullptr;
    std::string dir;
    std::filesystem::path old_cwd;
};
