#include "snapshot/sna_file.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <set>

#include "snapshot/snapshot_files.h"
#include "tests/snapshot/snapshot_fixture.h"

namespace {

uint8_t ram_pattern(int address) { return uint8_t((address * 13 + 5) ^ (address >> 8)); }

Machine *patterned_machine() {
    Machine *m = fresh_machine();
    for (int a = 0x4000; a <= 0xFFFF; a++) m->ram[a - 0x4000] = ram_pattern(a);
    set_regs(m, kSampleRegs);
    return m;
}

std::set<std::string> names_in(const std::string &dir) {
    std::set<std::string> names;
    for (const auto &e : std::filesystem::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

mode_t mode_of(const std::string &path) {
    struct stat st;
    EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

TEST(SnaFile, SaveThenLoadRestoresTheMachine) {
    struct Case {
        const char *name;
        uint16_t sp;
        uint8_t iff1, iff2;
        uint16_t loaded_pc;  // PC as popped back: from ROM where the push could not land
    };
    const Case cases[] = {
        {"stack_in_ram", 0x8000, 1, 0, 0x9ABC},
        {"lowest_full_push", 0x4002, 0, 1, 0x9ABC},
        {"push_wraps_to_fffe", 0x0000, 1, 1, 0x9ABC},
        {"push_at_ffff_loses_high_byte", 0x0001, 0, 0, uint16_t(0xBC | rom_byte(0) << 8)},
        {"push_at_3fff_discarded", 0x4001, 1, 1,
         uint16_t(rom_byte(0x3FFF) | ram_pattern(0x4000) << 8)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        std::string path = dir / "game.sna";
        Machine *m = patterned_machine();
        m->sp = c.sp, m->iff1 = c.iff1, m->iff2 = c.iff2;
        Regs regs = regs_of(m);
        Bytes ram = ram_of(m);
        ASSERT_EQ(save_sna(m, path.c_str()), 0);
        EXPECT_EQ(regs_of(m), regs);
        EXPECT_TRUE(ram_of(m) == ram) << "the push was not undone";

        Bytes file = read_bytes(path);
        ASSERT_EQ(file.size(), 49179u);
        uint16_t stacked = uint16_t(c.sp - 2);
        EXPECT_EQ(file[23] | file[24] << 8, stacked);
        EXPECT_EQ(file[19], c.iff1 * 4);
        EXPECT_EQ(file[26], regs.portfe & 7);
        // The file's RAM is the machine's with PC written where the push landed.
        Bytes expect_ram = ram;
        if (stacked >= 0x4000) expect_ram[stacked - 0x4000] = 0xBC;
        if (stacked >= 0x4000 && stacked != 0xFFFF) expect_ram[stacked - 0x4000 + 1] = 0x9A;
        EXPECT_TRUE(Bytes(file.begin() + 27, file.end()) == expect_ram);

        m = fresh_machine(0x00);
        char message[kSnapshotMessageSize];
        ASSERT_EQ(load_snapshot(m, path.c_str(), message, sizeof message), kLoaded);
        Regs want = regs;
        want.iff2 = c.iff1;
        want.portfe = 0xF8 | (regs.portfe & 7);
        want.pc = c.loaded_pc;
        EXPECT_EQ(regs_of(m), want);
        EXPECT_TRUE(ram_of(m) == expect_ram);
    }
}

TEST(SnaFile, LoadPopsPcAndReadsFlags) {
    struct Case {
        uint8_t byte19;
        uint16_t sp;
        uint8_t iff;
        uint16_t pc, sp_after;
    };
    const Case cases[] = {
        {0x04, 0x8000, 1, uint16_t(ram_pattern(0x8000) | ram_pattern(0x8001) << 8), 0x8002},
        {0xFB, 0xFFFE, 0, uint16_t(ram_pattern(0xFFFE) | ram_pattern(0xFFFF) << 8), 0x0000},
        {0xFF, 0xFFFF, 1, uint16_t(ram_pattern(0xFFFF) | rom_byte(0) << 8), 0x0001},
        {0x00, 0x3FFF, 0, uint16_t(rom_byte(0x3FFF) | ram_pattern(0x4000) << 8), 0x4001},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "byte19=" << int(c.byte19) << " sp=" << c.sp);
        Bytes file(49179);
        for (int a = 0x4000; a <= 0xFFFF; a++) file[27 + a - 0x4000] = ram_pattern(a);
        file[19] = c.byte19, file[23] = uint8_t(c.sp), file[24] = uint8_t(c.sp >> 8);
        file[25] = 0x05, file[26] = 0xFE;
        Machine *m = fresh_machine();
        m->portfe = 0xA0;
        Untouched before = untouched_of(m);
        ASSERT_EQ(load_sna(m, file.data(), file.size()), 0);
        EXPECT_EQ(m->iff1, c.iff);
        EXPECT_EQ(m->iff2, c.iff);
        EXPECT_EQ(m->pc, c.pc);
        EXPECT_EQ(m->sp, c.sp_after);
        EXPECT_EQ(m->im, 5) << "the mode byte is taken whole";
        EXPECT_EQ(m->portfe, 0xA6);
        EXPECT_TRUE(untouched_of(m) == before);
    }
}

TEST(SnaFile, ReplacesExistingFilesWhole) {
    TempDir dir;
    Machine *m = patterned_machine();
    Bytes expect_ram = ram_of(m);
    expect_ram[0x8000 - 2 - 0x4000] = 0xBC, expect_ram[0x8000 - 1 - 0x4000] = 0x9A;

    // A longer file is cut to the new length; its permissions stay.
    std::string longer = dir / "long.sna";
    write_bytes(longer, Bytes(100000, 0xAA));
    chmod(longer.c_str(), 0640);
    ASSERT_EQ(save_sna(m, longer.c_str()), 0);
    Bytes file = read_bytes(longer);
    ASSERT_EQ(file.size(), 49179u);
    EXPECT_TRUE(Bytes(file.begin() + 27, file.end()) == expect_ram);
    EXPECT_EQ(mode_of(longer), 0640u);

    // Through a symbolic link the linked file is replaced and the link stays.
    std::string link = dir / "link.sna";
    ASSERT_EQ(symlink("long.sna", link.c_str()), 0);
    m->a = 0x42;
    ASSERT_EQ(save_sna(m, link.c_str()), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(read_bytes(longer).at(22), 0x42);

    // New files are readable and writable by their owner even under a stingy umask.
    mode_t old_mask = umask(0377);
    std::string fresh = dir / "new.sna";
    int saved = save_sna(m, fresh.c_str());
    umask(022);
    std::string usual = dir / "usual.sna";
    EXPECT_EQ(save_sna(m, usual.c_str()), 0);
    umask(old_mask);
    ASSERT_EQ(saved, 0);
    EXPECT_EQ(mode_of(fresh), 0600u);
    EXPECT_EQ(mode_of(usual), 0644u);
    EXPECT_EQ(names_in(dir.path()),
              (std::set<std::string>{"long.sna", "link.sna", "new.sna", "usual.sna"}));
}

TEST(SnaFile, FailedSaveSaysWhyAndRestores) {
    struct Case {
        const char *name;
        std::function<std::string(const TempDir &)> target;  // prepares and names the target
        bool limit_size = false;
    };
    const Case cases[] = {
        {"missing_directory", [](const TempDir &d) { return d / "missing/x.sna"; }},
        {"parent_is_a_file",
         [](const TempDir &d) {
             write_bytes(d / "plain", {1});
             return d / "plain/x.sna";
         }},
        {"target_is_a_directory",
         [](const TempDir &d) {
             std::filesystem::create_directory(d / "d.sna");
             return d / "d.sna";
         }},
        {"read_only_directory",
         [](const TempDir &d) {
             std::filesystem::create_directory(d / "ro");
             chmod((d / "ro").c_str(), 0555);
             return d / "ro/x.sna";
         }},
        {"write_cut_short",
         [](const TempDir &d) {
             write_bytes(d / "old.sna", Bytes(49179, 0x77));
             return d / "old.sna";
         },
         true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        std::string path = c.target(dir);
        if (std::string(c.name) == "read_only_directory" && access((dir / "ro").c_str(), W_OK) == 0)
            continue;  // the superuser writes anyway: nothing to fail
        std::set<std::string> names = names_in(dir.path());
        Bytes old_file = read_bytes(dir / "old.sna");
        Machine *m = patterned_machine();
        Regs regs = regs_of(m);
        Bytes ram = ram_of(m);
        struct rlimit old_limit;
        getrlimit(RLIMIT_FSIZE, &old_limit);
        if (c.limit_size) {
            signal(SIGXFSZ, SIG_IGN);
            struct rlimit small = {4096, old_limit.rlim_max};
            setrlimit(RLIMIT_FSIZE, &small);
        }
        char message[kSnapshotMessageSize];
        int result = save_snapshot(m, path.c_str(), nullptr, message, sizeof message);
        setrlimit(RLIMIT_FSIZE, &old_limit);
        EXPECT_NE(result, 0);
        EXPECT_EQ(message, "Couldn't save " + path + ": " + std::strerror(result));
        EXPECT_EQ(regs_of(m), regs);
        EXPECT_TRUE(ram_of(m) == ram);
        EXPECT_EQ(names_in(dir.path()), names) << "a temporary file was left behind";
        EXPECT_TRUE(read_bytes(dir / "old.sna") == old_file) << "the previous file changed";
    }
}

}  // namespace
