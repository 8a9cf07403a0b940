#include "keymaps/keys_file.h"

#include <SDL/SDL_keysym.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "display/keyboard_layout.h"
#include "input/key_matrix.h"
#include "keymaps_rig.h"

namespace {

// Spectrum keyboard matrix places (half-row, bit) as the hardware has them: row 0 CAPS SHIFT
// Z X C V, 1 A S D F G, 2 Q W E R T, 3 1-5, 4 0 9 8 7 6, 5 P O I U Y, 6 ENTER L K J H,
// 7 SPACE SYMBOL-SHIFT M N B; row 8 the Kempston joystick bits: right, left, down, up, fire.
using Places = std::set<std::pair<int, int>>;
constexpr std::pair<int, int> kCaps = {0, 0}, kSym = {7, 1}, kEnter = {6, 0}, kSpace = {7, 0};

struct Line {
    const char *text;
    int symbol;     // SDL key symbol of the hardware key the line maps; 0 none
    Places places;  // what that key then presses
};

// Each NAME, each KEY word, letter case, spaces and comments; what the key presses is read
// from the keyboard matrix, so that a word naming the wrong key cannot pass.
const Line kGoodLines[] = {
    {"esc = space", SDLK_ESCAPE, {kSpace}},
    {"f4 = enter", SDLK_F4, {kEnter}},
    {"f5 = caps-shift", SDLK_F5, {kCaps}},
    {"f6 = symbol-shift", SDLK_F6, {kSym}},
    {"f7 = joy-right", SDLK_F7, {{8, 0}}},
    {"f8 = joy-left", SDLK_F8, {{8, 1}}},
    {"right = joy-down", SDLK_RIGHT, {{8, 2}}},
    {"left = joy-up", SDLK_LEFT, {{8, 3}}},
    {"down = joy-fire", SDLK_DOWN, {{8, 4}}},
    {"up = true-video", SDLK_UP, {kCaps, {3, 2}}},
    {"select = inv-video", SDLK_RETURN, {kCaps, {3, 3}}},
    {"up = none", SDLK_UP, {}},
    {"up = delete", SDLK_UP, {kCaps, {4, 0}}},
    {"up = graph", SDLK_UP, {kCaps, {4, 1}}},
    {"up = extend-mode", SDLK_UP, {kCaps, kSym}},
    {"up = edit", SDLK_UP, {kCaps, {3, 0}}},
    {"up = caps-lock", SDLK_UP, {kCaps, {3, 1}}},
    {"up = break", SDLK_UP, {kCaps, kSpace}},
    {"up = cursor-left", SDLK_UP, {kCaps, {3, 4}}},
    {"up = cursor-right", SDLK_UP, {kCaps, {4, 2}}},
    {"up = cursor-up", SDLK_UP, {kCaps, {4, 3}}},
    {"up = cursor-down", SDLK_UP, {kCaps, {4, 4}}},
    // A character is the key, or the keys, that type it.
    {"up = p", SDLK_UP, {{5, 0}}},
    {"up = 0", SDLK_UP, {{4, 0}}},
    {"up = .", SDLK_UP, {kSym, {7, 2}}},
    {"up = =", SDLK_UP, {kSym, {6, 1}}},
    // Letter case: names and words alike; a capital is its key, not CAPS SHIFT with it.
    {"UP = Q", SDLK_UP, {{2, 0}}},
    {"Select = Caps-Shift", SDLK_RETURN, {kCaps}},
    // Spaces, tabs, comments, a line end of two bytes, the mark some editors put first.
    {"up=q", SDLK_UP, {{2, 0}}},
    {"   up   =   q   ", SDLK_UP, {{2, 0}}},
    {"\tup\t=\tq\t", SDLK_UP, {{2, 0}}},
    {"up = q# \xC3\xBC in a comment", SDLK_UP, {{2, 0}}},
    {"up = q\r", SDLK_UP, {{2, 0}}},
    {"\xEF\xBB\xBFup = q", SDLK_UP, {{2, 0}}},
    {"   \t ", 0, {}},
    {"   # up = w", 0, {}},
};

// What a map's key gives, pressed into a fresh matrix.
Places places_of(int code) {
    static Machine m;
    for (uint8_t &row : m.keyrows) row = 0xFF;
    m.joystick = 0x1F;
    key_press(unsigned(code), &m);
    Places down;
    for (int row = 0; row < 9; row++)
        for (int bit = 0; bit < 5; bit++)
            if (!(((row < 8 ? m.keyrows[row] : m.joystick) >> bit) & 1)) down.insert({row, bit});
    return down;
}

TEST(KeysFile, EveryNameAndKeyInAnyCaseWithSpacesAndComments) {
    for (const Line &l : kGoodLines) {
        SCOPED_TRACE(l.text);
        KeyMap map = kMarkedMap;
        Parsed got = parse(l.text, &map);
        EXPECT_EQ(got.problems.count, 0) << got.log;
        EXPECT_EQ(got.log, "");
        for (int i = 0; i < kHardwareKeys; i++) {
            if (l.symbol && i == hwkey_index(l.symbol)) {
                EXPECT_EQ(places_of(map.keys[i]), l.places) << "code " << int(map.keys[i]);
            } else {
                EXPECT_EQ(map.keys[i], kMarkedMap.keys[i]) << "hardware key " << i;
            }
        }
    }
}

// Each kind of bad line is skipped and told, with the file and the line; the lines around
// it apply all the same.
TEST(KeysFile, BadLinesAreToldAndTheRestApplies) {
    const std::string long_line = "up = w" + std::string(kKeysLineLimit - 6 + 1, ' ');
    const std::string longest = "up = w" + std::string(kKeysLineLimit - 6, ' ');
    struct Case {
        std::string line;
        std::string problem;  // "" for none
    } cases[] = {
        {"up w", "no '=' (NAME = KEY)"},
        {"= w", "unknown name ''"},
        {"f9 = w", "unknown name 'f9'"},
        {"up =", "unknown key ''"},
        {"up = [", "unknown key '['"},
        {"up = caps shift", "unknown key 'caps shift'"},
        {"up = \xC3\xBC", "unknown key '\?\?'"},
        {"up = w\x01", "not text"},
        {std::string("up = w\0", 7), "not text"},
        {"\x7F\x80\x81\x82", "not text"},
        {long_line, "longer than 200 bytes"},
        {longest, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line.substr(0, 20));
        KeyMap map = kMarkedMap;
        std::string text = "esc = q\n\n" + c.line + "\nselect = space\n";
        Parsed got = parse(text, &map, "mygame.keys");
        bool bad = !c.problem.empty();
        EXPECT_EQ(got.problems.count, bad ? 1 : 0);
        std::string told = bad ? "mygame.keys line 3: " + c.problem : "";
        EXPECT_EQ(got.problems.count ? got.problems.first : "", told);
        EXPECT_EQ(got.log, bad ? told + "\n" : "");
        EXPECT_EQ(map.keys[hwkey_index(SDLK_ESCAPE)], 'q');
        EXPECT_EQ(map.keys[hwkey_index(SDLK_RETURN)], ' ');
        EXPECT_EQ(map.keys[hwkey_index(SDLK_UP)], bad ? kMarkedMap.keys[9] : 'w');
    }
}

TEST(KeysFile, EveryProblemToldTheFirstKeptLaterLinesWin) {
    KeyMap map = kMarkedMap;
    Parsed got = parse("up = a\nbad\nup = b\r\nx = y\nup = c\n", &map, "g.keys");
    EXPECT_EQ(map.keys[hwkey_index(SDLK_UP)], 'c');
    EXPECT_EQ(got.problems.count, 2);
    EXPECT_STREQ(got.problems.first, "g.keys line 2: no '=' (NAME = KEY)");
    EXPECT_EQ(got.log, "g.keys line 2: no '=' (NAME = KEY)\ng.keys line 4: unknown name 'x'\n");
}

// What the program writes it reads back the same: every built-in profile, and a map of every
// key of the drawn keyboard, which the gesture can give.
TEST(KeysFile, WrittenMapsReadBackTheSame) {
    std::vector<KeyMap> maps;
    for (const KeyProfile *p = kKeyProfiles; p->name[0]; p++) maps.push_back(p->map);
    KeyMap all = {};
    int n = 0;
    for (int row = 0; row < kKeyRows; row++)
        for (int slot = 0; slot < kKeySlots; slot++) {
            all.keys[n++ % kHardwareKeys] = keychars[row][slot];
            if (n % kHardwareKeys == 0) maps.push_back(all);
        }
    maps.push_back(all);
    for (const KeyMap &want : maps) {
        char text[1024];
        size_t size = keys_format(&want, text, sizeof text);
        ASSERT_LT(size, sizeof text - 1);
        SCOPED_TRACE(std::string(text, size));
        KeyMap back = kMarkedMap;
        Parsed got = parse(std::string(text, size), &back);
        EXPECT_EQ(got.problems.count, 0) << got.log;
        for (int i = 0; i < kHardwareKeys; i++)
            EXPECT_EQ(places_of(back.keys[i]), places_of(want.keys[i])) << i;
    }
}

}  // namespace
