// Reads .z80 snapshots (versions 1, 2 and 3) into the 48K machine.
#pragma once

#include <cstddef>
#include <cstdint>

struct Machine;

constexpr size_t kZ80HeaderSize = 30;  // the version 1 header; versions 2 and 3 extend it

// Loads the first count bytes of buffer as a .z80 file: registers, border and RAM. Data that
// ends early or is malformed loads as far as it decodes, RAM beyond keeping its contents.
// Returns 0 when loaded, or -1, touching nothing, when count cannot even hold the file's own
// header.
int load_z80(Machine *m, const uint8_t *buffer, size_t count);
