// The .sna snapshot: a 27-byte register header and the 48 KB of RAM, PC kept on the stack.
#pragma once

#include <cstddef>
#include <cstdint>

struct Machine;

constexpr size_t kSnaHeaderSize = 27;
constexpr size_t kSnaFileSize = kSnaHeaderSize + 0xC000;  // 49,179 bytes

// Loads the first count bytes of buffer as a .sna file and pops PC. Returns 0 when loaded,
// or -1, touching nothing, when count is shorter than a .sna file.
int load_sna(Machine *m, const uint8_t *buffer, size_t count);

// Writes the machine to path as a .sna file, pushing PC just for the write; the machine is
// left exactly as before either way. The file is replaced whole or not at all. Returns 0,
// or -1 after reporting the reason on standard error.
int save_sna(Machine *m, const char *path);
