// Files that are no 48K snapshot, named on the command line: the program says so, keeps
// the machine it has and stays responsive; and "tmp.sna" finds a home when the working
// folder is gone.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "e2e_session.h"
#include "machine/machine.h"
#include "snapshot/sna_file.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A machine that would show a black screen forever: DI; JR $ at 0x8000, RAM otherwise 0.
constexpr uint8_t kSpin[] = {0xF3, 0x18, 0xFE};

Bytes spinner_sna() {
    static uint8_t image[65536];
    static Machine m;
    machine_power_on(&m, image);
    std::memcpy(m.ram + 0x4000, kSpin, sizeof kSpin);
    m.pc = 0x8000;
    m.sp = 0xFF00;
    char name[] = "/tmp/tavisk-spinner-XXXXXX";
    int fd = mkstemp(name);
    EXPECT_GE(fd, 0);
    close(fd);
    EXPECT_EQ(save_sna(&m, name), 0);
    std::string file = read_file(name);
    unlink(name);
    return Bytes(file.begin(), file.end());
}

// ED ED runs giving n zero bytes.
Bytes zeros(size_t n) {
    Bytes out;
    for (; n > 0; n -= std::min<size_t>(n, 255))
        out.insert(out.end(), {0xED, 0xED, uint8_t(std::min<size_t>(n, 255)), 0});
    return out;
}

