// The audio callback's own place in the sound ring, reachable for tests.
#pragma once

#include <cstdint>

// Byte position of the next sample the callback copies, 0 to kRingBytes.
int32_t sound_ringpos();
// Bytes consumed but not yet counted as a whole frame in scounter, 0 to 440.
int32_t sound_ringrem();
// Only while the callback cannot run (device closed or paused).
void sound_set_ring(int32_t ringpos, int32_t ringrem);
