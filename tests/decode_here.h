// A file decoded as the decoder program does it, in this process and without its bounds:
// for the tests' and benchmarks' own files, which are known to be sound.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include "decode/decode_result.h"
#include "decode/file_decoder.h"

// 0 with the record in file; -1 when it could not be made or read back.
inline int decode_here(const char *path, DecodedFile *file) {
    int fd = memfd_create("decoded", MFD_CLOEXEC);
    if (fd < 0) return -1;
    int result = decode_file(path, fd) == 0 && decode_result_read(fd, 1u << 30, file) == 0 ? 0 : -1;
    close(fd);
    return result;
}
