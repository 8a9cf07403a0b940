#include "frontend/instance_lock.h"

#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/snapshot/snapshot_fixture.h"

namespace {

// Another process holding the lock, and a killed one leaving its file, are the end-to-end
// test's: one program at a time.
class Lock : public ::testing::Test {
   protected:
    void SetUp() override { setenv("XDG_RUNTIME_DIR", root.path().c_str(), 1); }
    void TearDown() override { release_all(); }
    InstanceLock take() {
        int fd;
        InstanceLock got = instance_lock(&fd, &error, path, sizeof path);
        if (got == kLockTaken) fds.push_back(fd);
        EXPECT_EQ(fd >= 0, got == kLockTaken);
        return got;
    }
    void release_all() {
        for (int fd : fds) close(fd);
        fds.clear();
    }

    TempDir root;
    std::vector<int> fds;
    int error = 0;
    char path[PATH_MAX];
};

TEST_F(Lock, OneRunAtATimeAndNothingStale) {
    // A file left behind by an earlier run blocks nothing: only a held lock does.
    std::filesystem::create_directories(root / "tavisk");
    std::ofstream(root / "tavisk/instance.lock") << "12345\n";
    EXPECT_EQ(take(), kLockTaken);
    EXPECT_EQ(std::string(path), root / "tavisk/instance.lock");
    EXPECT_EQ(take(), kLockHeld);
    EXPECT_EQ(take(), kLockHeld);
    release_all();
    EXPECT_EQ(take(), kLockTaken);
}

// No place for the lock lets the run go ahead; nothing is written through a link.
TEST_F(Lock, NoPlaceForTheLockLetsTheRunGoAhead) {
    std::ofstream(root / "tavisk") << "a file where the folder belongs";
    EXPECT_EQ(take(), kLockUnavailable);
    EXPECT_EQ(error, ENOTDIR);
    std::filesystem::remove(root / "tavisk");
    std::filesystem::create_directories(root / "tavisk");
    std::filesystem::create_symlink(root / "elsewhere", root / "tavisk/instance.lock");
    EXPECT_EQ(take(), kLockUnavailable);
    EXPECT_EQ(error, ELOOP);
    EXPECT_FALSE(std::filesystem::exists(root / "elsewhere"));
}

}  // namespace
