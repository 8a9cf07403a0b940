#include "input/key_matrix.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "machine/ports.h"

namespace {

// The Spectrum's half-rows as printed on its keyboard; '^' CAPS SHIFT, '\n' ENTER,
// '_' SPACE and '$' SYMBOL SHIFT stand for the keys without a character.
const char *const kHalfRows[8] = {"^zxcv", "asdfg", "qwert",  "12345",
                                  "09876", "poiuy", "\nlkjh", "_$mnb"};
constexpr int kCapsPos = 0x00, kSymPos = 0x71, kEnterPos = 0x60, kSpacePos = 0x70;

int position_of(char key) {
    for (int row = 0; row < 8; row++) {
        const char *hit = std::strchr(kHalfRows[row], key);
        if (hit && key) return row * 16 + int(hit - kHalfRows[row]);
    }
    return -1;
}

// The matrix positions each key code should press, from the keyboard's own layout.
std::vector<int> expected_positions(unsigned code) {
    struct Low {
        int code;
        std::vector<int> positions;
    };
    static const std::vector<Low> low = {
        {kKeyJoyRight, {0x80}},
        {kKeyJoyLeft, {0x81}},
        {kKeyJoyDown, {0x82}},
        {kKeyJoyUp, {0x83}},
        {kKeyJoyFire, {0x84}},
        {8, {kCapsPos, position_of('0')}},
        {9, {kCapsPos, kSymPos}},
        {kKeyEnter, {kEnterPos}},
        {13, {kEnterPos}},
        {16, {position_of('3'), kCapsPos}},
        {17, {position_of('4'), kCapsPos}},
        {18, {position_of('0'), kCapsPos}},
        {19, {position_of('9'), kCapsPos}},
        {21, {position_of('1'), kCapsPos}},
        {kKeyCapsShift, {kCapsPos}},
        {23, {position_of('2'), kCapsPos}},
        {kKeySymbolShift, {kSymPos}},
        {25, {kSpacePos, kCapsPos}},
        {kKeyCursorLeft, {position_of('5'), kCapsPos}},
        {kKeyCursorRight, {position_of('8'), kCapsPos}},
        {kKeyCursorUp, {position_of('7'), kCapsPos}},
        {kKeyCursorDown, {position_of('6'), kCapsPos}},
    };
    static const char kSymbols[] = "!1\"p#3$4%5&6'7(8)9*b+k,n-j.m/v:z;o<r=l>t?c@2^h_0`x~i";
    if (code < 32) {
        for (const Low &l : low)
            if (unsigned(l.code) == code) return l.positions;
        return {};
    }
    if (code == ' ') return {kSpacePos};
    if ((code >= '0' && code <= '9') || (code >= 'a' && code <= 'z'))
        return {position_of(char(code))};
    if (code >= 'A' && code <= 'Z') return {position_of(char(code - 'A' + 'a')), kCapsPos};
    for (int i = 0; kSymbols[i]; i += 2)
        if (unsigned(kSymbols[i]) == code) return {kSymPos, position_of(kSymbols[i + 1])};
    return {};  // '[', '\', ']', '{', '|', '}', 127 and above
}

Machine machine;  // too large for the stack

void clear_input(Machine *m) {
    std::memset(m->keyrows, 0xFF, sizeof m->keyrows);
    m->joystick = 0x1F;
}

uint8_t input_at(const Machine &m, int row) { return row < 8 ? m.keyrows[row] : m.joystick; }

TEST(KeyMatrix, EveryCodePressesAndReleasesItsPositions) {
    for (unsigned code = 0; code < 256; code++) {
        SCOPED_TRACE(code);
        uint8_t want[9];
        std::memset(want, 0xFF, 8);
        want[8] = 0x1F;
        for (int pos : expected_positions(code)) {
            ASSERT_GE(pos, 0);
            want[pos >> 4] &= uint8_t(~(1 << (pos & 15)));
        }
        clear_input(&machine);
        key_press(code, &machine);
        for (int row = 0; row < 9; row++) EXPECT_EQ(input_at(machine, row), want[row]) << row;
        key_release(code, &machine);
        for (int row = 0; row < 8; row++) EXPECT_EQ(machine.keyrows[row], 0xFF) << row;
        EXPECT_EQ(machine.joystick, 0x1F);
    }
}

TEST(KeyMatrix, ReleaseSetsOnlyTheCodesBits) {
    for (unsigned code = 0; code < 256; code++) {
        SCOPED_TRACE(code);
        std::memset(machine.keyrows, 0, sizeof machine.keyrows);
        machine.joystick = 0;
        uint8_t want[9] = {0};
        for (int pos : expected_positions(code)) want[pos >> 4] |= uint8_t(1 << (pos & 15));
        key_release(code, &machine);
        for (int row = 0; row < 9; row++) EXPECT_EQ(input_at(machine, row), want[row]) << row;
    }
}

TEST(KeyMatrix, SharedPositionsAreReleasedByEitherCode) {
    clear_input(&machine);
    key_press('A', &machine);
    key_press(kKeyCapsShift, &machine);
    key_press('A', &machine);  // a second press is the same as one
    EXPECT_EQ(machine.keyrows[1], 0xFE);
    EXPECT_EQ(machine.keyrows[0], 0xFE);
    key_release(kKeyCapsShift, &machine);
    EXPECT_EQ(machine.keyrows[1], 0xFE);  // A still down
    EXPECT_EQ(machine.keyrows[0], 0xFF);  // CAPS SHIFT up, though 'A' still wants it
    key_release('A', &machine);
    EXPECT_EQ(machine.keyrows[1], 0xFF);
}

// The frame run hands port_read the eight half-rows followed by the joystick byte.
uint8_t read_port(uint8_t low, uint8_t high) {
    uint8_t input[kInputBytes];
    std::memcpy(input, machine.keyrows, 8);
    input[8] = machine.joystick;
    return port_read(low, high, input);
}

TEST(KeyMatrix, PortReadsSeeThePressedKeys) {
    clear_input(&machine);
    key_press(kKeyJoyRight, &machine);
    EXPECT_EQ(machine.joystick, 0x1E);
    EXPECT_EQ(read_port(0x1F, 0x00), 0x01);
    key_press(9, &machine);  // EXTEND MODE: CAPS SHIFT and SYMBOL SHIFT
    EXPECT_EQ(read_port(0xFE, 0xFE), 0xFE);
    EXPECT_EQ(read_port(0xFE, 0x7F), 0xFD);
    EXPECT_EQ(read_port(0xFE, 0x7E), 0xFC);
    EXPECT_EQ(read_port(0xFE, 0xFD), 0xFF);
}

}  // namespace
