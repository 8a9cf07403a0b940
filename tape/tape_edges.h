// Taking edges from the library: the level an edge leaves, and what the deck learns from it.
#pragma once

#include <cstdint>

#include "tape/tape_deck.h"

// The level after an edge with the library's flags, from level.
uint8_t edge_level(uint8_t level, int flags);

// Takes the library's next edge into deck->next.
void edge_fetch(TapeDeck *deck);

// The library's state after the last edge taken, for blocks that have one (0 otherwise).
int edge_block_state(libspectrum_tape *tape, int flags);
