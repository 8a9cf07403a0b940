// Taking edges from the library: the level an edge leaves, what the deck learns from it, and
// where the deck stands when it takes none.
#pragma once

#include <cstdint>

#include <libspectrum.h>

#include "tape/tape_deck.h"

// The library's next edge: its delay into *delay, its flags as the result. An edge of no
// length that would only flip the level comes with NO_EDGE added: the library gives such
// edges where something without sound ends (a stop block, the tape's end, a pulse of no
// length), right after the last edge of a block that no pause follows, and a flip there
// would take that edge back at the T-state it came (between two blocks the library marks
// it NO_EDGE itself). A library failure reads as the tape's end.
int edge_take(libspectrum_tape *tape, libspectrum_dword *delay);

// The level after an edge with these flags, from level.
uint8_t edge_level(uint8_t level, int flags);

// Takes the library's next edge into deck->next.
void edge_fetch(TapeDeck *deck);

// The library's state after the last edge taken, for blocks that have one (0 otherwise).
int edge_block_state(libspectrum_tape *tape, int flags);

// Parks the deck at the place of block (0-based) with the EAR level given, stopped (or at
// the tape's end), nothing taken from the library pending: where an instant load or the
// user's winding leaves it.
void tape_park(TapeDeck *deck, int block, TapePlace place, bool ended, uint8_t level);
