// What the decoder tests share: their files, a folder of their own, and a tape's signal as
// the library plays it, the oracle a decoded tape is held to.
#pragma once

#include <gtest/gtest.h>
#include <libspectrum.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tape/library_errors.h"
#include "tests/decode_here.h"

using Bytes = std::vector<uint8_t>;

inline std::string decode_file_path(const std::string &name) {
    return std::string(DECODE_FILES) + "/" + name;
}

inline Bytes read_bytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void write_bytes(const std::string &path, const Bytes &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
}

struct ScratchDir {
    std::string path;
    ScratchDir() {
        char name[] = "/tmp/tavisk-decode-XXXXXX";
        path = mkdtemp(name) ? name : "";
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string operator/(const std::string &name) const { return path + "/" + name; }
};

// The T-states from the tape's start at which its level changes, the whole tape through:
// edges at the same T-state change it once or not at all, and an edge that sets the level it
// already has changes nothing.
inline std::vector<uint64_t> tape_signal(libspectrum_tape *tape) {
    std::vector<uint64_t> changes;
    uint64_t t = 0;
    int level = 0;
    for (int flags = 0; !(flags & LIBSPECTRUM_TAPE_FLAGS_TAPE);) {
        libspectrum_dword delay;
        if (libspectrum_tape_get_next_edge(&delay, &flags, tape) != LIBSPECTRUM_ERROR_NONE) break;
        t += delay;
        if (flags & LIBSPECTRUM_TAPE_FLAGS_NO_EDGE) continue;
        int next = flags & LIBSPECTRUM_TAPE_FLAGS_LEVEL_LOW    ? 0
                   : flags & LIBSPECTRUM_TAPE_FLAGS_LEVEL_HIGH ? 1
                                                               : level ^ 1;
        if (next == level) continue;
        level = next;
        if (!changes.empty() && changes.back() == t)
            changes.pop_back();  // two flips at one T-state
        else
            changes.push_back(t);
    }
    return changes;
}

// The signal of size bytes at data, read by the library as type (from a file at path when
// the library rereads it, as for .wav).
inline std::vector<uint64_t> signal_of(const uint8_t *data, size_t size, libspectrum_id_t type,
                                       const char *path) {
    library_start();
    libspectrum_tape *tape = libspectrum_tape_alloc();
    std::vector<uint64_t> changes;
    if (libspectrum_tape_read(tape, data, size, type, path) == LIBSPECTRUM_ERROR_NONE)
        changes = tape_signal(tape);
    libspectrum_tape_free(tape);
    return changes;
}
