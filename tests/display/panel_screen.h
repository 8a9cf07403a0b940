// A machine drawing into an 800x480x16 software surface, for the panel and text tests.
#pragma once

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "machine/machine.h"
#include "screen_surface.h"

constexpr int kW = 800;
constexpr int kH = 480;

class PanelScreen : public ::testing::Test {
   protected:
    void SetUp() override {
        static Machine machine;  // too large for the stack
        m = &machine;
        surface = attach_screen_surface(m);
        ASSERT_NE(surface, nullptr);
        fill(0);
    }
    void TearDown() override { SDL_FreeSurface(surface); }

    void fill(uint16_t colour) {
        for (int i = 0; i < kW * kH; i++) m->pixels[i] = colour;
    }
    uint16_t at(int x, int y) const { return m->pixels[x + kW * y]; }
    std::vector<uint16_t> snapshot() const { return {m->pixels, m->pixels + kW * kH}; }

    // "" when the screen equals want, else where and how it first differs.
    std::string differs_from(const std::vector<uint16_t> &want) const {
        for (int i = 0; i < kW * kH; i++)
            if (m->pixels[i] != want[i]) {
                char text[96];
                std::snprintf(text, sizeof text, "(%d, %d) is 0x%04X, want 0x%04X", i % kW, i / kW,
                              m->pixels[i], want[i]);
                return text;
            }
        return "";
    }

    Machine *m = nullptr;
    SDL_Surface *surface = nullptr;
};
