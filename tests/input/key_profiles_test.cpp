#include "input/key_profiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "input/key_matrix.h"
#include "input/options.h"

namespace {

// The profile maps as the device's users know them, in hardware-key order
// ESC F4 F5 F6 F8 F7 RIGHT LEFT DOWN UP RETURN.
struct Profile {
    const char *name;
    KeyMap map;
};
constexpr uint8_t kCaps = kKeyCapsShift, kSym = kKeySymbolShift, kEnter = kKeyEnter;
constexpr uint8_t kRight = kKeyJoyRight, kLeft = kKeyJoyLeft, kDown = kKeyJoyDown, kUp = kKeyJoyUp,
                  kFire = kKeyJoyFire;
const Profile kExpected[] = {
    {"default", {{0, 0, kCaps, 0, 0, kSym, kRight, kLeft, kDown, kUp, kFire}}},
    {"pinball", {{kEnter, '0', '0', '0', 'q', 'p', 'p', 'q', 'q', 'p', '0'}}},
    {"aticatac", {{'0', '2', kFire, 'z', '2', '0', kRight, kLeft, kDown, kUp, kFire}}},
    {"hskiing", {{'0', 0, 0, 0, 0, 0, '7', '6', '8', '9', '0'}}},
    {"krakout", {{'0', 0, ' ', 'p', 'l', '0', 'l', 'p', 'l', 'p', ' '}}},
    {"maziacs", {{'b', 'j', 'd', kFire, 'b', 'j', kRight, kLeft, kDown, kUp, kFire}}},
};
constexpr KeyMap kUntouched = {{99, 98, 97, 96, 95, 94, 93, 92, 91, 90, 89}};

const KeyMap &map_of(const char *name) {
    for (const Profile &p : kExpected)
        if (std::strcmp(p.name, name) == 0) return p.map;
    return kUntouched;
}

std::string show(const KeyMap &m) {
    std::string s;
    for (uint8_t k : m.keys) s += std::to_string(k) + " ";
    return s;
}

TEST(KeyProfiles, TableHoldsTheProfilesInSearchOrder) {
    int n = 0;
    for (const KeyProfile *p = kKeyProfiles; p->name[0]; p++, n++) {
        ASSERT_LT(n, 6);
        EXPECT_STREQ(p->name, kExpected[n].name);
        EXPECT_EQ(show(p->map), show(kExpected[n].map)) << p->name;
        EXPECT_EQ(p->zero, 0);
        for (size_t i = std::strlen(p->name); i < sizeof p->name; i++) EXPECT_EQ(p->name[i], 0);
    }
    EXPECT_EQ(n, 6);
}

TEST(KeyProfiles, ChosenByCaseSensitivePrefixesOfTheBaseName) {
    struct Case {
        const char *base;
        const char *profile;  // "": none
    } cases[] = {
        {"aticatac.z80", "aticatac"},
        {"aticatac2.sna", "aticatac"},
        {"aticatac", "aticatac"},
        {"ATICATAC.Z80", ""},
        {"Aticatac.z80", ""},
        {"aticata.z80", ""},
        {"manic.z80", ""},
        {"default.sna", "default"},
        {"pinball.z80", "pinball"},
        {"hskiing.sna", "hskiing"},
        {"krakout!.z80", "krakout"},
        {"maziacs.z80", "maziacs"},
        {"", ""},
        {"xpinball.z80", ""},
        {"defaul", ""},
        {"/games/pinball.z80", ""},
    };
    for (const Case &c : cases) {
        const KeyProfile *p = profile_for(c.base);
        EXPECT_STREQ(p ? p->name : "", c.profile) << c.base;
        EXPECT_EQ(show(p ? p->map : kUntouched), show(map_of(c.profile))) << c.base;
    }
}

TEST(KeyProfiles, DefaultsStartOnTheDefaultProfile) {
    Options o;
    std::memset(&o, 0x55, sizeof o);
    options_defaults(&o);
    EXPECT_EQ(o.sound, 1);
    EXPECT_EQ(o.faststart, 0);
    EXPECT_EQ(o.stickyshift, 1);
    EXPECT_EQ(show(o.keymap), show(map_of("default")));
}

TEST(KeyProfiles, HardwareKeyIndexes) {
    struct Case {
        int symbol;
        int index;
    } cases[] = {
        {27, 0},   {285, 1},  {286, 2}, {287, 3}, {289, 4}, {288, 5}, {275, 6},  {276, 7},
        {274, 8},  {273, 9},  {13, 10}, {32, -1}, {0, -1},  {-1, -1}, {284, -1}, {290, -1},
        {272, -1}, {277, -1}, {12, -1}, {14, -1}, {26, -1}, {28, -1}, {'a', -1}, {1000, -1},
    };
    for (const Case &c : cases) EXPECT_EQ(hwkey_index(c.symbol), c.index) << c.symbol;
}

}  // namespace
