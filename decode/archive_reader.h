// The one file an archive is opened for, unpacked with bounded memory: a zip's first entry
// named as a tape or snapshot; a gzip or bzip2 file's contents, named as the archive less its
// ending ("game.tap.gz" holds "game.tap").
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "decode/decode_result.h"
#include "decode/file_kind.h"

enum UnpackResult {
    kUnpacked,          // name and bytes hold the file
    kUnpackedNothing,   // the archive holds no tape or snapshot
    kUnpackFailed,      // damaged, or the file unpacks to more than kDecodeInputMax bytes
};

struct UnpackedFile {
    char name[kDecodeNameSize];  // base name
    std::vector<uint8_t> bytes;  // the contents, then kLibrarySpare zero bytes
    char reason[kDecodeReasonSize];  // kUnpackFailed: why
    size_t size() const { return bytes.size() - kLibrarySpare; }
};

// Unpacks size bytes of data, an archive of kind (kFileZip, kFileGzip or kFileBzip2) named
// name (a base name).
UnpackResult unpack_archive(FileKind kind, const char *name, const uint8_t *data, size_t size,
                            UnpackedFile *out);
