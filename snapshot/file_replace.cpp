#include "snapshot/file_replace.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Temporary files are named .tavisk-<pid>-<serial>.tmp: hidden, and telling whose they are.
constexpr char kTemporaryPrefix[] = ".tavisk-";
constexpr char kTemporarySuffix[] = ".tmp";

// A temporary file older than this run cannot be one that a save running now is writing.
// File times lag the clock by up to a scheduler tick; a margin of seconds covers that.
const time_t run_start = time(nullptr);
constexpr time_t kTimeMargin = 2;

bool before_run(const timespec &t) { return t.tv_sec < run_start - kTimeMargin; }

// The pid in a temporary file's name, or -1 when the name is not one.
long temporary_pid(const char *name) {
    size_t prefix = sizeof kTemporaryPrefix - 1, suffix = sizeof kTemporarySuffix - 1;
    size_t length = std::strlen(name);
    if (length <= prefix + suffix || std::strncmp(name, kTemporaryPrefix, prefix) != 0 ||
        std::strcmp(name + length - suffix, kTemporarySuffix) != 0)
        return -1;
    const char *p = name + prefix, *end = name + length - suffix;
    long pid = 0;
    int digits = 0;
    for (; p < end && *p >= '0' && *p <= '9'; p++, digits++) pid = pid * 10 + (*p - '0');
    if (digits == 0 || digits > 9 || p == end || *p != '-' || ++p == end) return -1;
    for (; p < end; p++)
        if (*p < '0' || *p > '9') return -1;
    return pid;
}

// Removes the temporary files in folder whose writer is gone (no such process) or that are
// older than this run (their pid has since been taken by another process).
void remove_stray_temporaries(const char *folder) {
    DIR *dir = opendir(folder);
    if (!dir) return;
    int fd = dirfd(dir);
    while (const dirent *entry = readdir(dir)) {
        long pid = temporary_pid(entry->d_name);
        if (pid < 0) continue;
        struct stat st;
        if (fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
            continue;
        bool gone = pid == 0 || (kill(pid_t(pid), 0) != 0 && errno == ESRCH);
        if (gone || before_run(st.st_mtim)) unlinkat(fd, entry->d_name, 0);
    }
    closedir(dir);
}

int write_all(int fd, const uint8_t *p, size_t n) {
    while (n > 0) {
        ssize_t done = write(fd, p, n);
        if (done < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        p += done;
        n -= size_t(done);
    }
    return 0;
}

// Writes the parts from the start of fd, cuts the file there and makes it durable; 0, or
// the error number.
int write_parts(int fd, const FilePart *parts, int count) {
    off_t total = 0;
    for (int k = 0; k < count; k++) {
        if (write_all(fd, parts[k].data, parts[k].size) != 0) return errno;
        total += off_t(parts[k].size);
    }
    if (ftruncate(fd, total) != 0 || fsync(fd) != 0) return errno;
    return 0;
}

// Creates a fresh file beside path, so that the final rename stays within one file system.
int create_temporary(const char *path, char *name, size_t size) {
    const char *slash = std::strrchr(path, '/');
    int dir = slash ? int(slash - path + 1) : 0;
    static unsigned serial;
    for (int attempt = 0; attempt < 100; attempt++) {
        int n = std::snprintf(name, size, "%.*s%s%d-%u%s", dir, path, kTemporaryPrefix,
                              int(getpid()), serial++, kTemporarySuffix);
        if (n < 0 || size_t(n) >= size) {
            errno = ENAMETOOLONG;
            return -1;
        }
        int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// A replaced file keeps its permissions; a new one takes the umask's. Either way the user
// can read it back and overwrite it next time.
int set_mode(int fd, const struct stat *old) {
    mode_t user = S_IRUSR | S_IWUSR;
    if (old) return fchmod(fd, (old->st_mode & 07777) | user);
    struct stat st;
    if (fstat(fd, &st) != 0) return -1;
    if ((st.st_mode & user) == user) return 0;
    return fchmod(fd, (st.st_mode & 07777) | user);
}

// The folder that holds path, into folder (of PATH_MAX bytes).
void folder_of(const char *path, char *folder) {
    const char *slash = std::strrchr(path, '/');
    if (!slash) {
        std::strcpy(folder, ".");
        return;
    }
    size_t length = slash == path ? 1 : size_t(slash - path);
    std::memcpy(folder, path, length);
    folder[length] = '\0';
}

// The existing file written over from its start; 0, or the error number.
int overwrite_in_place(const char *path, const FilePart *parts, int count) {
    int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    int error = write_parts(fd, parts, count);
    if (close(fd) != 0 && error == 0) error = errno;
    return error;
}

}  // namespace

bool is_replace_temporary(const char *name) { return temporary_pid(name) >= 0; }

int replace_file(const char *path, const FilePart *parts, int count, ReplaceMode mode) {
    // Through a symbolic link, the file it names is the one replaced.
    char resolved[PATH_MAX];
    struct stat st;
    if (lstat(path, &st) == 0 && S_ISLNK(st.st_mode) && realpath(path, resolved)) path = resolved;
    if (std::strlen(path) >= PATH_MAX) return ENAMETOOLONG;
    bool exists = stat(path, &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) return S_ISDIR(st.st_mode) ? EISDIR : EEXIST;
    // A file the user may not write stays as it is, as it would with a plain overwrite.
    if (exists && access(path, W_OK) != 0) return errno;

    char folder[PATH_MAX];
    folder_of(path, folder);
    remove_stray_temporaries(folder);
    char name[PATH_MAX + 64];  // path, the prefix, pid, serial and suffix
    int fd = create_temporary(path, name, sizeof name);
    if (fd < 0) {
        int error = errno;
        // A folder closed to new files may still hold a file the user can write.
        return exists && mode == kReplaceOrOverwrite ? overwrite_in_place(path, parts, count)
                                                     : error;
    }
    int error = set_mode(fd, exists ? &st : nullptr) != 0 ? errno : write_parts(fd, parts, count);
    if (close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && rename(name, path) != 0) error = errno;
    if (error != 0) unlink(name);
    return error;
}
