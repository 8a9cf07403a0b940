// The .sna snapshot: a 27-byte register header and the 48 KB of RAM, PC kept on the stack.
#pragma once

#include <cstddef>
#include <cstdint>

#include "snapshot/file_replace.h"
#include "snapshot/load_result.h"

struct Machine;

constexpr size_t kSnaHeaderSize = 27;
constexpr size_t kSnaFileSize = kSnaHeaderSize + 0xC000;  // 49,179 bytes
// The sizes of the 128K machine's .sna files: the 48K file, PC, the paging byte and the
// TR-DOS byte, then the five other 16 KB pages, or six when the paged-in page is one of
// those already stored and so comes again.
constexpr size_t kSna128Size = kSnaFileSize + 4 + 5 * 0x4000;  // 131,103 bytes
constexpr size_t kSna128LongSize = kSna128Size + 0x4000;       // 147,487 bytes

// Loads the first count bytes of buffer as a .sna file and pops PC. Returns kLoaded, or
// kNotSnapshot, touching nothing, when count is shorter than a .sna file.
int load_sna(Machine *m, const uint8_t *buffer, size_t count);

// Writes the machine to path as a .sna file, pushing PC just for the write; the machine is
// left exactly as before either way. The file is replaced whole (replace_file, in mode).
// Returns 0, or the error number of the failure.
int save_sna(Machine *m, const char *path, ReplaceMode mode = kReplaceOrOverwrite);
