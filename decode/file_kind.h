// What a file is, by its name: the name alone decides how a file is opened.
#pragma once

#include <cstdint>

enum FileKind : uint8_t {
    kFileOther,     // any other name: opened as a .sna file
    kFileSna,       // ends in .sna
    kFileZ80,       // contains ".z80" or ".Z80" anywhere, directories included
    kFileTape,      // .tap .tzx .pzx .csw .wav .spc .sta .ltp
    kFileLibrary,   // the snapshots libspectrum reads: .szx .sp .snp .zxs .mgtsnp
    kFileZip,       // .zip
    kFileGzip,      // .gz
    kFileBzip2,     // .bz2
};

// The kind of the file at path (a base name will do). Endings are of the base name and in
// any letter case; an archive's ending counts first, then a tape's and a library snapshot's,
// then ".z80" anywhere in the path, then the .sna ending.
FileKind file_kind(const char *path);

// Kinds read in the decoder, a bounded process of its own: everything but .z80 and .sna
// files, which the program's own loaders read.
bool decoded_kind(FileKind kind);

// Kinds an archive may hold to be opened: tapes and snapshots named as such.
bool loadable_member(FileKind kind);

// The last component of path.
const char *base_name(const char *path);
