// A snapshot named on the command line runs, and "tmp.sna" holds the machine at the end.
#include <SDL/SDL.h>

#include "display/screen_render.h"
#include "e2e_session.h"
#include "snapshot/sna_file.h"
#include "snapshot/snapshot_files.h"

namespace {

// DI, then the display file and attributes filled from their addresses (no FLASH), then a
// jump to itself at 0x8017.
const uint8_t kPainter[] = {
    0xF3,                    // di
    0x21, 0x00, 0x40,        // ld hl,0x4000
    0x7D, 0xAC, 0x77, 0x23,  // ld a,l ; xor h ; ld (hl),a ; inc hl
    0x7C, 0xFE, 0x58,        // ld a,h ; cp 0x58
    0x20, 0xF7,              // jr nz,-9
    0x7D, 0xE6, 0x7F, 0x77,  // ld a,l ; and 0x7F ; ld (hl),a
    0x23, 0x7C, 0xFE, 0x5B,  // inc hl ; ld a,h ; cp 0x5B
    0x20, 0xF6,              // jr nz,-10
    0x18, 0xFE,              // jr $
};
constexpr uint16_t kLoopAddress = 0x8017;

uint8_t painted(uint16_t address) {
    if (address < 0x5800) return uint8_t((address & 0xFF) ^ (address >> 8));
    return uint8_t(address & 0x7F);
}

struct Painter {
    uint8_t image[65536] = {};
    Machine m;
};

// The picture the painter leaves, as the renderer draws it.
std::vector<uint16_t> painted_picture() {
    static Painter p;
    machine_power_on(&p.m, p.image);
    for (int a = 0x4000; a < 0x5B00; a++) p.m.rom[a] = painted(uint16_t(a));
    static uint16_t pixels[800 * 480];
    p.m.pixels = pixels;
    render_screen(&p.m);
    std::vector<uint16_t> area;
    for (int y = 0; y < 384; y++)
        for (int x = 0; x < 512; x++) area.push_back(pixels[x + 800 * (kSpecY + y)]);
    return area;
}

int area_mismatches(const Image &img, const std::vector<uint16_t> &want) {
    int wrong = 0;
    for (int y = 0; y < 384; y++)
        for (int x = 0; x < 512; x++) wrong += img.at(x, kSpecY + y) != want[size_t(y) * 512 + x];
    return wrong;
}

// A snapshot of the painter about to start: black screen, code at 0x8000.
void write_painter(const std::string &path) {
    static Painter p;
    machine_power_on(&p.m, p.image);
    std::copy(std::begin(kPainter), std::end(kPainter), p.m.rom + 0x8000);
    p.m.pc = 0x8000;
    p.m.sp = 0xFF00;
    p.m.a = 0x12;
    p.m.ix = 0x3456;
    ASSERT_EQ(save_sna(&p.m, path.c_str()), 0);
}

struct Case {
    const char *name;
    bool via_snapconv;  // converted to .z80 by another program first
};

void PrintTo(const Case &c, std::ostream *os) { *os << c.name; }

class SnapshotRun : public EndToEnd, public testing::WithParamInterface<Case> {};

TEST_P(SnapshotRun, ShowsTheSnapshotsScreenAndSavesTheMachineAtExit) {
    const Case &c = GetParam();
    std::string sna = run.dir.file("painter.sna");
    write_painter(sna);
    std::string snapshot = run.dir.file(c.name);
    if (c.via_snapconv) {
        if (!std::filesystem::exists("/usr/bin/snapconv")) GTEST_SKIP() << "no snapconv";
        Child conv;
        spawn(&conv, {"/usr/bin/snapconv", sna, snapshot}, run.dir.path, {}, "", "");
        ASSERT_TRUE(conv.wait_exit(60));
        ASSERT_TRUE(std::filesystem::exists(snapshot));
    } else if (snapshot != sna) {
        copy_file(sna, snapshot);
    }
    // The blank ROM keeps the screen black unless the snapshot runs.
    copy_file(BLANK_ROM, run.dir.file("spectrum.rom"));
    run.start(TAVISK_BIN, {c.name});

    const std::vector<uint16_t> want = painted_picture();
    Image img;
    bool shown = wait_until(120, [&] { return run.shot(&img) && area_mismatches(img, want) == 0; });
    if (!shown) run.keep_evidence();
    ASSERT_TRUE(shown) << area_mismatches(img, want) << " pixels differ from the painted screen";
    // What was loaded on standard error, then the keys in force there and on the status
    // line: a name no profile starts keeps the start's map.
    Canvas canvas;
    ASSERT_TRUE(canvas.open()) << SDL_GetError();
    std::string keys = "Keys: default";
    bool told = wait_until(60, [&] { return run.shot(&img) && canvas.status_shows(img, keys); });
    if (!told) run.keep_evidence();
    EXPECT_TRUE(told) << "the status line does not show \"" << keys << "\"";
    std::string said = std::string("Loaded ") + c.name + "\n" + keys + "\n";
    EXPECT_NE(read_file(run.dir.file("stderr.txt")).find(said), std::string::npos);

    run.program.signal(SIGTERM);
    ASSERT_TRUE(run.program.wait_exit(60));
    ASSERT_TRUE(WIFEXITED(run.program.status));
    EXPECT_EQ(WEXITSTATUS(run.program.status), 0);
    std::string saved = read_file(run.dir.file("tmp.sna"));
    ASSERT_EQ(saved.size(), kSnaFileSize);

    static Painter back;
    machine_power_on(&back.m, back.image);
    ASSERT_EQ(load_sna(&back.m, reinterpret_cast<const uint8_t *>(saved.data()), saved.size()), 0);
    EXPECT_EQ(back.m.pc, kLoopAddress);
    EXPECT_EQ(back.m.sp, 0xFF00);
    EXPECT_EQ(back.m.ix, 0x3456);
    EXPECT_EQ(back.m.iff1, 0);
    int wrong = 0;
    for (int a = 0x4000; a < 0x5B00; a++) wrong += back.m.rom[a] != painted(uint16_t(a));
    EXPECT_EQ(wrong, 0) << "saved screen memory differs from what was painted";
    EXPECT_TRUE(std::equal(std::begin(kPainter), std::end(kPainter), back.m.rom + 0x8000));
    // What the saved RAM draws is what the screen showed.
    static uint16_t pixels[800 * 480];
    back.m.pixels = pixels;
    render_screen(&back.m);
    int differ = 0;
    for (int y = 0; y < 384; y++)
        for (int x = 0; x < 512; x++)
            differ += pixels[x + 800 * (kSpecY + y)] != img.at(x, kSpecY + y);
    EXPECT_EQ(differ, 0);
}

INSTANTIATE_TEST_SUITE_P(Formats, SnapshotRun,
                         testing::Values(Case{"painter.sna", false}, Case{"painter.z80", true},
                                         Case{"PAINTER.Z80", true}),
                         [](const testing::TestParamInfo<Case> &info) {
                             return std::string(info.param.via_snapconv ? "z80_" : "sna_") +
                                    std::to_string(info.index);
                         });

}  // namespace
