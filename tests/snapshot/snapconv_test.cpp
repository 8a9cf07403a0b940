// Cross-checks against files written by another program: snapconv (from fuse-emulator-utils)
// converts the .sna files saved here to .z80 and back, and the results must load as the
// machine that was saved.
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>

#include "snapshot/sna_file.h"
#include "snapshot/snapshot_files.h"
#include "tests/snapshot/snapshot_fixture.h"

#ifndef TAVISK_SNAPCONV
#define TAVISK_SNAPCONV ""
#endif

namespace {

// RAM that exercises both compression and plain storage: a screen of runs and ED bytes, a
// page of noise that does not compress, and a page of ED runs, lone EDs and long runs.
void fill_ram(Machine *m) {
    uint32_t seed = 12345;
    for (int k = 0; k < 0x4000; k++) {
        int col = k % 64;
        m->ram[k] = col < 20 ? 0 : col < 23 ? 0xED : uint8_t(k * 7);
        seed = seed * 1103515245 + 12345;
        m->ram[0x4000 + k] = uint8_t(seed >> 16);
        int phase = k % 1000;
        m->ram[0x8000 + k] = phase < 5     ? 0xED
                             : phase < 7   ? uint8_t(phase)
                             : phase < 8   ? 0xED
                             : phase < 600 ? 0xFF
                                           : uint8_t(k >> 3);
    }
}

// Runs a command with its messages (snapconv warns of the fields .sna lacks) kept in log,
// which is shown when it fails.
int run(const std::string &command, const std::string &log) {
    int status = std::system((command + " 2>" + log).c_str());
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (code != 0) {
        Bytes text = read_bytes(log);
        ADD_FAILURE() << command << ": " << std::string(text.begin(), text.end());
    }
    return code;
}

bool has_raw_block(const Bytes &z80) {
    size_t at = 32 + (z80[30] | z80[31] << 8);
    for (int k = 0; k < 3 && at + 3 <= z80.size(); k++) {
        size_t n = z80[at] | z80[at + 1] << 8;
        if (n == 0xFFFF) return true;
        at += 3 + n;
    }
    return false;
}

TEST(Snapconv, ConvertedFilesLoadAsTheSavedMachine) {
    const std::string snapconv = TAVISK_SNAPCONV;
    ASSERT_FALSE(snapconv.empty())
        << "snapconv (Debian package fuse-emulator-utils) was not found when configuring";
    const struct {
        const char *flags;
        bool raw;  // expect a page stored uncompressed
    } cases[] = {{"", true}, {"-n", true}, {"-c", false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string("snapconv ") + c.flags);
        TempDir dir;
        Machine *m = fresh_machine();
        fill_ram(m);
        Regs regs = kSampleRegs;
        regs.iff2 = regs.iff1;  // .sna keeps one of them
        set_regs(m, regs);
        char message[kSnapshotMessageSize];
        std::string sna = dir / "saved.sna", z80 = dir / "converted.z80", back = dir / "back.sna";
        ASSERT_EQ(save_sna(m, sna.c_str()), 0);
        // snapconv reads RAM with PC pushed on the stack, as the file holds it.
        Bytes ram = ram_of(m);
        ram[regs.sp - 2 - 0x4000] = uint8_t(regs.pc), ram[regs.sp - 1 - 0x4000] = regs.pc >> 8;

        ASSERT_EQ(run(snapconv + " " + c.flags + " " + sna + " " + z80, dir / "log"), 0);
        Bytes z80_file = read_bytes(z80);
        ASSERT_GT(z80_file.size(), 32u);
        ASSERT_EQ(z80_file[6] | z80_file[7], 0) << "expected a version 2 or 3 file";
        EXPECT_EQ(has_raw_block(z80_file), c.raw);
        m = fresh_machine(0x00);
        ASSERT_EQ(load_snapshot(m, z80.c_str(), message, sizeof message), kLoaded)
            << message;
        Regs want = regs;
        want.r &= 0x80;  // the .z80 loader keeps only bit 7 of R
        want.portfe = 0xF8 | (regs.portfe & 7);
        EXPECT_EQ(regs_of(m), want);
        EXPECT_TRUE(ram_of(m) == ram);

        ASSERT_EQ(run(snapconv + " " + z80 + " " + back, dir / "log"), 0);
        m = fresh_machine(0x00);
        ASSERT_EQ(load_snapshot(m, back.c_str(), message, sizeof message), kLoaded)
            << message;
        want.r = regs.r;
        EXPECT_EQ(regs_of(m), want);
        EXPECT_TRUE(ram_of(m) == ram);
    }
}

// The 128K machine's .sna, and the .z80 that snapconv makes of it, are refused whole.
TEST(Snapconv, OtherMachinesFilesAreRefused) {
    const std::string snapconv = TAVISK_SNAPCONV;
    ASSERT_FALSE(snapconv.empty());
    TempDir dir;
    std::string sna = dir / "big.sna", z80 = dir / "big.z80";
    Bytes file(131103, 0);
    file[24] = 0x80;  // SP
    write_bytes(sna, file);
    ASSERT_EQ(run(snapconv + " " + sna + " " + z80, dir / "log"), 0);
    for (const std::string &path : {sna, z80}) {
        SCOPED_TRACE(path);
        Machine *m = fresh_machine(0x5A);
        Regs regs = regs_of(m);
        char message[kSnapshotMessageSize];
        EXPECT_EQ(load_snapshot(m, path.c_str(), message, sizeof message), kNot48K);
        EXPECT_EQ(std::string(message),
                  "Not a 48K snapshot: " + std::filesystem::path(path).filename().string());
        EXPECT_EQ(regs_of(m), regs);
        EXPECT_EQ(std::count(m->ram, m->ram + kRamSize, 0x5A), kRamSize);
    }
}

}  // namespace
