#include "tape/autostart.h"

#include <algorithm>
#include <iterator>

#include "input/key_matrix.h"

namespace {

constexpr uint8_t kNewKey = 0x20;
constexpr uint8_t kSetFree = 0x80;  // bit 7 of a set's key byte: no key held there

// The ROM's K-mode decoding: ADD A,0xA5; RET, turning the letter codes 'A'-'Z' into the
// keyword tokens 0xE6-0xFF ('J' + 0xA5 = 0xEF, LOAD).
constexpr uint8_t kKeywordDecode[] = {0xC6, 0xA5, 0xC9};

constexpr uint8_t kLettersCommand[] = {'l', 'o', 'a', 'd', '"', '"', kKeyEnter};
constexpr uint8_t kKeywordCommand[] = {'j', '"', '"', kKeyEnter};

// A ROM that never shows an empty edit line, or never takes a key, is given 30 s; the
// default ROM is ready after 15 frames, a ROM that tests its RAM first after a few seconds.
constexpr int kGiveUpFrames = 1500;

// kDone first: a zero-filled Autostart (one never begun) types nothing.
enum Phase { kDone, kWaitEditor, kWaitRegistered, kWaitIdle };

uint8_t peek(const Machine *m, uint16_t a) { return memory_read(m->rom, a); }
uint16_t peek16(const Machine *m, uint16_t a) { return memory_read16(m->rom, a); }

// No key in either set of the ROM's keyboard state and the last new key taken by the editor:
// the next press is seen as a new key (the same key twice needs the set freed in between).
bool keyboard_idle(const Machine *m) {
    return (peek(m, kSysKstate) & kSetFree) && (peek(m, kSysKstateSecond) & kSetFree) &&
           !(peek(m, kSysFlags) & kNewKey);
}

// The ROM's interrupt has run since the previous step, so keys are being scanned.
bool interrupt_running(Autostart *a, const Machine *m) {
    uint8_t now = peek(m, kSysFrames);
    bool moved = now != a->frames_seen;
    a->frames_seen = now;
    return moved;
}

// The editor has an empty line with the cursor at its start; power-on cleared the RAM, so
// none of this holds before the ROM has set up its editor.
bool editor_waiting(const Machine *m) {
    uint16_t line = peek16(m, kSysEline);
    return line >= kRomSize && peek16(m, kSysKcur) == line && peek(m, line) == kLineEnd &&
           peek(m, uint16_t(line + 1)) == kAreaEnd;
}

}  // namespace

bool rom_has_keyword_entry(const uint8_t *rom) {
    const uint8_t *end = rom + kRomSize;
    return std::search(rom, end, std::begin(kKeywordDecode), std::end(kKeywordDecode)) != end;
}

void autostart_begin(Autostart *a, const Machine *m) {
    bool keyword = rom_has_keyword_entry(m->rom);
    a->keys = keyword ? kKeywordCommand : kLettersCommand;
    a->count = keyword ? int(sizeof kKeywordCommand) : int(sizeof kLettersCommand);
    a->next = 0;
    a->phase = kWaitEditor;
    a->frames = 0;
    a->frames_seen = peek(m, kSysFrames);
}

bool autostart_step(Autostart *a, Machine *m) {
    if (a->phase == kDone) return true;
    bool alive = interrupt_running(a, m);
    if (++a->frames > kGiveUpFrames) {
        autostart_cancel(a, m);
        return true;
    }
    switch (a->phase) {
        case kWaitEditor:
            if (!alive || !editor_waiting(m) || !keyboard_idle(m)) break;
            key_press(a->keys[a->next], m);
            a->phase = kWaitRegistered;
            break;
        case kWaitRegistered:
            // Held until the ROM's scan has put it in a key set; then let go.
            if (keyboard_idle(m)) break;
            key_release(a->keys[a->next], m);
            // ENTER starts the loader, which runs with interrupts off: nothing to wait for.
            if (++a->next == a->count) {
                a->phase = kDone;
                return true;
            }
            a->phase = kWaitIdle;
            break;
        case kWaitIdle:
            if (!keyboard_idle(m)) break;
            key_press(a->keys[a->next], m);
            a->phase = kWaitRegistered;
            break;
    }
    return false;
}

void autostart_cancel(Autostart *a, Machine *m) {
    if (a->phase == kWaitRegistered) key_release(a->keys[a->next], m);
    a->phase = kDone;
}

void autostart_put_back(Autostart *a, const Autostart *taken, Machine *m) {
    if (a->phase == kWaitRegistered) key_release(a->keys[a->next], m);
    *a = *taken;
    if (a->phase == kWaitRegistered) key_press(a->keys[a->next], m);
}
