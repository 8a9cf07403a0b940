#include "decode/file_decoder.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "decode/archive_reader.h"
#include "decode/decode_result.h"
#include "decode/file_kind.h"
#include "snapshot/snapshot_files.h"
#include "tape/library_errors.h"
#include "tape/tape_file.h"

namespace {

constexpr uint8_t kHaltOpcode = 0x76;

using Bytes = std::vector<uint8_t>;  // the data, then kLibrarySpare zero bytes

int refuse(int fd, DecodeOutcome outcome, const char *name, const char *reason = "",
           int error = 0) {
    DecodeHeader h;
    decode_header(&h, outcome, name);
    h.error = error;
    std::snprintf(h.reason, sizeof h.reason, "%s", reason);
    return decode_result_write(fd, &h, nullptr, 0);
}

// The library's reason when it found the file damaged, else the plain refusal.
int refuse_by_library(int fd, DecodeOutcome outcome, const char *name) {
    if (library_error() == LIBSPECTRUM_ERROR_CORRUPT)
        return refuse(fd, kRefusedUnreadable, name, library_reason());
    return refuse(fd, outcome, name);
}

void release(Bytes *bytes) { Bytes().swap(*bytes); }

// A .wav is read by the audio library from a file, not from the buffer: one that came out
// of an archive is put in a file of memory for it. The path to give the library, or "".
void wav_file(const Bytes &bytes, size_t size, char *path, size_t path_size) {
    path[0] = '\0';
    int fd = memfd_create("tape.wav", 0);
    if (fd < 0) return;
    size_t done = 0;
    while (done < size) {
        ssize_t put = write(fd, bytes.data() + done, size - done);
        if (put <= 0) return;
        done += size_t(put);
    }
    std::snprintf(path, path_size, "/proc/self/fd/%d", fd);
}

// The library writes a pause block it read from a file (which sets no level) as a pure tone
// of one pulse, its length cut to 16 bits, and a pause of 0 ms, which stops the tape, as a
// tone of no length. Given the low level that the format's pause ends on, it writes the
// format's own pause block, which reads back as the pause it was.
void keep_pauses(libspectrum_tape *tape) {
    libspectrum_tape_iterator it;
    for (auto *b = libspectrum_tape_iterator_init(&it, tape); b;
         b = libspectrum_tape_iterator_next(&it))
        if (libspectrum_tape_block_type(b) == LIBSPECTRUM_TAPE_BLOCK_PAUSE &&
            libspectrum_tape_block_level(b) < 0)
            libspectrum_tape_block_set_level(b, 0);
}

// The tape as the TZX image the library writes of what it read.
int decode_tape(int fd, const char *name, Bytes *bytes, size_t size, const char *path,
                bool archived) {
    libspectrum_id_t type = LIBSPECTRUM_ID_UNKNOWN;
    libspectrum_class_t cls = LIBSPECTRUM_CLASS_UNKNOWN;
    if (libspectrum_identify_file_with_class(&type, &cls, name, bytes->data(), size) !=
            LIBSPECTRUM_ERROR_NONE ||
        cls != LIBSPECTRUM_CLASS_TAPE)
        return refuse(fd, kRefusedNotTape, name);
    // The library reads the name as well as the bytes: an archive's name would send it
    // unpacking again.
    const char *file = name;
    char wav_path[64];
    if (type == LIBSPECTRUM_ID_TAPE_WAV) {
        if (archived) wav_file(*bytes, size, wav_path, sizeof wav_path);
        file = archived ? wav_path : path;
    }
    libspectrum_tape *tape = libspectrum_tape_alloc();
    libspectrum_error read = libspectrum_tape_read(tape, bytes->data(), size, type, file);
    release(bytes);
    if (read != LIBSPECTRUM_ERROR_NONE || !libspectrum_tape_present(tape)) {
        libspectrum_tape_free(tape);
        return refuse_by_library(fd, kRefusedNotTape, name);
    }
    keep_pauses(tape);
    libspectrum_byte *tzx = nullptr;
    size_t length = 0;
    libspectrum_error written = libspectrum_tape_write(&tzx, &length, tape, LIBSPECTRUM_ID_TAPE_TZX);
    libspectrum_tape_free(tape);
    if (written != LIBSPECTRUM_ERROR_NONE) {
        libspectrum_free(tzx);
        return refuse(fd, kRefusedUnreadable, name, library_reason());
    }
    DecodeHeader h;
    decode_header(&h, kDecodedTape, name);
    h.file_size = size;
    int error = decode_result_write(fd, &h, tzx, length);
    libspectrum_free(tzx);
    return error;
}

// The record handed back for a snapshot (48 KB: not on the stack).
SnapshotState state;

// The machine of a 48K snapshot as the record the program takes; false when a RAM page is
// missing.
bool snapshot_state(libspectrum_snap *snap) {
    SnapshotState &s = state;
    // RAM pages 5, 2 and 0 lie at 0x4000, 0x8000 and 0xC000 of a 48K machine.
    const int pages[3] = {5, 2, 0};
    for (int k = 0; k < 3; k++) {
        const libspectrum_byte *page = libspectrum_snap_pages(snap, pages[k]);
        if (!page) return false;
        std::memcpy(s.ram + 0x4000 * k, page, 0x4000);
    }
    auto pair = [](libspectrum_word w, uint8_t *high, uint8_t *low) {
        *high = uint8_t(w >> 8), *low = uint8_t(w);
    };
    s.a = libspectrum_snap_a(snap), s.f = libspectrum_snap_f(snap);
    pair(libspectrum_snap_bc(snap), &s.b, &s.c);
    pair(libspectrum_snap_de(snap), &s.d, &s.e);
    pair(libspectrum_snap_hl(snap), &s.h, &s.l);
    s.alta = libspectrum_snap_a_(snap), s.altf = libspectrum_snap_f_(snap);
    pair(libspectrum_snap_bc_(snap), &s.altb, &s.altc);
    pair(libspectrum_snap_de_(snap), &s.altd, &s.alte);
    pair(libspectrum_snap_hl_(snap), &s.alth, &s.altl);
    s.ix = libspectrum_snap_ix(snap), s.iy = libspectrum_snap_iy(snap);
    s.i = libspectrum_snap_i(snap), s.r = libspectrum_snap_r(snap);
    s.sp = libspectrum_snap_sp(snap), s.pc = libspectrum_snap_pc(snap);
    s.iff1 = libspectrum_snap_iff1(snap) ? 1 : 0, s.iff2 = libspectrum_snap_iff2(snap) ? 1 : 0;
    s.im = libspectrum_snap_im(snap);
    s.border = libspectrum_snap_out_ula(snap) & 7;
    // The machine waits in a HALT by executing it again, so PC must stand on it; formats
    // that mark a halted processor may have PC just past it.
    auto at = [&](uint16_t a) { return a >= 0x4000 ? s.ram[a - 0x4000] : 0; };
    if (libspectrum_snap_halted(snap) && at(s.pc) != kHaltOpcode &&
        at(uint16_t(s.pc - 1)) == kHaltOpcode)
        s.pc = uint16_t(s.pc - 1);
    return true;
}

// A 48K snapshot the library reads, as the plain record the machine takes.
int decode_snapshot(int fd, const char *name, const Bytes &bytes, size_t size) {
    libspectrum_id_t type = LIBSPECTRUM_ID_UNKNOWN;
    libspectrum_class_t cls = LIBSPECTRUM_CLASS_UNKNOWN;
    if (libspectrum_identify_file_with_class(&type, &cls, name, bytes.data(), size) !=
            LIBSPECTRUM_ERROR_NONE ||
        cls != LIBSPECTRUM_CLASS_SNAPSHOT)
        return refuse(fd, kRefusedNotSnapshot, name);
    libspectrum_snap *snap = libspectrum_snap_alloc();
    int outcome = kDecodedSnapshotState;
    if (libspectrum_snap_read(snap, bytes.data(), size, type, name) != LIBSPECTRUM_ERROR_NONE)
        outcome = kRefusedNotSnapshot;
    else if (libspectrum_snap_machine(snap) != LIBSPECTRUM_MACHINE_48)
        outcome = kRefusedNot48K;
    else if (!snapshot_state(snap))
        outcome = kRefusedNotSnapshot;
    libspectrum_snap_free(snap);
    if (outcome == kRefusedNotSnapshot) return refuse_by_library(fd, kRefusedNotSnapshot, name);
    if (outcome == kRefusedNot48K) return refuse(fd, kRefusedNot48K, name);
    DecodeHeader h;
    decode_header(&h, kDecodedSnapshotState, name);
    h.file_size = size;
    return decode_result_write(fd, &h, reinterpret_cast<const uint8_t *>(&state), sizeof state);
}

// A .z80 or .sna out of an archive goes back as it is, for the program's own loaders.
int hand_back_file(int fd, const char *name, const Bytes &bytes, size_t size) {
    DecodeHeader h;
    decode_header(&h, kDecodedSnapshotFile, name);
    h.file_size = size;
    return decode_result_write(fd, &h, bytes.data(), std::min(size, kSnapshotBufferSize));
}

}  // namespace

