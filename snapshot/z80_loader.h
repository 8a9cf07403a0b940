// Reads .z80 snapshots (versions 1, 2 and 3) of a 48K machine.
#pragma once

#include <cstddef>
#include <cstdint>

#include "snapshot/load_result.h"

struct Machine;

constexpr size_t kZ80HeaderSize = 30;  // the version 1 header; versions 2 and 3 extend it

// The machine the header of the first count bytes declares: kLoaded for a 48K Spectrum,
// kNot48K for another machine, kNotSnapshot when the header is cut or of no known version.
int z80_machine_check(const uint8_t *buffer, size_t count);

// Loads the first count bytes of buffer as a .z80 file: registers, border and RAM. The file
// is decoded whole before the machine changes; anything but a complete 48K file (the memory
// stream ending early, blocks running past the end, a page missing or not 16 KB, another
// machine's hardware) is refused, touching nothing. Returns a LoadResult.
int load_z80(Machine *m, const uint8_t *buffer, size_t count);
