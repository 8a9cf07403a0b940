#include "snapshot/snapshot_files.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "snapshot/sna_file.h"
#include "tests/snapshot/snapshot_fixture.h"

namespace {

Bytes cat_bytes(Bytes a, const Bytes &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

void make_sparse(const std::string &path, long long size) {
    int fd = open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ftruncate(fd, off_t(size)), 0);
    close(fd);
}

// A .sna file whose byte 0 lands in I when read as .sna and in A when read as .z80 (as a
// compressed version 1 file, PC 0x0303, whose first run makes its 49,149 bytes of data
// decode to the 48 KB).
Bytes marker_file(uint8_t marker) {
    Bytes f(kSnaFileSize, 0x03);
    f[0] = marker;
    f[12] = 0x23;
    f[30] = f[31] = 0xED, f[32] = 16;
    return f;
}

std::string load(Machine *m, const std::string &path, int *result = nullptr) {
    char message[kSnapshotMessageSize];
    int r = load_snapshot(m, path.c_str(), message, sizeof message);
    if (result) *result = r;
    return message;
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
        EXPECT_EQ(load(m, path),
                  "Loaded " + std::filesystem::path(path).filename().string());
        EXPECT_EQ(m->i, c.loader == kSna ? 0xC3 : 0x03);
        EXPECT_EQ(m->a, c.loader == kZ80 ? 0xC3 : 0x03);
    }
}

// A FIFO at path, and (with_writer) a process holding it open for writing until it is
// killed; its pid, or 0.
pid_t make_fifo(const std::string &path, bool with_writer) {
    EXPECT_EQ(mkfifo(path.c_str(), 0644), 0) << path;
    if (!with_writer) return 0;
    pid_t pid = fork();
    if (pid == 0) {
        [[maybe_unused]] int fd = open(path.c_str(), O_WRONLY);
        for (;;) pause();
    }
    // The writer holds it once a reader that does not wait finds it open.
    for (int k = 0; k < 500; k++) {
        int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
        struct stat st;
        bool held = fd >= 0 && fstat(fd, &st) == 0;
        char byte;
        bool writer = held && read(fd, &byte, 1) < 0 && errno == EAGAIN;
        if (fd >= 0) close(fd);
        if (writer) break;
        usleep(10000);
    }
    return pid;
}

