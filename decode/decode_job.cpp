#include "decode/decode_job.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

namespace {

long long micros_between(const timeval *from, const timeval *to) {
    return (long long)(to->tv_sec - from->tv_sec) * 1000000 + (to->tv_usec - from->tv_usec);
}

void limit(int resource, rlim_t soft, rlim_t hard) {
    rlimit r = {soft, hard};
    setrlimit(resource, &r);
}

// In the child, between fork and exec: async-signal-safe calls only.
[[noreturn]] void become_decoder(const char *const *command, int out, pid_t parent) {
    // Ends with the program, however the program ends.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    int null = open("/dev/null", O_RDWR);
    if (null < 0 || dup2(null, 0) < 0 || dup2(out, 1) < 0 || dup2(null, 2) < 0) _exit(127);
    // Nothing else of the program's (its display, its sound) goes with it.
    for (int fd = 3; fd < 1024; fd++) close(fd);
    // Past the soft processor limit SIGXCPU ends it, past the hard one SIGKILL.
    limit(RLIMIT_AS, kDecodeMemory, kDecodeMemory);
    limit(RLIMIT_CPU, kDecodeCpuSeconds, kDecodeCpuSeconds + 1);
    limit(RLIMIT_FSIZE, kDecodedMax + sizeof(DecodeHeader), kDecodedMax + sizeof(DecodeHeader));
    limit(RLIMIT_CORE, 0, 0);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_DFL);
    execv(command[0], const_cast<char *const *>(command));
    _exit(127);
}

void finish(DecodeJob *job, const timeval *now) {
    job->micros = micros_between(&job->started, now);
    close(job->out);
    job->pid = 0;
    job->out = -1;
}

}  // namespace

int decode_start(DecodeJob *job, const char *const *command, const char *path,
                 const timeval *now) {
    decode_abandon(job);
    int out = memfd_create("tavisk-decoded", MFD_CLOEXEC);
    if (out < 0) return errno;
    const char *argv[16];
    int n = 0;
    while (command[n] && n < 14) argv[n] = command[n], n++;
    argv[n++] = path;
    argv[n] = nullptr;
    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid < 0) {
        int error = errno;
        close(out);
        return error;
    }
    if (pid == 0) become_decoder(argv, out, parent);
    job->pid = pid;
    job->out = out;
    job->started = *now;
    std::memset(&job->usage, 0, sizeof job->usage);
    return 0;
}

DecodeState decode_poll(DecodeJob *job, const timeval *now, DecodedFile *file) {
    if (job->pid <= 0) return kDecodeIdle;
    int status = 0;
    pid_t ended = wait4(job->pid, &status, WNOHANG, &job->usage);
    bool overdue = false;
    if (ended == 0) {
        if (micros_between(&job->started, now) < (long long)kDecodeWallSeconds * 1000000)
            return kDecodeRunning;
        kill(job->pid, SIGKILL);
        ended = wait4(job->pid, &status, 0, &job->usage);
        overdue = true;
    }
    bool done = !overdue && ended == job->pid && WIFEXITED(status) &&
                WEXITSTATUS(status) == 0 && decode_result_read(job->out, kDecodedMax, file) == 0;
    finish(job, now);
    return done ? kDecodeDone : kDecodeFailed;
}

void decode_abandon(DecodeJob *job) {
    if (job->pid <= 0) return;
    kill(job->pid, SIGKILL);
    while (wait4(job->pid, nullptr, 0, &job->usage) < 0 && errno == EINTR) {
    }
    timeval now;
    gettimeofday(&now, nullptr);
    finish(job, &now);
}

bool decode_running(const DecodeJob *job) { return job->pid > 0; }

bool decoder_path(char *path, size_t size) {
    char self[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return false;
    self[n] = '\0';
    char *slash = std::strrchr(self, '/');
    if (!slash) return false;
    *slash = '\0';
    for (const char *place : {"/tavisk-decode", "/../libexec/tavisk/tavisk-decode"}) {
        int written = std::snprintf(path, size, "%s%s", self, place);
        if (written > 0 && size_t(written) < size && access(path, X_OK) == 0) return true;
    }
    return false;
}
