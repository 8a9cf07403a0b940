#include "keymaps/keys_store.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "snapshot/file_replace.h"
#include "snapshot/user_places.h"

namespace {

const char *base_of(const char *path) {
    const char *slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

// Up to size bytes from the start of the regular file at path: their count, or -1 with why.
// A folder, a FIFO or a device is never read (a FIFO would wait for a writer).
ssize_t read_regular(const char *path, char *buffer, size_t size, const char **why) {
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *why = std::strerror(errno);
        return -1;
    }
    struct stat st;
    size_t done = 0;
    if (fstat(fd, &st) != 0) {
        *why = std::strerror(errno);
    } else if (!S_ISREG(st.st_mode)) {
        *why = "not a regular file";
    } else {
        for (;;) {
            ssize_t got = done < size ? read(fd, buffer + done, size - done) : 0;
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) *why = std::strerror(errno);
            if (got <= 0) break;
            done += size_t(got);
        }
    }
    close(fd);
    return *why ? -1 : ssize_t(done);
}

}  // namespace

int keys_path(const char *game, bool make, char *path, size_t size) {
    char folder[PATH_MAX];
    int error = user_folder(kUserConfig, "keymaps", make, folder, sizeof folder);
    if (error) return error;
    int n = std::snprintf(path, size, "%s/%s.keys", folder, game[0] ? game : "default");
    return n < 0 || size_t(n) >= size ? ENAMETOOLONG : 0;
}

int keys_read(const char *path, KeyMap *map, KeysProblems *problems, FILE *log) {
    struct stat st;
    if (stat(path, &st) != 0) {
        // No file is the usual case: nothing to tell.
        if (errno == ENOENT || errno == ENOTDIR) return 0;
        keys_problem(problems, log, base_of(path), 0, std::strerror(errno));
        return 1;
    }
    // A device is not even opened: opening some acts on them.
    if (!S_ISREG(st.st_mode)) {
        keys_problem(problems, log, base_of(path), 0, "not a regular file");
        return 1;
    }
    static char text[kKeysFileLimit + 1];
    const char *why = nullptr;
    ssize_t got = read_regular(path, text, sizeof text, &why);
    if (got < 0) {
        keys_problem(problems, log, base_of(path), 0, why);
        return 1;
    }
    size_t size = size_t(got);
    if (size > kKeysFileLimit) {
        keys_problem(problems, log, base_of(path), 0, "larger than 64 KB, only its start read");
        // The line the limit cuts is not the user's line: left out.
        size = kKeysFileLimit;
        while (size > 0 && text[size - 1] != '\n') size--;
    }
    keys_parse(text, size, base_of(path), map, problems, log);
    return 1;
}

int keys_save(const char *path, const KeyMap *map) {
    char text[1024];
    size_t size = keys_format(map, text, sizeof text);
    FilePart part = {reinterpret_cast<const uint8_t *>(text), size};
    return replace_file(path, &part, 1);
}
