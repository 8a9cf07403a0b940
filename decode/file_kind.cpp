#include "decode/file_kind.h"

#include <strings.h>

#include <cstring>

namespace {

struct Ending {
    const char *suffix;
    FileKind kind;
};

// The archives first: "game.tap.gz" is a gzip file holding "game.tap".
constexpr Ending kEndings[] = {
    {".zip", kFileZip},       {".gz", kFileGzip},      {".bz2", kFileBzip2},
    {".tap", kFileTape},      {".tzx", kFileTape},     {".pzx", kFileTape},
    {".csw", kFileTape},      {".wav", kFileTape},     {".spc", kFileTape},
    {".sta", kFileTape},      {".ltp", kFileTape},     {".szx", kFileLibrary},
    {".sp", kFileLibrary},    {".snp", kFileLibrary},  {".zxs", kFileLibrary},
    {".mgtsnp", kFileLibrary},
};

bool ends_with(const char *name, const char *suffix) {
    size_t n = std::strlen(name), k = std::strlen(suffix);
    return n >= k && strcasecmp(name + n - k, suffix) == 0;
}

}  // namespace

const char *base_name(const char *path) {
    const char *slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

FileKind file_kind(const char *path) {
    const char *name = base_name(path);
    for (const Ending &e : kEndings)
        if (ends_with(name, e.suffix)) return e.kind;
    // The .z80 loader's own rule: a plain substring test on the whole path.
    if (std::strstr(path, ".z80") || std::strstr(path, ".Z80")) return kFileZ80;
    return ends_with(name, ".sna") ? kFileSna : kFileOther;
}

bool decoded_kind(FileKind kind) {
    return kind == kFileTape || kind == kFileLibrary || kind == kFileZip || kind == kFileGzip ||
           kind == kFileBzip2;
}

bool loadable_member(FileKind kind) {
    return kind == kFileSna || kind == kFileZ80 || kind == kFileTape || kind == kFileLibrary;
}
