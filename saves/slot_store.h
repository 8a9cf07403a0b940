// Save slots: four .sna files a game keeps of its own, in the user's data folder, each
// written whole or not at all, and looked at for the menu's tiles without being loaded.
#pragma once

#include <time.h>

#include <cstddef>
#include <cstdint>

#include "machine/machine.h"

constexpr int kSlots = 4;
constexpr int kScreenBytes = 6912;  // the display file and its attributes, from 0x4000

// The name a game's saves go under: the game's, or "rom" while none is loaded.
const char *saves_game(const char *game);

// Slot n (1 to kSlots) of game ("" for none): $XDG_DATA_HOME/tavisk/saves/<game>/slot<n>.sna.
// With make, the folders are made as needed. Returns 0, or the error number.
int slot_path(const char *game, int n, bool make, char *path, size_t size);

enum SlotKind : uint8_t {
    kSlotEmpty,       // no file
    kSlotUnreadable,  // something that is not a 48K .sna, or that cannot be read
    kSlotSaved,
};

struct SlotView {
    SlotKind kind;
    time_t saved;                  // when it was written
    uint8_t screen[kScreenBytes];  // the snapshot's own screen bytes
};

// What slot n of game holds, read without waiting and without reading more than a .sna:
// only a regular file of exactly a 48K .sna's size is opened.
void slot_view(const char *game, int n, SlotView *view);

// The machine saved as slot n of game, replacing the old slot whole, or failing with the old
// slot kept (never written over in place). Returns 0, or the error number.
int slot_save(Machine *m, const char *game, int n);
