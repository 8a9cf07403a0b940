#include "snapshot/sna_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "machine/machine.h"

namespace {

constexpr uint8_t kIffBit = 0x04;  // byte 19

void build_header(const Machine *m, uint8_t *h) {
    uint16_t sp = uint16_t(m->sp - 2);  // where the PC is pushed for the write
    h[0] = m->i;
    h[1] = m->altl;
    h[2] = m->alth;
    h[3] = m->alte;
    h[4] = m->altd;
    h[5] = m->altc;
    h[6] = m->altb;
    h[7] = m->altf;
    h[8] = m->alta;
    h[9] = m->l;
    h[10] = m->h;
    h[11] = m->e;
    h[12] = m->d;
    h[13] = m->c;
    h[14] = m->b;
    h[15] = uint8_t(m->iy);
    h[16] = uint8_t(m->iy >> 8);
    h[17] = uint8_t(m->ix);
    h[18] = uint8_t(m->ix >> 8);
    h[19] = m->iff1 ? kIffBit : 0;
    h[20] = m->r;
    h[21] = m->f;
    h[22] = m->a;
    h[23] = uint8_t(sp);
    h[24] = uint8_t(sp >> 8);
    h[25] = m->im;
    h[26] = m->portfe & 7;
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

// Creates a fresh file beside path, so that the final rename stays within one file system.
int create_temporary(const char *path, char *name, size_t size) {
    const char *slash = std::strrchr(path, '/');
    int dir = slash ? int(slash - path + 1) : 0;
    static unsigned serial;
    for (int attempt = 0; attempt < 100; attempt++) {
        int n =
            std::snprintf(name, size, "%.*s.tavisk-%d-%u.tmp", dir, path, int(getpid()), serial++);
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

// Replaces the file at path whole, through a temporary file renamed over it, so that a
// failure at any point leaves the previous file as it was. Returns 0, or -1 with *reason.
int write_file(const char *path, const uint8_t *header, const uint8_t *ram, const char **reason) {
    // Through a symbolic link, the file it names is the one replaced.
    char resolved[PATH_MAX];
    struct stat st;
    if (lstat(path, &st) == 0 && S_ISLNK(st.st_mode) && realpath(path, resolved)) path = resolved;
    bool exists = stat(path, &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        *reason = S_ISDIR(st.st_mode) ? std::strerror(EISDIR) : "Not a regular file";
        return -1;
    }
    // A file the user may not write stays as it is, as it would with a plain overwrite.
    if (exists && access(path, W_OK) != 0) {
        *reason = std::strerror(errno);
        return -1;
    }
    char name[PATH_MAX + 64];
    int fd = create_temporary(path, name, sizeof name);
    if (fd < 0) {
        *reason = std::strerror(errno);
        return -1;
    }
    bool failed = set_mode(fd, exists ? &st : nullptr) != 0 ||
                  write_all(fd, header, kSnaHeaderSize) != 0 || write_all(fd, ram, kRamSize) != 0 ||
                  fsync(fd) != 0;
    int error = errno;
    if (close(fd) != 0 && !failed) {
        failed = true;
        error = errno;
    }
    if (!failed && rename(name, path) != 0) {
        failed = true;
        error = errno;
    }
    if (failed) {
        unlink(name);
        *reason = std::strerror(error);
        return -1;
    }
    return 0;
}

}  // namespace

int load_sna(Machine *m, const uint8_t *b, size_t count) {
    if (count < kSnaFileSize) return -1;
    std::memcpy(m->ram, b + kSnaHeaderSize, kRamSize);
    m->i = b[0];
    m->altl = b[1];
    m->alth = b[2];
    m->alte = b[3];
    m->altd = b[4];
    m->altc = b[5];
    m->altb = b[6];
    m->altf = b[7];
    m->alta = b[8];
    m->l = b[9];
    m->h = b[10];
    m->e = b[11];
    m->d = b[12];
    m->c = b[13];
    m->b = b[14];
    m->iy = uint16_t(b[15] | b[16] << 8);
    m->ix = uint16_t(b[17] | b[18] << 8);
    m->iff1 = m->iff2 = (b[19] & kIffBit) ? 1 : 0;
    m->r = b[20];
    m->f = b[21];
    m->a = b[22];
    m->sp = uint16_t(b[23] | b[24] << 8);
    m->im = b[25];
    m->portfe = uint8_t((m->portfe & ~7) | (b[26] & 7));
    m->pc = memory_read16(m->rom, m->sp);
    m->sp = uint16_t(m->sp + 2);
    return 0;
}

int save_sna(Machine *m, const char *path) {
    uint8_t header[kSnaHeaderSize];
    build_header(m, header);
    uint16_t sp = uint16_t(m->sp - 2);
    // The processor's own rules: a stack at the ROM's edge loses what a PUSH would lose.
    uint8_t kept[2] = {memory_read(m->rom, sp), memory_read(m->rom, uint16_t(sp + 1))};
    memory_write16(m->rom, sp, m->pc);
    const char *reason = nullptr;
    int result = write_file(path, header, m->ram, &reason);
    memory_write(m->rom, sp, kept[0]);
    memory_write(m->rom, uint16_t(sp + 1), kept[1]);
    if (result != 0) std::fprintf(stderr, "Couldn't save %s: %s\n", path, reason);
    return result;
}
