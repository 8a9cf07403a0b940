#include "snapshot/snapshot_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <functional>

#include "input/options.h"
#include "snapshot/sna_file.h"
#include "tests/snapshot/snapshot_fixture.h"

namespace {

using Map = std::array<uint8_t, kHardwareKeys>;

// The profile maps as the key table lists them.
constexpr Map kDefaultMap = {0, 0, 22, 0, 0, 24, 1, 2, 3, 4, 5};
constexpr Map kPinballMap = {10, 48, 48, 48, 113, 112, 112, 113, 113, 112, 48};
constexpr Map kAticatacMap = {48, 50, 5, 122, 50, 48, 1, 2, 3, 4, 5};
constexpr Map kOtherMap = {9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9};  // matches no profile

Map map_of(const Options &o) {
    Map m;
    std::copy(o.keymap.keys, o.keymap.keys + kHardwareKeys, m.begin());
    return m;
}

void set_map(Options *o, const Map &m) { std::copy(m.begin(), m.end(), o->keymap.keys); }

// A .sna file whose byte 0 lands in I when read as .sna and in A when read as .z80 (as a
// version 1 file, PC 0x0303).
Bytes marker_file(uint8_t marker) {
    Bytes f(kSnaFileSize, 0x03);
    f[0] = marker;
    return f;
}

enum Loader { kSna, kZ80 };

TEST(SnapshotFiles, ChoosesTheLoaderByName) {
    const struct {
        const char *path;
        Loader loader;
    } cases[] = {
        {"game.z80", kZ80},     {"GAME.Z80", kZ80}, {"x.Z80/readme", kZ80}, {"dir.z80/game", kZ80},
        {"game.z80.bak", kZ80}, {"game.sna", kSna}, {"GAME.SNA", kSna},     {"game", kSna},
        {"game.z8", kSna},      {"game.Z8O", kSna}, {"z80/game.tap", kSna},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        TempDir dir;
        std::string path = dir / c.path;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        write_bytes(path, marker_file(0xC3));
        Machine *m = fresh_machine();
        m->a = m->i = 0;
        Options options;
        options_defaults(&options);
        load_snapshot(m, path.c_str(), &options);
        EXPECT_EQ(m->i, c.loader == kSna ? 0xC3 : 0x03);
        EXPECT_EQ(m->a, c.loader == kZ80 ? 0xC3 : 0x03);
    }
}

TEST(SnapshotFiles, SelectsTheKeyProfileByBaseName) {
    const struct {
        std::vector<const char *> loads;  // in order
        Map want;
    } cases[] = {
        {{"aticatac.z80"}, kAticatacMap},
        {{"aticatac2.sna"}, kAticatacMap},
        {{"ATICATAC.Z80"}, kOtherMap},
        {{"pinball/manic.z80"}, kOtherMap},
        {{"default.sna"}, kDefaultMap},
        {{"games/pinball2.sna"}, kPinballMap},
        {{"pinball.z80", "manic.sna"}, kPinballMap},
        {{"pinball.z80", "missing/aticatac.sna"}, kPinballMap},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.loads.back());
        TempDir dir;
        Machine *m = fresh_machine();
        Options options;
        options_defaults(&options);
        set_map(&options, kOtherMap);
        for (const char *name : c.loads) {
            std::string path = dir / name;
            if (std::string(name).rfind("missing/", 0) != 0) {
                std::filesystem::create_directories(std::filesystem::path(path).parent_path());
                write_bytes(path, marker_file(0x01));
            }
            load_snapshot(m, path.c_str(), &options);
        }
        EXPECT_EQ(map_of(options), c.want);
    }
}

