// The .sna snapshot: a 27-byte register header and the 48 KB of RAM, PC kept on the stack.
#pragma once

#include <cstddef>
#include <cstdint>

#include "snapshot/load_result.h"

struct Machine;

constexpr size_t kSnaHeaderSize = 27;
constexpr size_t kSnaFileSize = kSnaHeaderSize + 0xC000;  // 49,179 bytes
// The sizes of the 128K machine's .sna files, without and with a repeated RAM page.
constexpr size_t kSna128Size = 131103;
constexpr size_t kSna128LongSize = 147487;

// Loads the first count bytes of buffer as a .sna file and pops PC. Returns kLoaded, or
// kNotSnapshot, touching nothing, when count is shorter than a .sna file.
int load_sna(Machine *m, const uint8_t *buffer, size_t count);

// Writes the machine to path as a .sna file, pushing PC just for the write; the machine is
// left exactly as before either way. The file is replaced whole (replace_file). Returns 0,
// or the error number of the failure.
int save_sna(Machine *m, const char *path);
