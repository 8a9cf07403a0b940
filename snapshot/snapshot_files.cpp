#include "snapshot/snapshot_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "input/key_profiles.h"
#include "input/options.h"
#include "snapshot/sna_file.h"
#include "snapshot/z80_loader.h"

namespace {

// Reads up to size bytes from the start of the file; -1 when it cannot be read at all
// (missing, unreadable, a directory).
long read_file(const char *path, uint8_t *buffer, size_t size) {
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    size_t count = 0;
    while (count < size) {
        ssize_t got = read(fd, buffer + count, size - count);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            close(fd);
            return -1;
        }
        if (got == 0) break;
        count += size_t(got);
    }
    close(fd);
    return long(count);
}

// The last component of a path that names a file (one that could be opened, so it has no
// trailing slash).
const char *base_name(const char *path) {
    const char *slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

}  // namespace

int load_snapshot(Machine *m, const char *path, Options *options) {
    static uint8_t buffer[kSnapshotBufferSize];
    long count = read_file(path, buffer, sizeof buffer);
    if (count < 0) return -1;
    // A plain substring test on the whole path, directories included.
    bool z80 = std::strstr(path, ".z80") || std::strstr(path, ".Z80");
    int loaded = z80 ? load_z80(m, buffer, size_t(count)) : load_sna(m, buffer, size_t(count));
    if (loaded != 0) return -1;
    profile_select(base_name(path), options);
    return 0;
}

void save_snapshot(Machine *m, const char *path, Options *) { save_sna(m, path); }
