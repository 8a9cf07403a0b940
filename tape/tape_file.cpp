#include "tape/tape_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int tape_file_read(const char *path, std::vector<uint8_t> *data) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return errno;
    struct stat st;
    int err = 0;
    if (fstat(fd, &st) != 0)
        err = errno;
    else if (S_ISDIR(st.st_mode))
        err = EISDIR;
    else if (!S_ISREG(st.st_mode))
        err = ENODEV;
    else if (uint64_t(st.st_size) > kTapeFileMax)
        err = EFBIG;
    if (err == 0) {
        data->resize(size_t(st.st_size));
        size_t got = 0;
        while (got < data->size()) {
            ssize_t n = read(fd, data->data() + got, data->size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                err = errno;
                break;
            }
            if (n == 0) break;  // the file shrank while we read it: keep what is there
            got += size_t(n);
        }
        data->resize(got);
    }
    close(fd);
    return err;
}
