#include "input/key_matrix.h"

namespace {

// Matrix positions: half-row * 16 + bit.
constexpr int32_t kNone = -1;
constexpr int32_t kCaps = 0x00, kZ = 0x01, kX = 0x02, kC = 0x03, kV = 0x04;
constexpr int32_t kA = 0x10, kS = 0x11, kD = 0x12, kF = 0x13, kG = 0x14;
constexpr int32_t kQ = 0x20, kW = 0x21, kE = 0x22, kR = 0x23, kT = 0x24;
constexpr int32_t k1 = 0x30, k2 = 0x31, k3 = 0x32, k4 = 0x33, k5 = 0x34;
constexpr int32_t k0 = 0x40, k9 = 0x41, k8 = 0x42, k7 = 0x43, k6 = 0x44;
constexpr int32_t kP = 0x50, kO = 0x51, kI = 0x52, kU = 0x53, kY = 0x54;
constexpr int32_t kEnter = 0x60, kL = 0x61, kK = 0x62, kJ = 0x63, kH = 0x64;
constexpr int32_t kSpace = 0x70, kSym = 0x71, kM = 0x72, kN = 0x73, kB = 0x74;
constexpr int32_t kJoyRight = 0x80, kJoyLeft = 0x81, kJoyDown = 0x82, kJoyUp = 0x83,
                  kJoyFire = 0x84;

constexpr SpecKeyEntry key(uint8_t code, int32_t first, int32_t second) {
    return SpecKeyEntry{code, {0, 0, 0}, first, second};
}
constexpr SpecKeyEntry kEmpty = key(0, kNone, kNone);

// The half-row byte a matrix position lives in; row 8 is the joystick.
uint8_t *input_byte(Machine *m, int32_t matrix) {
    int row = matrix >> 4;
    return row < 8 ? &m->keyrows[row] : &m->joystick;
}

}  // namespace

