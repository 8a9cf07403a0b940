// Loading a standard-speed block at once when the ROM's LD-BYTES asks for it.
#pragma once

#include "machine/machine.h"
#include "tape/tape_deck.h"

// After a run in which LD-BYTES made its first port read (m->ear.trapped) while the EAR level
// stayed put: when the loader is still waiting for the tape and the next block is a
// standard-speed data block, does what LD-BYTES would do with it, returns to SA/LD-RET as a
// real load returns (registers, flags, memory, stack), moves the tape past the block and
// returns true. Otherwise changes nothing and returns false.
bool instant_load(TapeDeck *deck, Machine *m);
