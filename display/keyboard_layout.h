// The drawn Spectrum keyboard: where its keys lie, the key code each one presses, the
// legends printed around them, and the hit test of a tap. Coordinates are relative to
// the keyboard's top-left corner.
#pragma once

#include <cstdint>

constexpr int kKeyboardX = 516;  // screen position of the keyboard origin
constexpr int kKeyboardY = 190;
constexpr int kKeyboardWidth = 280;
constexpr int kKeyboardHeight = 104;
constexpr int kKeyRows = 5;
constexpr int kKeySlots = 13;
constexpr int kKeyRowPitch = 21;  // 20 pixels of keys, then a separator line
constexpr int kKeyRowEnd = 281;   // beyond the frame: the last key of a row and the slots after

// keyedges[r][i]: x of the line at the right of key i of row r.
extern const int32_t keyedges[kKeyRows][kKeySlots];
// keychars[r][i]: key code of key i of row r; ENTER in the slots after the last key.
extern const uint8_t keychars[kKeyRows][kKeySlots];

constexpr int kLabelFunction = 2;  // names of function and shift keys, arrows, punctuation
constexpr int kLabelSymbol = 8;    // what SYMBOL SHIFT types

struct KeyLabel {
    char label[16];  // may hold the panel font's line-art codes
    int32_t x;       // top-left; negative ends the table
    int32_t y;
    int32_t mask;
};

constexpr int kKeyLabels = 68;
extern const KeyLabel keylabels[kKeyLabels + 1];

constexpr int kHitOutside = -1;
constexpr int kHitSeparator = -2;
constexpr int kHitKeyLine = -3;

// Key code of the key under (x, y), or kHitOutside, kHitSeparator, kHitKeyLine.
int keyboard_hit(int x, int y);