// What cannot be a snapshot of its kind leaves the machine and the key map as they were; the
// names all select the "pinball" profile, so a load shows in the key map.
TEST(SnapshotFiles, RefusesWhatCannotBeASnapshot) {
    Bytes v2_header = marker_file(0x01);
    v2_header[6] = v2_header[7] = 0, v2_header[30] = 23, v2_header[31] = 0;
    const struct {
        const char *name;
        std::function<void(const std::string &)> make;  // nullptr: nothing at the path
        bool loads;
    } cases[] = {
        {"pinball_missing.sna", nullptr, false},
        {"pinball_dir.sna", [](auto &p) { std::filesystem::create_directory(p); }, false},
        {"pinball_dir.z80", [](auto &p) { std::filesystem::create_directory(p); }, false},
        {"pinball_empty.sna", [](auto &p) { write_bytes(p, {}); }, false},
        {"pinball_empty.z80", [](auto &p) { write_bytes(p, {}); }, false},
        {"pinball_text.txt", [](auto &p) { write_bytes(p, Bytes(1200, 'x')); }, false},
        {"pinball_short.sna", [](auto &p) { write_bytes(p, Bytes(kSnaFileSize - 1, 1)); }, false},
        {"pinball_exact.sna", [](auto &p) { write_bytes(p, Bytes(kSnaFileSize, 1)); }, true},
        {"pinball_128k.sna", [](auto &p) { write_bytes(p, Bytes(131103, 1)); }, true},
        {"pinball_short.z80", [](auto &p) { write_bytes(p, Bytes(29, 1)); }, false},
        {"pinball_header.z80", [](auto &p) { write_bytes(p, Bytes(30, 1)); }, true},
        {"pinball_v2_cut.z80",
         [&](auto &p) { write_bytes(p, Bytes(v2_header.begin(), v2_header.begin() + 54)); }, false},
        {"pinball_v2_header.z80",
         [&](auto &p) { write_bytes(p, Bytes(v2_header.begin(), v2_header.begin() + 55)); }, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        std::string path = dir / c.name;
        if (c.make) c.make(path);
        Machine *m = fresh_machine(0x5A);
        Regs regs = regs_of(m);
        Bytes ram = ram_of(m);
        Untouched rest = untouched_of(m);
        Options options;
        options_defaults(&options);
        set_map(&options, kOtherMap);
        load_snapshot(m, path.c_str(), &options);
        EXPECT_EQ(map_of(options), c.loads ? kPinballMap : kOtherMap);
        EXPECT_EQ(regs_of(m) == regs, !c.loads) << regs_of(m);
        if (!c.loads) {
            EXPECT_TRUE(ram_of(m) == ram);
        }
        EXPECT_TRUE(untouched_of(m) == rest);
    }
}

// A .z80 file that ends early is decoded from its own bytes only, never from what an earlier,
// longer load left behind.
TEST(SnapshotFiles, ShortFilesDecodeOnlyTheirOwnBytes) {
    TempDir dir;
    Machine *m = fresh_machine();
    Options options;
    options_defaults(&options);
    std::string big = dir / "big.sna";
    write_bytes(big, Bytes(kSnaFileSize + 1000, 0x77));
    load_snapshot(m, big.c_str(), &options);
    ASSERT_EQ(m->ram[100], 0x77);

    Bytes v1(30, 0x01);
    v1[12] = 0x20;  // compressed
    v1.insert(v1.end(), {0xED, 0xED, 3, 0xAA, 0x12});
    Bytes v2(30, 0x01);
    v2[6] = v2[7] = 0;
    v2.insert(v2.end(), {23, 0, 0x00, 0x80});
    v2.resize(55, 0x00);
    v2.insert(v2.end(), {4, 0, 8, 0x21, 0x22});  // a 4-byte page 8 block cut after 2 bytes
    const struct {
        const char *name;
        Bytes file;
        Bytes first;  // RAM from 0x4000
    } cases[] = {
        {"v1.z80", v1, {0xAA, 0xAA, 0xAA, 0x12, 0x55, 0x55}},
        {"v2.z80", v2, {0x21, 0x22, 0x55, 0x55}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::fill(m->ram, m->ram + kRamSize, 0x55);
        std::string path = dir / c.name;
        write_bytes(path, c.file);
        load_snapshot(m, path.c_str(), &options);
        EXPECT_TRUE(Bytes(m->ram, m->ram + c.first.size()) == c.first);
        EXPECT_EQ(std::count(m->ram, m->ram + kRamSize, 0x77), 0);
    }
}

}  // namespace
