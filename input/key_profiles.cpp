#include "input/key_profiles.h"

#include <cstring>

#include "input/key_matrix.h"

namespace {

constexpr uint8_t kCaps = kKeyCapsShift, kSym = kKeySymbolShift, kEnter = kKeyEnter;
constexpr uint8_t kRight = kKeyJoyRight, kLeft = kKeyJoyLeft, kDown = kKeyJoyDown, kUp = kKeyJoyUp,
                  kFire = kKeyJoyFire;

}  // namespace

// Hardware key order: ESC, F4, F5, F6, F8, F7, RIGHT, LEFT, DOWN, UP, RETURN.
const KeyProfile kKeyProfiles[] = {
    {"default", {{0, 0, kCaps, 0, 0, kSym, kRight, kLeft, kDown, kUp, kFire}}, 0},
    {"pinball", {{kEnter, '0', '0', '0', 'q', 'p', 'p', 'q', 'q', 'p', '0'}}, 0},
    {"aticatac", {{'0', '2', kFire, 'z', '2', '0', kRight, kLeft, kDown, kUp, kFire}}, 0},
    {"hskiing", {{'0', 0, 0, 0, 0, 0, '7', '6', '8', '9', '0'}}, 0},
    {"krakout", {{'0', 0, ' ', 'p', 'l', '0', 'l', 'p', 'l', 'p', ' '}}, 0},
    {"maziacs", {{'b', 'j', 'd', kFire, 'b', 'j', kRight, kLeft, kDown, kUp, kFire}}, 0},
    {"", {{0}}, 0},
};

static_assert(sizeof(KeyProfile) == 28);

int hwkey_index(int symbol) {
    switch (symbol) {
        case 27: return 0;   // SDLK_ESCAPE
        case 285: return 1;  // SDLK_F4
        case 286: return 2;  // SDLK_F5
        case 287: return 3;  // SDLK_F6
        case 289: return 4;  // SDLK_F8 sits before F7 on the device
        case 288: return 5;  // SDLK_F7
        case 275: return 6;  // SDLK_RIGHT
        case 276: return 7;  // SDLK_LEFT
        case 274: return 8;  // SDLK_DOWN
        case 273: return 9;  // SDLK_UP
        case 13: return 10;  // SDLK_RETURN
        default: return -1;
    }
}

const KeyProfile *profile_for(const char *base) {
    if (!base) return nullptr;
    for (const KeyProfile *p = kKeyProfiles; p->name[0]; p++)
        if (std::strncmp(base, p->name, std::strlen(p->name)) == 0) return p;
    return nullptr;
}
