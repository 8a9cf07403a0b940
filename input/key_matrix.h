// Spectrum key codes and the keyboard matrix they press.
#pragma once

#include <cstdint>

#include "machine/machine.h"

// Matrix code: row * 16 + bit; rows 0-7 are keyrows, row 8 the joystick byte; -1 is none.
struct SpecKeyEntry {
    uint8_t code;  // equals the row's index in a row in use, 0 in an empty row
    uint8_t pad[3];
    int32_t first;
    int32_t second;
};

constexpr int kKeyCodes = 127;

// The key codes below 32 that name a key rather than type a character.
constexpr int kKeyEnter = 10;
constexpr int kKeyCapsShift = 22;
constexpr int kKeySymbolShift = 24;
extern const SpecKeyEntry SpecKeyTable[kKeyCodes];

void key_press(unsigned code, Machine *m);
void key_release(unsigned code, Machine *m);
