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

// The key codes below 32 that name a key rather than type a character: the joystick lines
// (Kempston), ENTER (also code 13, the character ENTER types), the shifts and the cursor
// keys (CAPS SHIFT with 5-8).
constexpr int kKeyJoyRight = 1;
constexpr int kKeyJoyLeft = 2;
constexpr int kKeyJoyDown = 3;
constexpr int kKeyJoyUp = 4;
constexpr int kKeyJoyFire = 5;
constexpr int kKeyEnter = 10;
constexpr int kKeyCapsShift = 22;
constexpr int kKeySymbolShift = 24;
constexpr int kKeyCursorLeft = 26;
constexpr int kKeyCursorRight = 27;
constexpr int kKeyCursorUp = 28;
constexpr int kKeyCursorDown = 29;
extern const SpecKeyEntry SpecKeyTable[kKeyCodes];

void key_press(unsigned code, Machine *m);
void key_release(unsigned code, Machine *m);
