#include "snapshot/snapshot_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "snapshot/sna_file.h"
#include "snapshot/z80_loader.h"

void base_name(const char *path, char *name) {
    size_t end = std::strlen(path);
    while (end > 1 && path[end - 1] == '/') end--;
    size_t start = end;
    while (start > 0 && path[start - 1] != '/') start--;
    if (start == end && end > 0) start = end - 1;  // the root itself
    size_t length = end - start < PATH_MAX ? end - start : PATH_MAX - 1;
    std::memcpy(name, path + start, length);
    name[length] = '\0';
}

namespace {

// Reads exactly count bytes from the start of fd; 0, or the error number (EIO when the file
// ends early, having shrunk since its size was taken).
int read_exactly(int fd, uint8_t *buffer, size_t count) {
    size_t done = 0;
    while (done < count) {
        ssize_t got = read(fd, buffer + done, count - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return errno;
        if (got == 0) return EIO;
        done += size_t(got);
    }
    return 0;
}

// What the size alone says of a .sna file that is not 49,179 bytes long.
int sna_size_verdict(size_t size) {
    return size == kSna128Size || size == kSna128LongSize ? kNot48K : kNotSnapshot;
}

// The file at path checked and decoded; *error receives the error number of kUnreadable.
int load_file(Machine *m, const char *path, int *error) {
    // Only a regular file is opened, and without waiting: a FIFO or a device named here
    // could block the program or act on being opened.
    struct stat st;
    if (stat(path, &st) != 0) {
        *error = errno;
        return kUnreadable;
    }
    if (!S_ISREG(st.st_mode)) return kNotSnapshot;
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *error = errno;
        return kUnreadable;
    }
    int result = kNotSnapshot;
    static uint8_t buffer[kSnapshotBufferSize];
    // A plain substring test on the whole path, directories included.
    bool z80 = std::strstr(path, ".z80") || std::strstr(path, ".Z80");
    if (fstat(fd, &st) != 0) {
        *error = errno;
        result = kUnreadable;
    } else if (S_ISREG(st.st_mode)) {  // the name may have changed hands since the stat
        size_t size = size_t(st.st_size);
        if (!z80 && size != kSnaFileSize) {
            result = sna_size_verdict(size);  // nothing is read
        } else {
            size_t count = size < sizeof buffer ? size : sizeof buffer;
            *error = read_exactly(fd, buffer, count);
            result = *error != 0 ? kUnreadable : load_snapshot_bytes(m, z80, size, buffer);
        }
    }
    close(fd);
    return result;
}

}  // namespace

int load_snapshot_bytes(Machine *m, bool z80, size_t size, const uint8_t *bytes) {
    if (!z80) return size == kSnaFileSize ? load_sna(m, bytes, size) : sna_size_verdict(size);
    // A .z80 larger than the buffer is no 48K snapshot; its header tells whose it is.
    if (size > kSnapshotBufferSize)
        return z80_machine_check(bytes, kSnapshotBufferSize) == kNot48K ? kNot48K : kNotSnapshot;
    return load_z80(m, bytes, size);
}

void snapshot_message(int result, const char *name, int error, char *message, size_t size) {
    switch (result) {
        case kLoaded: std::snprintf(message, size, "Loaded %s", name); break;
        case kNot48K: std::snprintf(message, size, "Not a 48K snapshot: %s", name); break;
        case kNotSnapshot: std::snprintf(message, size, "Not a snapshot: %s", name); break;
        default: std::snprintf(message, size, "Can't read %s: %s", name, std::strerror(error));
    }
}

int load_snapshot(Machine *m, const char *path, char *message, size_t size) {
    char name[PATH_MAX];
    base_name(path, name);
    int error = 0;
    int result = load_file(m, path, &error);
    snapshot_message(result, name, error, message, size);
    return result;
}

int save_snapshot(Machine *m, const char *path, const char *const *folders, char *message,
                  size_t size, char *where) {
    message[0] = '\0';
    if (where) where[0] = '\0';
    int error = save_sna(m, path);
    if (error == 0) {
        if (where) std::snprintf(where, PATH_MAX, "%s", path);
        return 0;
    }
    char name[PATH_MAX];
    base_name(path, name);
    for (; folders && *folders; folders++) {
        if (!**folders) continue;
        char elsewhere[PATH_MAX];
        int n = std::snprintf(elsewhere, sizeof elsewhere, "%s/%s", *folders, name);
        if (n < 0 || size_t(n) >= sizeof elsewhere) continue;
        if (save_sna(m, elsewhere) == 0) {
            std::snprintf(message, size, "Saved %s in %s", name, *folders);
            if (where) std::snprintf(where, PATH_MAX, "%s", elsewhere);
            return 0;
        }
    }
    std::snprintf(message, size, "Couldn't save %s: %s", path, std::strerror(error));
    return error;
}
