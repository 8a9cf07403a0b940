// Hardware keys of the device and the per-game key profiles chosen by file name.
#pragma once

#include <cstdint>

constexpr int kHardwareKeys = 11;

// Byte i: the key code pressed by hardware key i; 0 presses nothing.
struct KeyMap {
    uint8_t keys[kHardwareKeys];
};

struct KeyProfile {
    char name[16];  // NUL-terminated file-name prefix; an empty name ends the table
    KeyMap map;
    uint8_t zero;
};

extern const KeyProfile kKeyProfiles[];

// Index 0-10 of an SDL 1.2 key symbol among the eleven hardware keys, or -1.
int hwkey_index(int symbol);

// The first profile whose name prefixes base (a file's base name), or nullptr.
const KeyProfile *profile_for(const char *base);
