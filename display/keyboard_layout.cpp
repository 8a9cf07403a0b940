#include "display/keyboard_layout.h"

#include "input/key_matrix.h"

const int32_t keyedges[kKeyRows][kKeySlots] = {
    {20, 41, 62, 83, 104, 125, 146, 167, 188, 209, 230, 251, 281},
    {31, 52, 73, 94, 115, 136, 157, 178, 199, 220, 241, 261, 281},
    {31, 57, 78, 99, 120, 141, 162, 183, 204, 225, 246, 281, 281},
    {47, 68, 89, 110, 131, 152, 173, 194, 215, 236, 281, 281, 281},
    {21, 42, 63, 84, 105, 199, 220, 240, 259, 281, 281, 281, 281},
};

namespace {

constexpr uint8_t kEnt = kKeyEnter, kCaps = kKeyCapsShift, kSym = kKeySymbolShift;
constexpr uint8_t kLeft = kKeyCursorLeft, kRight = kKeyCursorRight, kUp = kKeyCursorUp,
                  kDown = kKeyCursorDown;

}  // namespace

// 16 TRUE VIDEO, 17 INV. VIDEO, 25 BREAK, 18 DELETE, 19 GRAPH, 9 EXTEND MODE, 21 EDIT,
// 23 CAPS LOCK.
const uint8_t keychars[kKeyRows][kKeySlots] = {
    {16, 17, '1', '2', '3', '4', '5', '6', '7', '8', '9', '0', 25},
    {18, 19, 'q', 'w', 'e', 'r', 't', 'y', 'u', 'i', 'o', 'p', kEnt},
    {9, 21, 'a', 's', 'd', 'f', 'g', 'h', 'j', 'k', 'l', kEnt, kEnt},
    {kCaps, 23, 'z', 'x', 'c', 'v', 'b', 'n', 'm', '.', kCaps, kEnt, kEnt},
    {kSym, ';', '"', kLeft, kRight, ' ', kUp, kDown, ',', kSym, kEnt, kEnt, kEnt},
};

const KeyLabel keylabels[kKeyLabels + 1] = {
    {"TRUE", 3, 5, kLabelFunction},
    {"VIDEO", 2, 11, kLabelFunction},
    {"INV", 26, 5, kLabelFunction},
    {"VIDEO", 23, 11, kLabelFunction},
    {"DELETE", 6, 29, kLabelFunction},
    {"GRAPH", 32, 29, kLabelFunction},
    {"EXTEND", 6, 47, kLabelFunction},
    {"MODE", 9, 53, kLabelFunction},
    {"EDIT", 39, 50, kLabelFunction},
    {"CAPS SHIFT", 6, 71, kLabelFunction},
    {"CAPS", 51, 67, kLabelFunction},
    {"LOCK", 51, 73, kLabelFunction},
    {"SYMBL", 1, 87, kLabelFunction},
    {"SHIFT", 2, 93, kLabelFunction},
    {"BREAK", 257, 8, kLabelFunction},
    {"ENTER", 254, 50, kLabelFunction},
    {"CAPS SHIFT", 241, 71, kLabelFunction},
    {"SYMBL", 260, 87, kLabelFunction},
    {"SHIFT", 261, 93, kLabelFunction},
    {"\x80\x81", 88, 89, kLabelFunction},  // cursor right
    {"\x82\x83", 88, 94, kLabelFunction},
    {"\x85\x84", 65, 89, kLabelFunction},  // cursor left
    {"\x87\x86", 65, 94, kLabelFunction},
    {"\x88\x89", 206, 89, kLabelFunction},  // cursor up
    {"\x8A\x8B", 206, 94, kLabelFunction},
    {"\x8E\x8F", 227, 94, kLabelFunction},  // cursor down
    {"\x8C\x8D", 227, 89, kLabelFunction},
    {"\x90", 225, 73, kLabelFunction},  // '.'
    {"\x91", 251, 93, kLabelFunction},  // ','
    {"\x90", 31, 90, kLabelFunction},   // ';'
    {"\x91", 31, 94, kLabelFunction},
    {"\x92", 52, 89, kLabelFunction},  // '"'
    {"!", 60, 2, kLabelSymbol},
    {"@", 78, 2, kLabelSymbol},
    {"#", 99, 2, kLabelSymbol},
    {"$", 121, 2, kLabelSymbol},
    {"%", 140, 2, kLabelSymbol},
    {"&", 162, 2, kLabelSymbol},
    {"'", 186, 2, kLabelSymbol},
    {"(", 206, 2, kLabelSymbol},
    {")", 227, 2, kLabelSymbol},
    {"_", 248, 2, kLabelSymbol},
    {"<=", 66, 22, kLabelSymbol},
    {"<>", 86, 22, kLabelSymbol},
    {">=", 108, 22, kLabelSymbol},
    {"<", 132, 22, kLabelSymbol},
    {">", 153, 22, kLabelSymbol},
    {"AND", 167, 22, kLabelSymbol},
    {"OR", 191, 22, kLabelSymbol},
    {"AT", 211, 22, kLabelSymbol},
    {"^", 179, 43, kLabelSymbol},
    {"-", 201, 43, kLabelSymbol},
    {"+", 221, 43, kLabelSymbol},
    {"=", 243, 43, kLabelSymbol},
    {":", 87, 64, kLabelSymbol},
    {"~", 105, 64, kLabelSymbol},  // the panel font has no glyph for it
    {"?", 127, 64, kLabelSymbol},
    {"/", 148, 64, kLabelSymbol},
    {"*", 167, 64, kLabelSymbol},
    {"ST", 71, 43, kLabelSymbol},
    {"OP", 71, 49, kLabelSymbol},
    {"NO", 92, 43, kLabelSymbol},
    {"T", 94, 49, kLabelSymbol},
    {"ST", 113, 43, kLabelSymbol},
    {"EP", 113, 49, kLabelSymbol},
    {"TO", 134, 43, kLabelSymbol},
    {"TH", 155, 43, kLabelSymbol},
    {"EN", 155, 49, kLabelSymbol},
    {"", -1, -1, -1},
};

int keyboard_hit(int x, int y) {
    if (x < 0 || x >= kKeyboardWidth || y < 0 || y >= kKeyboardHeight) return kHitOutside;
    if ((y + 1) % kKeyRowPitch == 0) return kHitSeparator;
    int row = y / kKeyRowPitch;
    int i = 0;
    while (keyedges[row][i] < x) i++;  // every row ends in kKeyRowEnd, beyond any x here
    if (keyedges[row][i] == x) return kHitKeyLine;
    return keychars[row][i];
}
