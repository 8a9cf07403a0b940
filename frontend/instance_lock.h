// One program at a time per user: a lock the kernel holds for the run and lets go of
// however the run ends, so that no stale file ever blocks a start.
#pragma once

enum InstanceLock {
    kLockTaken,        // this run is the only one
    kLockHeld,         // another run holds the lock
    kLockUnavailable,  // no lock could be had (no folder, no file): the run goes ahead
};

// Takes the lock on "instance.lock" in the user's runtime folder (flock, not waiting). The
// lock lives as long as the open file: *fd receives it (or -1), kept open for the run.
// With kLockUnavailable, *error receives the error number and path the file (size bytes).
InstanceLock instance_lock(int *fd, int *error, char *path, int size);