int decode_file(const char *path, int fd) {
    library_start();
    library_clear_error();
    char name[kDecodeNameSize];
    std::snprintf(name, sizeof name, "%s", base_name(path));
    FileKind kind = file_kind(path);
    Bytes bytes;
    int error = tape_file_read(path, &bytes);
    if (error != 0) return refuse(fd, kRefusedUnreadable, name, "", error);
    size_t size = bytes.size();
    bytes.resize(size + kLibrarySpare, 0);
    bool archived = kind == kFileZip || kind == kFileGzip || kind == kFileBzip2;
    if (archived) {
        static UnpackedFile inner;
        UnpackResult unpacked = unpack_archive(kind, name, bytes.data(), size, &inner);
        release(&bytes);
        if (unpacked == kUnpackedNothing) return refuse(fd, kRefusedNothingInside, name);
        if (unpacked == kUnpackFailed) return refuse(fd, kRefusedUnreadable, name, inner.reason);
        std::snprintf(name, sizeof name, "%s", inner.name);
        size = inner.size();
        bytes.swap(inner.bytes);
        kind = file_kind(name);
    }
    switch (kind) {
        case kFileTape: return decode_tape(fd, name, &bytes, size, path, archived);
        case kFileLibrary: return decode_snapshot(fd, name, bytes, size);
        case kFileZ80:
        case kFileSna: return hand_back_file(fd, name, bytes, size);
        default: return refuse(fd, kRefusedNotSnapshot, name);
    }
}