// What cannot be a 48K snapshot leaves the machine and the key map as they were and says
// why; the names all select the "pinball" profile, so a load shows in the key map.
TEST(SnapshotFiles, RefusesWhatCannotBeASnapshot) {
    Bytes whole_v1 = marker_file(0x01);
    Bytes v2(32, 0x01);
    v2[6] = v2[7] = 0, v2[30] = 23, v2[31] = 0;
    v2.resize(55, 0);
    for (uint8_t page : {8, 4, 5}) {
        v2.insert(v2.end(), {0xFF, 0xFF, page});  // stored plain
        v2.resize(v2.size() + 0x4000, page);
    }
    Bytes v2_128k = v2;
    v2_128k[34] = 3;  // the 128K machine in version 2
    const struct {
        const char *name;
        std::function<void(const std::string &)> make;  // nullptr: nothing at the path
        const char *message;                            // before the base name
        int result;
    } cases[] = {
        {"pinball_exact.sna", [](auto &p) { write_bytes(p, Bytes(kSnaFileSize, 1)); }, "Loaded ",
         kLoaded},
        {"pinball_v1.z80", [&](auto &p) { write_bytes(p, whole_v1); }, "Loaded ", kLoaded},
        {"pinball_v2.z80", [&](auto &p) { write_bytes(p, v2); }, "Loaded ", kLoaded},
        {"pinball_missing.sna", nullptr, "Can't read ", kUnreadable},
        {"pinball_dir.sna", [](auto &p) { std::filesystem::create_directory(p); },
         "Not a snapshot: ", kNotSnapshot},
        {"pinball_dir.z80", [](auto &p) { std::filesystem::create_directory(p); },
         "Not a snapshot: ", kNotSnapshot},
        // A device is not even opened: some act on being opened.
        {"pinball_zero.sna", [](auto &p) { std::filesystem::create_symlink("/dev/zero", p); },
         "Not a snapshot: ", kNotSnapshot},
        {"pinball_zero.z80", [](auto &p) { std::filesystem::create_symlink("/dev/zero", p); },
         "Not a snapshot: ", kNotSnapshot},
        {"pinball_fifo.sna", [](auto &p) { make_fifo(p, false); },
         "Not a snapshot: ", kNotSnapshot},
        {"pinball_fifo.z80", [](auto &p) { make_fifo(p, false); },
         "Not a snapshot: ", kNotSnapshot},
        {"pinball_empty.sna", [](auto &p) { write_bytes(p, {}); },
         "Not a snapshot: ", kNotSnapshot},
        {"pinball_empty.z80", [](auto &p) { write_bytes(p, {}); },
         "Not a snapshot: ", kNotSnapshot},
        {"pinball_text.txt", [](auto &p) { write_bytes(p, Bytes(1200, 'x')); },
         "Not a snapshot: ", kNotSnapshot},
        {"pinball_short.sna", [](auto &p) { write_bytes(p, Bytes(kSnaFileSize - 1, 1)); },
         "Not a snapshot: ", kNotSnapshot},
        {"pinball_long.sna", [](auto &p) { write_bytes(p, Bytes(kSnaFileSize + 1, 1)); },
         "Not a snapshot: ", kNotSnapshot},
        {"pinball_128k.sna", [](auto &p) { write_bytes(p, Bytes(131103, 1)); },
         "Not a 48K snapshot: ", kNot48K},
        {"pinball_128k_long.sna", [](auto &p) { write_bytes(p, Bytes(147487, 1)); },
         "Not a 48K snapshot: ", kNot48K},
        {"pinball_short.z80", [](auto &p) { write_bytes(p, Bytes(29, 1)); },
         "Not a snapshot: ", kNotSnapshot},
        {"pinball_header.z80", [](auto &p) { write_bytes(p, Bytes(30, 1)); },
         "Not a snapshot: ", kNotSnapshot},
        {"pinball_v1_cut.z80",
         [&](auto &p) { write_bytes(p, Bytes(whole_v1.begin(), whole_v1.end() - 20)); },
         "Not a snapshot: ", kNotSnapshot},
        {"pinball_v2_cut.z80", [&](auto &p) { write_bytes(p, Bytes(v2.begin(), v2.end() - 1)); },
         "Not a snapshot: ", kNotSnapshot},
        {"pinball_v2_128k.z80", [&](auto &p) { write_bytes(p, v2_128k); },
         "Not a 48K snapshot: ", kNot48K},
        // Too big for a 48K file, whatever it holds: its header alone tells whose it is.
        {"pinball_v2_long.z80",
         [&](auto &p) { write_bytes(p, cat_bytes(v2, Bytes(kSnapshotBufferSize, 0))); },
         "Not a snapshot: ", kNotSnapshot},
        {"pinball_v2_128k_long.z80",
         [&](auto &p) { write_bytes(p, cat_bytes(v2_128k, Bytes(kSnapshotBufferSize, 0))); },
         "Not a 48K snapshot: ", kNot48K},
        // Sparse: 2 GB that take no disk, and must not be read.
        {"pinball_huge.sna", [](auto &p) { make_sparse(p, 2LL << 30); },
         "Not a snapshot: ", kNotSnapshot},
        {"pinball_huge.z80", [](auto &p) { make_sparse(p, 2LL << 30); },
         "Not a snapshot: ", kNotSnapshot},
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
        int result = 0;
        std::string message = load(m, path, &result);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(message.rfind(std::string(c.message) + c.name, 0), 0u) << message;
        if (c.result == kUnreadable) {
            EXPECT_EQ(message, std::string(c.message) + c.name + ": No such file or directory");
        }
        bool loads = c.result == kLoaded;
        EXPECT_EQ(regs_of(m) == regs, !loads) << regs_of(m);
        if (!loads) {
            EXPECT_TRUE(ram_of(m) == ram);
        }
        EXPECT_TRUE(untouched_of(m) == rest);
    }
}

// A FIFO that a writer holds open is refused at once, without a byte read from it.
TEST(SnapshotFiles, RefusesAHeldFifoWithoutWaiting) {
    TempDir dir;
    std::string path = dir / "game.sna";
    pid_t writer = make_fifo(path, true);
    ASSERT_GT(writer, 0);
    Machine *m = fresh_machine(0x5A);
    Bytes ram = ram_of(m);
    // Should the load block, the alarm ends the test instead of hanging it.
    alarm(20);
    std::string message = load(m, path);
    alarm(0);
    kill(writer, SIGKILL);
    waitpid(writer, nullptr, 0);
    EXPECT_EQ(message, "Not a snapshot: game.sna");
    EXPECT_TRUE(ram_of(m) == ram);
}

// A file that cannot be opened says why; the message names the base name only. The
// superuser opens any file, so the load runs as an ordinary user.
TEST(SnapshotFiles, UnreadableFilesSayWhy) {
    TempDir dir;
    chmod(dir.path().c_str(), 0755);
    std::string path = dir / "locked.sna", said = dir / "said";
    write_bytes(path, Bytes(kSnaFileSize, 1));
    chmod(path.c_str(), 0);
    write_bytes(said, {});
    chmod(said.c_str(), 0666);
    Machine *m = fresh_machine();
    int result = as_ordinary_user([&] {
        std::string message = load(m, path);
        write_bytes(said, Bytes(message.begin(), message.end()));
        return ram_of(m) == Bytes(kRamSize, 0x55) ? 0 : 1;
    });
    EXPECT_EQ(result, 0) << "the machine changed";
    Bytes message = read_bytes(said);
    EXPECT_EQ(std::string(message.begin(), message.end()),
              "Can't read locked.sna: Permission denied");
}

}  // namespace
