#include "frontend/instance_lock.h"

#include <gtest/gtest.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

class Lock : public ::testing::Test {
   protected:
    void SetUp() override {
        char pattern[] = "/tmp/tavisk-lock-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
        const char *old = getenv("XDG_RUNTIME_DIR");
        had = old != nullptr;
        if (had) saved = old;
        setenv("XDG_RUNTIME_DIR", root.c_str(), 1);
    }
    void TearDown() override {
        for (int fd : fds) close(fd);
        if (had)
            setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
        std::filesystem::remove_all(root);
    }
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
    // A process of its own that takes the lock, then waits to be killed.
    pid_t holder() {
        int ready[2];
        EXPECT_EQ(pipe(ready), 0);
        pid_t pid = fork();
        if (pid == 0) {
            int fd, error;
            char where[PATH_MAX];
            char got = instance_lock(&fd, &error, where, sizeof where) == kLockTaken ? 'y' : 'n';
            if (write(ready[1], &got, 1) != 1) _exit(1);
            for (;;) pause();
        }
        close(ready[1]);
        char got = 0;
        EXPECT_EQ(read(ready[0], &got, 1), 1);
        close(ready[0]);
        EXPECT_EQ(got, 'y');
        return pid;
    }

    std::string root, saved;
    bool had = false;
    std::vector<int> fds;
    int error = 0;
    char path[PATH_MAX];
};

TEST_F(Lock, OneRunAtATimeAndNothingStale) {
    // A file left behind by an earlier run blocks nothing: only a held lock does.
    std::filesystem::create_directories(root + "/tavisk");
    std::ofstream(root + "/tavisk/instance.lock") << "12345\n";
    EXPECT_EQ(take(), kLockTaken);
    EXPECT_EQ(std::string(path), root + "/tavisk/instance.lock");
    EXPECT_EQ(take(), kLockHeld);
    EXPECT_EQ(take(), kLockHeld);
    release_all();
    EXPECT_EQ(take(), kLockTaken);
    release_all();

    // Another process holds it until it ends, by SIGKILL too.
    pid_t pid = holder();
    EXPECT_EQ(take(), kLockHeld);
    kill(pid, SIGKILL);
    int status;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_EQ(take(), kLockTaken);
}

TEST_F(Lock, NoPlaceForTheLockLetsTheRunGoAhead) {
    struct Case {
        const char *what;
        void (*arrange)(const std::string &root);
        int error;
    } cases[] = {
        {"a file where the folder belongs",
         [](const std::string &r) { std::ofstream(r + "/tavisk") << "x"; }, ENOTDIR},
        {"a link where the lock file belongs",
         [](const std::string &r) {
             std::filesystem::create_directories(r + "/tavisk");
             std::filesystem::create_symlink(r + "/elsewhere", r + "/tavisk/instance.lock");
         },
         ELOOP},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto &entry : std::filesystem::directory_iterator(root))
            std::filesystem::remove_all(entry.path());
        c.arrange(root);
        EXPECT_EQ(take(), kLockUnavailable);
        EXPECT_EQ(error, c.error);
        EXPECT_FALSE(std::filesystem::exists(root + "/elsewhere"));
    }
}

}  // namespace
