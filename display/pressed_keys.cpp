#include "display/pressed_keys.h"

#include <cstring>

#include "display/keyboard_layout.h"
#include "display/screen_render.h"
#include "input/key_matrix.h"

namespace {

constexpr int kRightFrame = kKeyboardWidth - 1;  // the frame's line at the right
constexpr int kBottomFrame = kKeyboardHeight - 1;

// The eight keyboard rows as one word, their bits set for the places down: one load, so
// that a frame without a change costs a compare.
uint64_t places_down(const Machine *m) {
    uint64_t rows;
    std::memcpy(&rows, m->keyrows, sizeof rows);
    return ~rows;
}

bool place_down(uint64_t down, int32_t place) {
    uint8_t rows[8];
    std::memcpy(rows, &down, sizeof rows);
    return (rows[place >> 4] >> (place & 15)) & 1;
}

// Whether every matrix place of key code is down.
bool key_down(uint64_t down, int code) {
    const SpecKeyEntry &e = SpecKeyTable[code];
    if (e.first < 0 || e.first >= 0x80) return false;  // no place, or the joystick
    return place_down(down, e.first) && (e.second < 0 || place_down(down, e.second));
}

// The last key of row r (the slots after it repeat ENTER beyond the frame).
int last_slot(int r) {
    int i = 0;
    while (keyedges[r][i] < kRightFrame) i++;
    return i;
}

// Inverts the inside of key slot i of row r, between its lines, into rect (screen pixels).
// ENTER spans two rows: its upper part takes in the line under it, which the grid erases.
void invert_key(Machine *m, int r, int i, SDL_Rect *rect) {
    int left = i == 0 ? 0 : keyedges[r][i - 1];
    int right = keyedges[r][i] < kRightFrame ? keyedges[r][i] : kRightFrame;
    int top = r == 0 ? 1 : kKeyRowPitch * r;
    int bottom = kKeyRowPitch * r + kKeyRowPitch - 2;
    if (bottom >= kBottomFrame) bottom = kBottomFrame - 1;
    if (keychars[r][i] == kKeyEnter && r + 1 < kKeyRows &&
        keychars[r + 1][last_slot(r + 1)] == kKeyEnter)
        bottom++;
    for (int y = top; y <= bottom; y++) {
        uint16_t *row = m->pixels + kScreenWidth * (kKeyboardY + y) + kKeyboardX;
        for (int x = left + 1; x < right; x++) row[x] = uint16_t(~row[x]);
    }
    rect->x = Sint16(kKeyboardX + left + 1);
    rect->y = Sint16(kKeyboardY + top);
    rect->w = Uint16(right - left - 1);
    rect->h = Uint16(bottom - top + 1);
}

}  // namespace

namespace {

// The keys whose state differs between the words was and now, inverted. Out of line, so
// that a frame without a change pays for the compare alone, not for this one's registers.
[[gnu::noinline]] int draw_changes(Machine *m, uint64_t was, uint64_t now, SDL_Rect *rects) {
    int count = 0;
    for (int r = 0; r < kKeyRows; r++) {
        int last = last_slot(r);
        for (int i = 0; i <= last; i++) {
            int code = keychars[r][i];
            if (key_down(was, code) != key_down(now, code)) invert_key(m, r, i, &rects[count++]);
        }
    }
    return count;
}

}  // namespace

int draw_pressed_keys(Machine *m, PressedKeys *shown, SDL_Rect *rects) {
    uint64_t now = places_down(m);
    if (now == shown->down) return 0;
    uint64_t was = shown->down;
    shown->down = now;
    return draw_changes(m, was, now, rects);
}
