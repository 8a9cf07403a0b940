#include "decode/decode_result.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "snapshot/snapshot_files.h"

namespace {

constexpr char kMagic[8] = {'T', 'A', 'V', 'D', 'E', 'C', '1', '\0'};

bool terminated(const char *text, size_t size) { return std::memchr(text, '\0', size) != nullptr; }

// The payload size each outcome allows.
bool payload_fits(const DecodeHeader &h, size_t max_payload) {
    switch (h.outcome) {
        case kDecodedTape: return h.payload_size > 0 && h.payload_size <= max_payload;
        case kDecodedSnapshotFile:
            return h.file_size <= kDecodeInputMax &&
                   h.payload_size == std::min<uint64_t>(h.file_size, kSnapshotBufferSize);
        case kDecodedSnapshotState: return h.payload_size == sizeof(SnapshotState);
        case kRefusedNotTape:
        case kRefusedNotSnapshot:
        case kRefusedNot48K:
        case kRefusedNothingInside:
        case kRefusedUnreadable: return h.payload_size == 0;
        default: return false;
    }
}

int read_at(int fd, uint8_t *to, size_t count, off_t at) {
    size_t done = 0;
    while (done < count) {
        ssize_t got = pread(fd, to + done, count - done, at + off_t(done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return -1;
        done += size_t(got);
    }
    return 0;
}

int write_all(int fd, const uint8_t *from, size_t count) {
    while (count > 0) {
        ssize_t put = write(fd, from, count);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return errno;
        from += put;
        count -= size_t(put);
    }
    return 0;
}

}  // namespace

void decode_header(DecodeHeader *h, DecodeOutcome outcome, const char *name) {
    std::memset(h, 0, sizeof *h);
    std::memcpy(h->magic, kMagic, sizeof kMagic);
    h->outcome = outcome;
    std::snprintf(h->name, sizeof h->name, "%s", name);
}

int decode_result_write(int fd, const DecodeHeader *h, const uint8_t *payload, size_t size) {
    DecodeHeader out = *h;
    out.payload_size = size;
    int error = write_all(fd, reinterpret_cast<const uint8_t *>(&out), sizeof out);
    return error != 0 ? error : write_all(fd, payload, size);
}

int decode_result_read(int fd, size_t max_payload, DecodedFile *file) {
    DecodeHeader &h = file->header;
    off_t end = lseek(fd, 0, SEEK_END);
    if (end < off_t(sizeof h) || read_at(fd, reinterpret_cast<uint8_t *>(&h), sizeof h, 0) != 0)
        return -1;
    if (std::memcmp(h.magic, kMagic, sizeof kMagic) != 0 || !terminated(h.name, sizeof h.name) ||
        !terminated(h.reason, sizeof h.reason) || !h.name[0] || std::strchr(h.name, '/') ||
        !payload_fits(h, max_payload) || uint64_t(end) - sizeof h != h.payload_size)
        return -1;
    file->payload.assign(h.payload_size + kLibrarySpare, 0);
    return read_at(fd, file->payload.data(), h.payload_size, sizeof h);
}
