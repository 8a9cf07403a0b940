#include "snapshot/user_places.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct PlaceBase {
    const char *variable;    // the XDG variable that names the base
    const char *under_home;  // the base under $HOME without it; nullptr: a private /tmp folder
};

constexpr PlaceBase kBases[] = {
    {"XDG_CONFIG_HOME", ".config"},
    {"XDG_DATA_HOME", ".local/share"},
    {"XDG_RUNTIME_DIR", nullptr},
};

// Makes each missing folder of path (an absolute path, modified and restored on the way).
int make_folders(char *path) {
    for (char *p = path + 1;; p++) {
        if (*p != '/' && *p != '\0') continue;
        char kept = *p;
        *p = '\0';
        int error = mkdir(path, 0700) == 0 || errno == EEXIST ? 0 : errno;
        *p = kept;
        if (error) return error;
        if (kept == '\0') break;
    }
    // Something else may stand where a folder belongs.
    struct stat st;
    if (stat(path, &st) != 0) return errno;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

// Without an XDG runtime folder: a folder under /tmp that only this user may have made.
// One that another user made, or that is open to others, is refused (EPERM), so that
// nobody else can hold or swap the files in it.
int private_tmp_folder(char *folder, size_t size) {
    int n = std::snprintf(folder, size, "/tmp/tavisk-%u", unsigned(getuid()));
    if (n < 0 || size_t(n) >= size) return ENAMETOOLONG;
    if (mkdir(folder, 0700) != 0 && errno != EEXIST) return errno;
    struct stat st;
    if (lstat(folder, &st) != 0) return errno;
    if (!S_ISDIR(st.st_mode) || st.st_uid != getuid() || (st.st_mode & 077) != 0) return EPERM;
    return 0;
}

}  // namespace

int user_folder(UserPlace place, const char *sub, bool make, char *folder, size_t size) {
    const PlaceBase &base = kBases[place];
    const char *set = std::getenv(base.variable);
    // The runtime folder is the session's to make: one that is not there is not used.
    struct stat st;
    if (set && !base.under_home && (stat(set, &st) != 0 || !S_ISDIR(st.st_mode))) set = nullptr;
    int n;
    if (set && set[0] == '/') {
        n = std::snprintf(folder, size, "%s/tavisk", set);
    } else if (!base.under_home) {
        int error = private_tmp_folder(folder, size);
        if (error) return error;
        n = int(std::strlen(folder));
    } else {
        const char *home = std::getenv("HOME");
        if (!home || home[0] != '/') return ENOENT;
        n = std::snprintf(folder, size, "%s/%s/tavisk", home, base.under_home);
    }
    if (n < 0 || size_t(n) >= size) return ENAMETOOLONG;
    if (sub && sub[0]) {
        int more = std::snprintf(folder + n, size - size_t(n), "/%s", sub);
        if (more < 0 || size_t(n + more) >= size) return ENAMETOOLONG;
    }
    return make ? make_folders(folder) : 0;
}
