// Putting the tape deck back where it stood: a copy of the deck taken between two frames is
// enough to find its place again, exact to the edge, on the same tape.
#pragma once

#include "tape/tape_deck.h"

// The deck as taken was when it was copied: every playback field, and the library at the
// same edge of the same tape (the one inserted now, taken before no other insert). Returns
// 0, or -1 with nothing changed when taken holds another tape or a place that was lost.
int tape_put_back(TapeDeck *deck, const TapeDeck *taken);
