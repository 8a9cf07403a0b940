#include "saves/last_game.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "snapshot/file_replace.h"
#include "snapshot/sna_file.h"
#include "snapshot/user_places.h"

namespace {

constexpr char kLastName[] = "last";
constexpr uint64_t kFnvOffset = 0xCBF29CE484222325ull;
constexpr uint64_t kFnvPrime = 0x100000001B3ull;

int last_path(bool make, char *path, size_t size) {
    char folder[PATH_MAX];
    int error = user_folder(kUserData, "", make, folder, sizeof folder);
    if (error) return error;
    int n = std::snprintf(path, size, "%s/%s", folder, kLastName);
    return n < 0 || size_t(n) >= size ? ENAMETOOLONG : 0;
}

// Up to size bytes from the start of the regular file at path, never waited for: their
// count, or -1 with errno set (EILSEQ for something other than a regular file).
ssize_t read_regular(const char *path, uint8_t *buffer, size_t size) {
    struct stat st;
    if (stat(path, &st) != 0) return -1;
    if (!S_ISREG(st.st_mode)) {
        errno = EILSEQ;
        return -1;
    }
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    size_t done = 0;
    int error = 0;
    while (done < size) {
        ssize_t got = read(fd, buffer + done, size - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) error = errno;
        if (got <= 0) break;
        done += size_t(got);
    }
    close(fd);
    errno = error;
    return error ? -1 : ssize_t(done);
}

// The snapshot file's check: 0 with *check set, or the error number. A file larger than a
// snapshot is no snapshot of ours.
int file_check(const char *path, uint64_t *check) {
    static uint8_t bytes[kSnaFileSize + 1];
    ssize_t got = read_regular(path, bytes, sizeof bytes);
    if (got < 0) return errno;
    if (size_t(got) > kSnaFileSize) return EILSEQ;
    uint64_t hash = kFnvOffset;
    for (ssize_t k = 0; k < got; k++) hash = (hash ^ bytes[k]) * kFnvPrime;
    *check = hash;
    return 0;
}

// The value of one "name = value" line into out, spaces around both dropped; false when the
// line is not of that name.
bool line_value(const char *line, size_t length, const char *name, char *out, size_t size) {
    const char *end = line + length;
    while (line < end && (*line == ' ' || *line == '\t')) line++;
    size_t n = std::strlen(name);
    if (size_t(end - line) < n || std::memcmp(line, name, n) != 0) return false;
    line += n;
    while (line < end && (*line == ' ' || *line == '\t')) line++;
    if (line == end || *line != '=') return false;
    line++;
    while (line < end && (*line == ' ' || *line == '\t')) line++;
    while (end > line && (end[-1] == ' ' || end[-1] == '\t' || end[-1] == '\r')) end--;
    if (size_t(end - line) >= size) return false;
    std::memcpy(out, line, size_t(end - line));
    out[end - line] = '\0';
    return true;
}

}  // namespace

int last_record(const char *game, const char *snapshot) {
    if (std::strchr(game, '\n') || std::strchr(snapshot, '\n') || snapshot[0] != '/')
        return EINVAL;
    uint64_t check = 0;
    int error = file_check(snapshot, &check);
    if (error) return error;
    char path[PATH_MAX];
    error = last_path(true, path, sizeof path);
    if (error) return error;
    static char text[kGameNameSize + PATH_MAX + 64];
    int n = std::snprintf(text, sizeof text, "game = %s\nsnapshot = %s\ncheck = %016" PRIx64 "\n",
                          game, snapshot, check);
    if (n < 0 || size_t(n) >= sizeof text) return ENAMETOOLONG;
    FilePart part = {reinterpret_cast<const uint8_t *>(text), size_t(n)};
    return replace_file(path, &part, 1, kReplaceWhole);
}

int last_read(LastGame *last) {
    char path[PATH_MAX];
    static uint8_t text[kLastFileLimit];
    if (last_path(false, path, sizeof path) != 0) return 0;
    ssize_t got = read_regular(path, text, sizeof text);
    if (got <= 0) return 0;
    last->game[0] = last->snapshot[0] = '\0';
    bool has_check = false;
    const char *p = reinterpret_cast<const char *>(text), *end = p + got;
    while (p < end) {
        const char *eol = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
        size_t length = size_t((eol ? eol : end) - p);
        char check[32];
        line_value(p, length, "game", last->game, sizeof last->game);
        line_value(p, length, "snapshot", last->snapshot, sizeof last->snapshot);
        if (line_value(p, length, "check", check, sizeof check)) {
            char *stop = nullptr;
            last->check = std::strtoull(check, &stop, 16);
            has_check = stop != check && *stop == '\0';
        }
        p += length + 1;
    }
    return last->snapshot[0] == '/' && has_check ? 1 : 0;
}

int last_check(const LastGame *last) {
    uint64_t check = 0;
    int error = file_check(last->snapshot, &check);
    if (error) return error;
    return check == last->check ? 0 : EILSEQ;
}
