#include "frontend/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "snapshot/user_places.h"

InstanceLock instance_lock(int *fd, int *error, char *path, int size) {
    *fd = -1;
    path[0] = '\0';
    *error = user_folder(kUserRuntime, "", true, path, size_t(size));
    if (*error) return kLockUnavailable;
    int n = int(std::strlen(path));
    if (std::snprintf(path + n, size_t(size - n), "/instance.lock") >= size - n) {
        *error = ENAMETOOLONG;
        return kLockUnavailable;
    }
    // The file's content means nothing: only the lock on it counts, so a file left behind
    // by a run that was killed blocks nothing. Not followed through a link.
    int f = open(path, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (f < 0) {
        *error = errno;
        return kLockUnavailable;
    }
    if (flock(f, LOCK_EX | LOCK_NB) != 0) {
        *error = errno;
        close(f);
        return *error == EWOULDBLOCK ? kLockHeld : kLockUnavailable;
    }
    *fd = f;
    return kLockTaken;
}