const SpecKeyEntry SpecKeyTable[kKeyCodes] = {
    key(0, kNone, kNone),                 // no key
    key(kKeyJoyRight, kJoyRight, kNone),  // Kempston right
    key(kKeyJoyLeft, kJoyLeft, kNone),    // Kempston left
    key(kKeyJoyDown, kJoyDown, kNone),    // Kempston down
    key(kKeyJoyUp, kJoyUp, kNone),        // Kempston up
    key(kKeyJoyFire, kJoyFire, kNone),    // Kempston fire
    kEmpty,                               // 6
    kEmpty,                               // 7
    key(8, kCaps, k0),                    // DELETE
    key(9, kCaps, kSym),                  // EXTEND MODE
    key(kKeyEnter, kEnter, kNone),        // ENTER
    kEmpty,                               // 11
    kEmpty,                               // 12
    key(13, kEnter, kNone),               // ENTER
    kEmpty,                               // 14
    kEmpty,                               // 15
    key(16, k3, kCaps),                   // TRUE VIDEO
    key(17, k4, kCaps),                   // INV. VIDEO
    key(18, k0, kCaps),                   // DELETE
    key(19, k9, kCaps),                   // GRAPHICS
    kEmpty,                               // 20
    key(21, k1, kCaps),                   // EDIT
    key(kKeyCapsShift, kCaps, kNone),     // CAPS SHIFT
    key(23, k2, kCaps),                   // CAPS LOCK
    key(kKeySymbolShift, kSym, kNone),    // SYMBOL SHIFT
    key(25, kSpace, kCaps),               // BREAK
    key(kKeyCursorLeft, k5, kCaps),       // cursor left
    key(kKeyCursorRight, k8, kCaps),      // cursor right
    key(kKeyCursorUp, k7, kCaps),         // cursor up
    key(kKeyCursorDown, k6, kCaps),       // cursor down
    kEmpty,                               // 30
    kEmpty,                               // 31
    key(' ', kSpace, kNone),
    key('!', kSym, k1),
    key('"', kSym, kP),
    key('#', kSym, k3),
    key('$', kSym, k4),
    key('%', kSym, k5),
    key('&', kSym, k6),
    key('\'', kSym, k7),
    key('(', kSym, k8),
    key(')', kSym, k9),
    key('*', kSym, kB),
    key('+', kSym, kK),
    key(',', kSym, kN),
    key('-', kSym, kJ),
    key('.', kSym, kM),
    key('/', kSym, kV),
    key('0', k0, kNone),
    key('1', k1, kNone),
    key('2', k2, kNone),
    key('3', k3, kNone),
    key('4', k4, kNone),
    key('5', k5, kNone),
    key('6', k6, kNone),
    key('7', k7, kNone),
    key('8', k8, kNone),
    key('9', k9, kNone),
    key(':', kSym, kZ),
    key(';', kSym, kO),
    key('<', kSym, kR),
    key('=', kSym, kL),
    key('>', kSym, kT),
    key('?', kSym, kC),
    key('@', kSym, k2),
    key('A', kA, kCaps),
    key('B', kB, kCaps),
    key('C', kC, kCaps),
    key('D', kD, kCaps),
    key('E', kE, kCaps),
    key('F', kF, kCaps),
    key('G', kG, kCaps),
    key('H', kH, kCaps),
    key('I', kI, kCaps),
    key('J', kJ, kCaps),
    key('K', kK, kCaps),
    key('L', kL, kCaps),
    key('M', kM, kCaps),
    key('N', kN, kCaps),
    key('O', kO, kCaps),
    key('P', kP, kCaps),
    key('Q', kQ, kCaps),
    key('R', kR, kCaps),
    key('S', kS, kCaps),
    key('T', kT, kCaps),
    key('U', kU, kCaps),
    key('V', kV, kCaps),
    key('W', kW, kCaps),
    key('X', kX, kCaps),
    key('Y', kY, kCaps),
    key('Z', kZ, kCaps),
    key('[', kNone, kNone),  // no Spectrum key types it
    key('\\', kNone, kNone),
    key(']', kNone, kNone),
    key('^', kSym, kH),
    key('_', kSym, k0),
    key('`', kSym, kX),
    key('a', kA, kNone),
    key('b', kB, kNone),
    key('c', kC, kNone),
    key('d', kD, kNone),
    key('e', kE, kNone),
    key('f', kF, kNone),
    key('g', kG, kNone),
    key('h', kH, kNone),
    key('i', kI, kNone),
    key('j', kJ, kNone),
    key('k', kK, kNone),
    key('l', kL, kNone),
    key('m', kM, kNone),
    key('n', kN, kNone),
    key('o', kO, kNone),
    key('p', kP, kNone),
    key('q', kQ, kNone),
    key('r', kR, kNone),
    key('s', kS, kNone),
    key('t', kT, kNone),
    key('u', kU, kNone),
    key('v', kV, kNone),
    key('w', kW, kNone),
    key('x', kX, kNone),
    key('y', kY, kNone),
    key('z', kZ, kNone),
    key('{', kNone, kNone),
    key('|', kNone, kNone),
    key('}', kNone, kNone),
    key('~', kSym, kI),
};

static_assert(sizeof(SpecKeyEntry) == 12);

void key_press(unsigned code, Machine *m) {
    if (code >= unsigned(kKeyCodes) || SpecKeyTable[code].code != code) return;
    const SpecKeyEntry &e = SpecKeyTable[code];
    if (e.first != kNone) *input_byte(m, e.first) &= uint8_t(~(1u << (e.first & 15)));
    if (e.second != kNone) *input_byte(m, e.second) &= uint8_t(~(1u << (e.second & 15)));
}

void key_release(unsigned code, Machine *m) {
    if (code >= unsigned(kKeyCodes) || SpecKeyTable[code].code != code) return;
    const SpecKeyEntry &e = SpecKeyTable[code];
    if (e.first != kNone) *input_byte(m, e.first) |= uint8_t(1u << (e.first & 15));
    if (e.second != kNone) *input_byte(m, e.second) |= uint8_t(1u << (e.second & 15));
}
