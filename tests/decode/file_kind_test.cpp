// What a name says a file is: the one rule the program and the decoder both open files by.
#include "decode/file_kind.h"

#include <gtest/gtest.h>

namespace {

TEST(FileKind, TheNameDecides) {
    struct Case {
        const char *path;
        FileKind kind;
    } cases[] = {
        {"game.tap", kFileTape},           {"GAME.TZX", kFileTape},
        {"/a/b/Level.PzX", kFileTape},     {"rec.csw", kFileTape},
        {"rec.Wav", kFileTape},            {"old.spc", kFileTape},
        {"game.szx", kFileLibrary},        {"GAME.SP", kFileLibrary},
        {"game.snp", kFileLibrary},        {"game.zxs", kFileLibrary},
        {"game.sna", kFileSna},            {"GAME.SNA", kFileSna},
        {"game.z80", kFileZ80},            {"game.tap.z80", kFileZ80},
        {"/games/x.Z80/readme", kFileZ80}, {"dir.z80/game.sna", kFileZ80},
        {"x.Z80/game.tap", kFileTape},     {"game.z8", kFileOther},
        {"tap", kFileOther},               {"dir.tap/game.sna", kFileSna},
        {"game.tapx", kFileOther},         {"", kFileOther},
        {"game.zip", kFileZip},            {"game.z80.ZIP", kFileZip},
        {"game.tap.gz", kFileGzip},        {"GAME.TZX.GZ", kFileGzip},
        {"game.tap.bz2", kFileBzip2},      {"game.tgz", kFileOther},
    };
    for (const Case &c : cases) EXPECT_EQ(file_kind(c.path), c.kind) << c.path;
}

}  // namespace
