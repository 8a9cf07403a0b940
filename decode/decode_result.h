// What the decoder hands back, through a file the program made: a header, then a payload
// whose meaning the outcome gives. The program checks the record whole before using it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "snapshot/snapshot_state.h"
#include "tape/tape_file.h"

// The largest file the decoder reads (tape_file_read's bound), and the largest file an
// archive may unpack to.
constexpr size_t kDecodeInputMax = kTapeFileMax;
// Zero bytes after every buffer handed to a library: a reader that runs a little past the
// end of its data (libspectrum's CSW reader does, by up to 58 bytes) reads zeros.
constexpr size_t kLibrarySpare = 256;
// A name as a folder holds it and the NUL; a library's reason for a refusal.
constexpr size_t kDecodeNameSize = 256;
constexpr size_t kDecodeReasonSize = 128;

enum DecodeOutcome : int32_t {
    kDecodedTape = 1,       // payload: the tape as a TZX image
    kDecodedSnapshotFile,   // payload: a .z80 or .sna file's first bytes; file_size: its size
    kDecodedSnapshotState,  // payload: a SnapshotState
    kRefusedNotTape,        // not a tape the library reads
    kRefusedNotSnapshot,    // not a snapshot the library reads
    kRefusedNot48K,         // a snapshot of another machine
    kRefusedNothingInside,  // an archive without a tape or snapshot
    kRefusedUnreadable,     // reason says why
};

struct DecodeHeader {
    char magic[8];
    int32_t outcome;
    int32_t error;          // kRefusedUnreadable: an error number, or 0 when reason says it
    uint64_t file_size;     // the decoded file's size
    uint64_t payload_size;  // bytes after the header
    char name[kDecodeNameSize];  // base name of the file decoded (inside an archive, its own)
    char reason[kDecodeReasonSize];
};

struct DecodedFile {
    DecodeHeader header;
    std::vector<uint8_t> payload;  // payload_size bytes, then kLibrarySpare zero bytes
    const uint8_t *data() const { return payload.data(); }
    size_t size() const { return payload.size() - kLibrarySpare; }
};

// The header's magic and fields set for outcome, the name copied (cut to fit).
void decode_header(DecodeHeader *h, DecodeOutcome outcome, const char *name);

// Writes the header and payload to fd from its start. 0, or an error number.
int decode_result_write(int fd, const DecodeHeader *h, const uint8_t *payload, size_t size);

// Reads the record at fd's start into file and checks it whole: the magic, a known outcome,
// the name and reason terminated, a name with no slash, and the payload's size as the
// outcome needs (at most max_payload bytes). 0, or -1 for anything else.
int decode_result_read(int fd, size_t max_payload, DecodedFile *file);