Bytes cat(Bytes a, const Bytes &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A .z80 header for the spinner: PC 0x8000 (0 in a version 3 header, which carries it in
// its extra header), SP 0xFF00, interrupts off, compressed.
Bytes z80_header(bool version3) {
    Bytes h(30, 0);
    h[6] = 0x00, h[7] = version3 ? 0x00 : 0x80;
    h[8] = 0x00, h[9] = 0xFF;
    h[12] = 0x20;
    if (!version3) return h;
    Bytes extra(2 + 54, 0);
    extra[0] = 54, extra[2] = 0x00, extra[3] = 0x80;
    extra[4] = 4;  // hardware mode: the 128K Spectrum
    return cat(h, extra);
}

// The spinner as a version 1 file whose memory stream stops 1,000 bytes after the code.
Bytes cut_z80() {
    return cat(z80_header(false),
               cat(cat(zeros(0x4000), Bytes(std::begin(kSpin), std::end(kSpin))), zeros(1000)));
}

// The spinner as a version 3 file of the 128K machine, its pages in the 48K places.
Bytes z80_128k() {
    Bytes file = z80_header(true);
    for (uint8_t page : {8, 4, 5}) {
        Bytes data = page == 4 ? cat(Bytes(std::begin(kSpin), std::end(kSpin)), zeros(0x4000 - 3))
                               : zeros(0x4000);
        file = cat(file, {uint8_t(data.size()), uint8_t(data.size() >> 8), page});
        file = cat(file, data);
    }
    return file;
}

void write_file(const std::string &path, const Bytes &bytes) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    close(fd);
}

struct Refusal {
    const char *name;
    Bytes (*make)();
    const char *message;
};

void PrintTo(const Refusal &r, std::ostream *os) { *os << r.name; }

// What the program said, on the status line and on standard error.
void expect_said(Session *run, const std::string &said) {
    Canvas canvas;
    ASSERT_TRUE(canvas.open()) << SDL_GetError();
    Image img;
    bool shown = wait_until(60, [&] { return run->shot(&img) && canvas.status_shows(img, said); });
    if (!shown) run->keep_evidence();
    EXPECT_TRUE(shown) << "the status line does not show \"" << said << "\"";
    EXPECT_NE(read_file(run->dir.file("stderr.txt")).find(said + "\n"), std::string::npos)
        << "stderr: " << read_file(run->dir.file("stderr.txt"));
}

class RefusedSnapshot : public EndToEnd, public testing::WithParamInterface<Refusal> {};

// Loaded, each of these would stop the pattern ROM with a black screen.
TEST_P(RefusedSnapshot, IsReportedAndTheRunningMachineKept) {
    const Refusal &r = GetParam();
    write_file(run.dir.file(r.name), r.make());
    copy_file(TEST_ROM, run.dir.file("spectrum.rom"));
    run.start(TAVISK_BIN, {r.name});
    Image img;
    bool kept = wait_for_pattern(120, &img);
    if (!kept) run.keep_evidence();
    EXPECT_TRUE(kept) << "the machine did not go on with the ROM";
    expect_said(&run, std::string(r.message) + r.name);
    EXPECT_TRUE(run.program.running());
}

INSTANTIATE_TEST_SUITE_P(
    Files, RefusedSnapshot,
    testing::Values(Refusal{"cut.z80", cut_z80, "Not a snapshot: "},
                    Refusal{"big.z80", z80_128k, "Not a 48K snapshot: "},
                    Refusal{"big.sna",
                            [] { return cat(spinner_sna(), Bytes(131103 - kSnaFileSize, 0)); },
                            "Not a 48K snapshot: "}),
    [](const testing::TestParamInfo<Refusal> &info) {
        std::string name = info.param.name;
        return name.replace(name.find('.'), 1, "_");
    });

// A FIFO that a writer holds open would block a reader for good: it is refused without
// being read, the program runs, and SIGTERM ends it as usual.
TEST_F(EndToEnd, AFifoHeldByAWriterIsRefusedWithoutBlocking) {
    std::string fifo = run.dir.file("game.sna");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    int held = open(fifo.c_str(), O_RDWR);  // a writer (and reader) that never writes
    ASSERT_GE(held, 0);
    copy_file(TEST_ROM, run.dir.file("spectrum.rom"));
    run.start(TAVISK_BIN, {"game.sna"});
    Image img;
    bool running = wait_for_pattern(120, &img);
    if (!running) run.keep_evidence();
    EXPECT_TRUE(running) << "the program does not run";
    expect_said(&run, "Not a snapshot: game.sna");
    run.program.signal(SIGTERM);
    bool ended = run.program.wait_exit(60);
    close(held);
    ASSERT_TRUE(ended) << "SIGTERM did not end the program";
    ASSERT_TRUE(WIFEXITED(run.program.status));
    EXPECT_EQ(WEXITSTATUS(run.program.status), 0);
    EXPECT_EQ(std::filesystem::file_size(run.dir.file("tmp.sna")), kSnaFileSize);
}

// The folder the program runs in is removed while it runs: at the exit "tmp.sna" goes to
// $HOME, and the program says so.
TEST_F(EndToEnd, AWorkingFolderRemovedMeanwhileSavesInHome) {
    std::string work = run.dir.file("work"), home = run.dir.file("home");
    std::filesystem::create_directory(work);
    std::filesystem::create_directory(home);
    copy_file(TEST_ROM, work + "/spectrum.rom");
    std::vector<std::string> env = run.env();
    env.push_back("HOME=" + home);
    spawn(&run.program, {TAVISK_BIN}, work, env, run.dir.file("stdout.txt"),
          run.dir.file("stderr.txt"));
    Image img;
    ASSERT_TRUE(wait_for_pattern(120, &img)) << "the ROM did not start";
    std::filesystem::remove_all(work);
    run.program.signal(SIGTERM);
    ASSERT_TRUE(run.program.wait_exit(60));
    ASSERT_TRUE(WIFEXITED(run.program.status));
    EXPECT_EQ(WEXITSTATUS(run.program.status), 0);
    std::string err = read_file(run.dir.file("stderr.txt"));
    EXPECT_NE(err.find("Saved tmp.sna in " + home + "\n"), std::string::npos) << err;
    std::string sna = read_file(home + "/tmp.sna");
    ASSERT_EQ(sna.size(), kSnaFileSize);
    // The pattern ROM's machine: its first display byte is (0 XOR 0x40).
    EXPECT_EQ(uint8_t(sna[kSnaHeaderSize]), 0x40);
}

}  // namespace
