// Every file a user has, decoded as the decoder does it: tapes come back as TZX images that
// play the same signal as the file the tools wrote, archives as the file they hold, and
// what cannot be read as the reason why.
#include "decode/file_decoder.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "decode/archive_reader.h"
#include "decode/decode_result.h"
#include "tests/decode/decode_rig.h"

namespace {

std::vector<uint64_t> file_signal(const std::string &path) {
    Bytes bytes = read_bytes(path);
    size_t size = bytes.size();
    bytes.resize(size + kLibrarySpare, 0);
    return signal_of(bytes.data(), size, LIBSPECTRUM_ID_UNKNOWN, path.c_str());
}

TEST(FileDecoder, TapesAndArchivesComeBackAsTheFileTheyHold) {
    struct Case {
        const char *file;
        const char *inner;     // the name handed back
        const char *original;  // the tape whose signal it must play
        // A CSW recording written as a TZX direct recording changes level at the same
        // T-states but for the first edge (its starting level) and the end-of-tape edge.
        bool recording = false;
    } cases[] = {
        {"game.tap", "game.tap", "game.tap"},
        {"game.tzx", "game.tzx", "game.tzx"},
        {"game.csw", "game.csw", "game.csw", true},
        {"game.wav", "game.wav", "game.wav"},
        {"game.tap.gz", "game.tap", "game.tap"},
        {"GAME.TZX.BZ2", "GAME.TZX", "game.tzx"},
        // readme.txt comes first in it, then game.tzx, then game.tap
        {"game_tzx.zip", "game.tzx", "game.tzx"},
        // the audio library rereads a .wav from a file, not from memory
        {"wav.zip", "game.wav", "game.wav"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        DecodedFile file;
        ASSERT_EQ(decode_here(decode_file_path(c.file).c_str(), &file), 0);
        EXPECT_EQ(file.header.outcome, kDecodedTape) << file.header.reason;
        EXPECT_STREQ(file.header.name, c.inner);
        std::vector<uint64_t> want = file_signal(decode_file_path(c.original));
        std::vector<uint64_t> got =
            signal_of(file.data(), file.size(), LIBSPECTRUM_ID_TAPE_TZX, nullptr);
        ASSERT_GT(want.size(), 1000u);
        if (c.recording) want = std::vector<uint64_t>(want.begin() + 1, want.end() - 1);
        EXPECT_TRUE(got == want) << "the decoded tape plays another signal";
    }
}

// A .z80 out of an archive goes back whole to the program's own loader, which judges it.
TEST(FileDecoder, SnapshotFilesInArchivesComeBackAsTheyAre) {
    DecodedFile file;
    ASSERT_EQ(decode_here(decode_file_path("z80_128k.zip").c_str(), &file), 0);
    EXPECT_EQ(file.header.outcome, kDecodedSnapshotFile);
    EXPECT_STREQ(file.header.name, "big128.z80");
    Bytes z80 = read_bytes(decode_file_path("big128.z80"));
    ASSERT_GT(z80.size(), 30u);
    EXPECT_EQ(file.header.file_size, z80.size());
    EXPECT_TRUE(Bytes(file.data(), file.data() + file.size()) == z80);
}

TEST(FileDecoder, RefusalsSayWhatTheFileIsNot) {
    ScratchDir dir;
    Bytes tap = read_bytes(decode_file_path("game.tap"));
    Bytes tzx = read_bytes(decode_file_path("game.tzx"));
    ASSERT_GT(tzx.size(), 20u);
    write_bytes(dir / "short.tap", Bytes(tap.begin(), tap.begin() + 5));
    write_bytes(dir / "cut.tzx", Bytes(tzx.begin(), tzx.begin() + 14));
    Bytes noise(200);
    for (size_t i = 0; i < noise.size(); i++) noise[i] = uint8_t(i * 151 + 17);
    write_bytes(dir / "noise.tzx", noise);
    write_bytes(dir / "noise.szx", noise);
    write_bytes(dir / "empty.tap", {});
    write_bytes(dir / "plain.tap.gz", tap);
    write_bytes(dir / "readme.gz", read_bytes(decode_file_path("game.tap.gz")));
    ASSERT_EQ(mkdir((dir / "folder.tap").c_str(), 0755), 0);
    ASSERT_EQ(mkfifo((dir / "pipe.tap").c_str(), 0644), 0);
    std::string big128 = dir / "big128.szx";
    ASSERT_EQ(std::system((std::string(SNAPCONV) + " " + decode_file_path("big128.z80") + " " +
                           big128 + " 2>/dev/null")
                              .c_str()),
              0);
    struct Case {
        std::string path;
        DecodeOutcome outcome;
        int error;        // the system's reason, for kRefusedUnreadable
        bool reason;      // a reason of the library's or the archive reader's
    } cases[] = {
        {dir / "missing.tap", kRefusedUnreadable, ENOENT, false},
        {dir / "folder.tap", kRefusedUnreadable, EISDIR, false},
        {dir / "pipe.tap", kRefusedUnreadable, ENODEV, false},  // and never waited for
        {dir / "short.tap", kRefusedUnreadable, 0, true},
        {dir / "cut.tzx", kRefusedUnreadable, 0, true},
        {dir / "noise.tzx", kRefusedNotTape, 0, false},
        {dir / "empty.tap", kRefusedNotTape, 0, false},
        {dir / "noise.szx", kRefusedNotSnapshot, 0, false},
        {big128, kRefusedNot48K, 0, false},
        {dir / "plain.tap.gz", kRefusedUnreadable, 0, true},
        {dir / "readme.gz", kRefusedNothingInside, 0, false},
        {decode_file_path("no_tape.zip"), kRefusedNothingInside, 0, false},
        {decode_file_path("zip_of_zip.zip"), kRefusedNothingInside, 0, false},
        {decode_file_path("truncated.zip"), kRefusedUnreadable, 0, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        DecodedFile file;
        ASSERT_EQ(decode_here(c.path.c_str(), &file), 0);
        EXPECT_EQ(file.header.outcome, c.outcome) << file.header.reason;
        EXPECT_EQ(file.header.error, c.error);
        EXPECT_EQ(file.header.reason[0] != '\0', c.reason) << file.header.reason;
        EXPECT_EQ(file.size(), 0u);
    }
}

// The file an archive holds (its name and bytes are checked through the decoder above), then
// the zero bytes a library may read into; an archive that unpacks past the bound is refused
// before it takes the memory.
TEST(FileDecoder, ArchivesUnpackWithinTheirBound) {
    struct Case {
        const char *file;
        FileKind kind;
        const char *original;  // the file it holds; nullptr: refused
    } cases[] = {
        {"game.tap.gz", kFileGzip, "game.tap"},
        {"GAME.TZX.BZ2", kFileBzip2, "game.tzx"},
        {"game_tzx.zip", kFileZip, "game.tzx"},
        {"bomb.tap", kFileGzip, nullptr},  // 512 MB of zeros, gzipped
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        Bytes archive = read_bytes(decode_file_path(c.file));
        ASSERT_FALSE(archive.empty());
        static UnpackedFile out;
        // Named as an archive of a tape, whatever its own name.
        const char *name = c.original ? c.file : "bomb.tap.gz";
        UnpackResult result = unpack_archive(c.kind, name, archive.data(), archive.size(), &out);
        if (!c.original) {
            EXPECT_EQ(result, kUnpackFailed);
            EXPECT_STREQ(out.reason, "too large or malformed");
            EXPECT_LE(out.bytes.capacity(), kDecodeInputMax + 1 + kLibrarySpare);
            continue;
        }
        ASSERT_EQ(result, kUnpacked) << out.reason;
        Bytes want = read_bytes(decode_file_path(c.original));
        ASSERT_EQ(out.size(), want.size());
        ASSERT_EQ(out.bytes.size(), want.size() + kLibrarySpare);
        EXPECT_TRUE(std::all_of(out.bytes.begin() + long(want.size()), out.bytes.end(),
                                [](uint8_t b) { return b == 0; }));
    }
}

}  // namespace
