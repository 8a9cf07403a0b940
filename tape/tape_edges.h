// Taking edges from the library: the level an edge leaves, and what the deck learns from it.
#pragma once

#include <cstdint>

#include "tape/tape_deck.h"

// The level after an edge with the library's flags, from level.
uint8_t edge_level(uint8_t level, int flags);

// Every move of the library's place on the tape goes through these three, which keep the
// deck's track of it (tape_position.h finds the place again from the track).
// The library's next edge: its flags, and its delay from the one before into delay.
int edge_take(TapeDeck *deck, uint32_t *delay);
// The library sent to the start of block.
void edge_seek(TapeDeck *deck, int block);
// The data of the block playing passed over at once (the library's pause state set): true
// when the block has data to pass over.
bool edge_pass_data(TapeDeck *deck);

// Takes the library's next edge into deck->next_*.
void edge_fetch(TapeDeck *deck);

// The library's state after the last edge taken, for blocks that have one (0 otherwise).
int edge_block_state(libspectrum_tape *tape, int flags);
