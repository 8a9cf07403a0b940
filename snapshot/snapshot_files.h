// Loading and saving machines by file name.
#pragma once

#include <cstddef>
#include <cstdint>

#include "snapshot/load_result.h"

struct Machine;

constexpr size_t kSnapshotBufferSize = 60000;  // more than any 48K snapshot needs
constexpr size_t kSnapshotMessageSize = 320;   // a message and a base name

// The last component of path, trailing slashes left out, into name (of PATH_MAX bytes).
void base_name(const char *path, char *name);

// Loads the .z80 (when the path contains ".z80" or ".Z80") or .sna file at path. The file is
// read and checked whole first: what is not a regular file, not a complete snapshot or not of
// a 48K machine leaves the machine as it was, and is never read beyond its size's telling
// (nor waited for). message (size bytes) receives what happened, for the user: "Loaded <name>",
// "Not a 48K snapshot: <name>", "Not a snapshot: <name>" or "Can't read <name>: <reason>",
// <name> being the base name. Returns a LoadResult.
int load_snapshot(Machine *m, const char *path, char *message, size_t size);

// The same rules on a file's bytes, the file having come out of an archive: size is the
// whole file's, and bytes holds its first min(size, kSnapshotBufferSize) bytes; z80 says
// which loader's rules apply. Returns a LoadResult; the machine changes only when loaded.
int load_snapshot_bytes(Machine *m, bool z80, size_t size, const uint8_t *bytes);

// The words for the user about a load's result (a LoadResult) of the file name; error is
// the error number of kUnreadable.
void snapshot_message(int result, const char *name, int error, char *message, size_t size);

// Saves the machine as a .sna file at path. When nothing can be saved there, saves it under
// the same base name in the first of folders (a list ended by nullptr; empty entries are
// passed over) that takes it. message (size bytes) receives "" when the file is at path,
// "Saved <name> in <folder>" when it went elsewhere, "Couldn't save <path>: <reason>" when
// it went nowhere; where (PATH_MAX bytes, when given) the path of the file written, "" for
// none. Returns 0 when saved somewhere, else the error number of saving at path.
int save_snapshot(Machine *m, const char *path, const char *const *folders, char *message,
                  size_t size, char *where = nullptr);
