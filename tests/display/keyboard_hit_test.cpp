#include "display/keyboard_layout.h"

#include <gtest/gtest.h>

#include <vector>

#include "input/key_matrix.h"

namespace {

struct Span {
    int first, last, code;
};

// The keys of each row of the drawn keyboard: x from the pixel after the key's left line
// (or the frame) to the one before its right line (or the frame), with its key code.
const std::vector<Span> kSpans[5] = {
    {{0, 19, 16},
     {21, 40, 17},
     {42, 61, '1'},
     {63, 82, '2'},
     {84, 103, '3'},
     {105, 124, '4'},
     {126, 145, '5'},
     {147, 166, '6'},
     {168, 187, '7'},
     {189, 208, '8'},
     {210, 229, '9'},
     {231, 250, '0'},
     {252, 279, 25}},
    {{0, 30, 18},
     {32, 51, 19},
     {53, 72, 'q'},
     {74, 93, 'w'},
     {95, 114, 'e'},
     {116, 135, 'r'},
     {137, 156, 't'},
     {158, 177, 'y'},
     {179, 198, 'u'},
     {200, 219, 'i'},
     {221, 240, 'o'},
     {242, 260, 'p'},
     {262, 279, kKeyEnter}},
    {{0, 30, 9},
     {32, 56, 21},
     {58, 77, 'a'},
     {79, 98, 's'},
     {100, 119, 'd'},
     {121, 140, 'f'},
     {142, 161, 'g'},
     {163, 182, 'h'},
     {184, 203, 'j'},
     {205, 224, 'k'},
     {226, 245, 'l'},
     {247, 279, kKeyEnter}},
    {{0, 46, kKeyCapsShift},
     {48, 67, 23},
     {69, 88, 'z'},
     {90, 109, 'x'},
     {111, 130, 'c'},
     {132, 151, 'v'},
     {153, 172, 'b'},
     {174, 193, 'n'},
     {195, 214, 'm'},
     {216, 235, '.'},
     {237, 279, kKeyCapsShift}},
    {{0, 20, kKeySymbolShift},
     {22, 41, ';'},
     {43, 62, '"'},
     {64, 83, kKeyCursorLeft},
     {85, 104, kKeyCursorRight},
     {106, 198, ' '},
     {200, 219, kKeyCursorUp},
     {221, 239, kKeyCursorDown},
     {241, 258, ','},
     {260, 279, kKeySymbolShift}},
};

int expected_hit(int x, int y) {
    if (x < 0 || x > 279 || y < 0 || y > 103) return -1;
    if (y == 20 || y == 41 || y == 62 || y == 83) return -2;
    for (const Span &s : kSpans[y / 21])
        if (x >= s.first && x <= s.last) return s.code;
    return -3;  // between two spans: a key line
}

TEST(KeyboardHit, EveryPointAgreesWithTheKeySpans) {
    int keys = 0, lines = 0;
    for (int y = -3; y < 108; y++)
        for (int x = -3; x < 284; x++) {
            int want = expected_hit(x, y);
            ASSERT_EQ(keyboard_hit(x, y), want) << "(" << x << ", " << y << ")";
            keys += want >= 0;
            lines += want == -3;
        }
    // 5 rows of 20 lines, less one pixel per key line of each row (12, 12, 11, 10, 9).
    EXPECT_EQ(lines, 20 * (12 + 12 + 11 + 10 + 9));
    EXPECT_EQ(keys, 100 * 280 - lines);
}

TEST(KeyboardHit, NamedPoints) {
    struct Case {
        int x, y, code;
    } cases[] = {
        {10, 10, 16},   {20, 10, -3},  {21, 10, 17},  {10, 20, -2},  {280, 10, -1}, {10, 104, -1},
        {-1, 10, -1},   {10, -1, -1},  {40, 70, 22},  {47, 70, -3},  {50, 70, 23},  {65, 70, 23},
        {68, 70, -3},   {70, 70, 'z'}, {30, 30, 18},  {31, 30, -3},  {30, 50, 9},   {150, 90, ' '},
        {198, 90, ' '}, {199, 90, -3}, {200, 90, 28}, {262, 30, 10}, {279, 30, 10}, {247, 50, 10},
        {261, 30, -3},  {279, 10, 25}, {279, 50, 10}, {279, 70, 22}, {279, 90, 24}, {0, 0, 16},
        {279, 103, 24}, {0, 103, 24},  {10, 83, -2},  {10, 84, 24},  {10, 82, 22},
    };
    for (const Case &c : cases) EXPECT_EQ(keyboard_hit(c.x, c.y), c.code) << c.x << "," << c.y;
}

}  // namespace
