#include "saves/slot_store.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "snapshot/sna_file.h"
#include "snapshot/user_places.h"

namespace {

constexpr char kNoGame[] = "rom";

// Exactly size bytes from offset of the open file; false when it has fewer.
bool read_at(int fd, uint8_t *buffer, size_t size, off_t offset) {
    size_t done = 0;
    while (done < size) {
        ssize_t got = pread(fd, buffer + done, size - done, offset + off_t(done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        done += size_t(got);
    }
    return true;
}

}  // namespace

const char *saves_game(const char *game) { return game[0] ? game : kNoGame; }

int slot_path(const char *game, int n, bool make, char *path, size_t size) {
    char folder[PATH_MAX];
    char sub[PATH_MAX];
    int length = std::snprintf(sub, sizeof sub, "saves/%s", saves_game(game));
    if (length < 0 || size_t(length) >= sizeof sub) return ENAMETOOLONG;
    int error = user_folder(kUserData, sub, make, folder, sizeof folder);
    if (error) return error;
    length = std::snprintf(path, size, "%s/slot%d.sna", folder, n);
    return length < 0 || size_t(length) >= size ? ENAMETOOLONG : 0;
}

void slot_view(const char *game, int n, SlotView *view) {
    view->kind = kSlotUnreadable;
    char path[PATH_MAX];
    struct stat st;
    if (slot_path(game, n, false, path, sizeof path) != 0) return;
    if (lstat(path, &st) != 0) {
        // Nothing there is an empty slot; a place that cannot be looked at is not.
        if (errno == ENOENT || errno == ENOTDIR) view->kind = kSlotEmpty;
        return;
    }
    // A link is followed only to a regular file; a FIFO or a device is never opened.
    if (stat(path, &st) != 0 || !S_ISREG(st.st_mode) || size_t(st.st_size) != kSnaFileSize)
        return;
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return;
    // The file may have changed hands since the stat: what was opened is what counts.
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && size_t(st.st_size) == kSnaFileSize &&
        read_at(fd, view->screen, kScreenBytes, kSnaHeaderSize)) {
        view->kind = kSlotSaved;
        view->saved = st.st_mtime;
    }
    close(fd);
}

int slot_save(Machine *m, const char *game, int n) {
    char path[PATH_MAX];
    int error = slot_path(game, n, true, path, sizeof path);
    return error ? error : save_sna(m, path, kReplaceWhole);
}
