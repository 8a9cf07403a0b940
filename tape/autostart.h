// Types the ROM's tape-load command through the key matrix after a power-on, once the ROM's
// editor waits for keys: LOAD "" ENTER letter by letter (L O A D, SYMBOL SHIFT+P twice, ENTER)
// on ROMs that take keywords letter by letter, J SYMBOL SHIFT+P twice ENTER on ROMs with
// keyword entry (K mode), decided from the ROM's content.
//
// Everything is read from the ROM's system variables, not counted in frames: the editor waits
// once it has an empty line with the cursor at its start (E_LINE, K_CUR) and its interrupt
// counts FRAMES; a key stays down until the ROM's keyboard scan holds it in a KSTATE set, and
// the next goes down once both sets are free again (the scan frees a set five interrupts
// after its key is let go, so the same key twice is two keys) and the editor has taken the
// last key (FLAGS bit 5 clear).
#pragma once

#include <cstdint>

#include "machine/machine.h"

// The ROM's system variables it reads (the 48K layout, which the ROMs this runs on keep).
constexpr uint16_t kSysKstate = 0x5C00;  // two 4-byte key sets; first byte 0xFF: set free
constexpr uint16_t kSysKstateSecond = 0x5C04;
constexpr uint16_t kSysFlags = 0x5C3B;   // bit 5: a new key waits in LAST_K
constexpr uint16_t kSysEline = 0x5C59;   // address of the line being edited
constexpr uint16_t kSysKcur = 0x5C5B;    // address of the editor's cursor
constexpr uint16_t kSysFrames = 0x5C78;  // counted by the ROM's interrupt, which scans the keys
// An edit line ends in ENTER then the end marker of the editing area.
constexpr uint8_t kLineEnd = 0x0D;
constexpr uint8_t kAreaEnd = 0x80;

struct Autostart {
    const uint8_t *keys;  // key codes of the command, ENTER last
    int count;
    int next;             // index in keys of the key pressed or to press
    int phase;            // what the next step waits for
    int frames;           // steps since autostart_begin: the give-up clock
    uint8_t frames_seen;  // low byte of the ROM's frame counter at the previous step
};

// True when the ROM's keyboard decoding turns a letter typed in K mode into a keyword token.
bool rom_has_keyword_entry(const uint8_t *rom);

// Starts over: the command for the ROM in m, nothing pressed yet. A zero-filled Autostart
// has nothing to type: autostart_step returns true and autostart_cancel does nothing.
void autostart_begin(Autostart *a, const Machine *m);

// Before each frame run: presses or releases the next key when the ROM is ready for it.
// Returns true once the whole command has been typed, or when the ROM never got ready.
bool autostart_step(Autostart *a, Machine *m);

// Stops typing for good: the key held down, if any, is let go; later steps do nothing.
void autostart_cancel(Autostart *a, Machine *m);

// The typing as it stood when taken was copied from a: the key a holds now is let go and the
// one taken held is pressed again.
void autostart_put_back(Autostart *a, const Autostart *taken, Machine *m);
