// The front end's settings, with the active key map that snapshot loads replace.
#pragma once

#include <cstdint>

#include "input/key_profiles.h"

struct Options {
    int32_t sound;        // 1 = beeper on
    int32_t faststart;    // FAST mode to start in
    int32_t stickyshift;  // tapped CAPS/SYMBOL SHIFT stay down until the next key lifts
    KeyMap keymap;        // Spectrum key code pressed by each hardware key
};

void options_defaults(Options *options);
