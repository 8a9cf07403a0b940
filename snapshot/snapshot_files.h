// Loading and saving machines by file name, with the key profile the name selects.
#pragma once

#include <cstddef>

struct Machine;
struct Options;

constexpr size_t kSnapshotBufferSize = 60000;  // more than any 48K snapshot needs

// Loads the .z80 (when the path contains ".z80" or ".Z80") or .sna file at path, then takes
// the key profile that the file's base name selects. A file that cannot be opened or cannot
// be a snapshot of its kind changes neither the machine nor the key map. 0 when it loaded.
int load_snapshot(Machine *m, const char *path, Options *options);

// Saves the machine to path as a .sna file; a failure is reported on standard error and the
// machine is left as it was either way. options is not used.
void save_snapshot(Machine *m, const char *path, Options *options);
