// Taking edges from the library: the level an edge leaves, what the deck learns from it, and
// where the deck stands when it takes none.
#pragma once

#include <cstdint>

#include <libspectrum.h>

#include "tape/tape_deck.h"

// Every move of the library's place on the tape goes through edge_take, edge_seek and
// edge_pass_data, which keep the deck's track of it (tape_position.h finds the place again
// from the track).

// The deck's library's next edge: its delay into *delay, its flags as the result. An edge of
// no length that would only flip the level comes with NO_EDGE added: the library gives such
// edges where something without sound ends (a stop block, the tape's end, a pulse of no
// length), right after the last edge of a block that no pause follows, and a flip there
// would take that edge back at the T-state it came (between two blocks the library marks
// it NO_EDGE itself). A library failure reads as the tape's end.
int edge_take(TapeDeck *deck, libspectrum_dword *delay);

// The library sent to the start of block.
void edge_seek(TapeDeck *deck, int block);

// The data of the block playing passed over at once (the library's pause state set): true
// when the block has data to pass over.
bool edge_pass_data(TapeDeck *deck);

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
