// Tapes as a user gets them: named on the command line or picked in the browser, typed in
// and loaded with no help, the game's screen seen, its hardware keys working through its
// key profile, and its RAM read back from the machine saved at exit.
#include <algorithm>
#include <cstring>
#include <fstream>

#include "display/control_panel.h"
#include "e2e_user.h"
#include "frontend/panel_status.h"
#include "snapshot/sna_file.h"
#include "tests/tapes/test_game.h"

namespace {

// The game's bright papers.
constexpr uint16_t kBrightWhite = 0xFFFF;
constexpr uint16_t kBrightRed = 0xF800;
constexpr uint16_t kBrightGreen = 0x07E0;

const std::string kMarker = kGameMarker;

// The game's stripes below its top character row: 4 Spectrum pixels black, 4 bright white.
bool game_screen(const Image &img) {
    for (int y = 16; y < 384; y++)
        for (int x = 0; x < 512; x++)
            if (img.at(x, kSpecY + y) != ((x / 2) % 8 < 4 ? kBlack : kBrightWhite)) return false;
    return true;
}

// The top character row's paper, which the game turns red for P and green for L.
bool top_row(const Image &img, uint16_t paper) {
    return count_colour(img, 8, kSpecY, 8, 16, paper) == 8 * 16;
}

// The FAST button's digit cell as the program draws mode on it.
std::vector<uint16_t> fast_digit(Canvas *canvas, int mode) {
    draw_panel(canvas->m, kPanelFull);
    draw_button_digit(canvas->m, kActionFast, mode);
    Image drawn;
    drawn.width = 800;
    drawn.height = 480;
    drawn.pixels.assign(canvas->m->pixels, canvas->m->pixels + 800 * 480);
    return digit_cell(drawn, kActionFast);
}

bool browser_open(const Image &img) { return img.at(12, 62) == kBrightBlue; }

// Characters of the frame count beside FAST: its 8-pixel cells that are not all black.
int frame_count_characters(const Image &img) {
    int shown = 0;
    for (int x = 640; x + 8 <= 690; x += 8) shown += count_colour(img, x, 62, 8, 10, kBlack) < 80;
    return shown;
}

class TapeSession : public EndToEnd {
   protected:
    Image img;

    void start_with(const std::vector<std::string> &args) {
        std::filesystem::create_symlink(OPENSE_ROM, run.dir.file("spectrum.rom"));
        run.start(TAVISK_BIN, args);
        ASSERT_EQ(xdotool(run.x, {"search", "--sync", "--class", "tavisk"}, 120), 0);
    }
    bool shoot_until(double seconds, const std::function<bool()> &done) {
        return wait_until(seconds, [&] { return run.shot(&img) && done(); });
    }
    void wait_for_game() {
        bool running = shoot_until(120, [&] { return game_screen(img); });
        if (!running) run.keep_evidence();
        ASSERT_TRUE(running) << "the game's screen did not appear";
    }
    void tap_at(Point p) {
        ASSERT_EQ(xdotool(run.x, {"mousemove", std::to_string(p.x), std::to_string(p.y),
                                  "mousedown", "1", "sleep", "0.1", "mouseup", "1"}),
                  0);
    }
    void tap_button(int action) { tap_at(button_point(action)); }
    void key(const std::string &how, const std::string &name) {
        ASSERT_EQ(xdotool(run.x, {how, name}), 0);
    }
    // LOAD, then the browser's cursor onto the name (Down goes two names on, Right one) in
    // the listing of the working directory, and RETURN.
    void pick(const std::string &name) {
        std::vector<std::string> names = listing(run.dir.path);
        int at = int(std::find(names.begin(), names.end(), name) - names.begin());
        ASSERT_LT(at, int(names.size()));
        tap_button(kActionLoad);
        ASSERT_TRUE(shoot_until(60, [&] { return browser_open(img); })) << "no browser";
        for (int i = 0; i < at / 2; i++) key("key", "Down");
        if (at % 2) key("key", "Right");
        key("key", "Return");
    }
    std::string errors() { return read_file(run.dir.file("stderr.txt")); }
    // Ends the program as a user's system would, and reads the machine it saved.
    std::string quit_and_read_ram() {
        run.program.signal(SIGTERM);
        EXPECT_TRUE(run.program.wait_exit(60));
        std::string sna = read_file(run.dir.file("tmp.sna"));
        EXPECT_EQ(sna.size(), kSnaFileSize);
        return sna.size() == kSnaFileSize ? sna.substr(kSnaHeaderSize) : "";
    }
};

uint8_t ram_byte(const std::string &ram, int address) { return uint8_t(ram[address - 0x4000]); }

// deck.tzx: LOADS of deck_boot.asm, and the loading screen's yellow paper that it loads.
constexpr int kDeckLoads = 0xBE00;
constexpr uint16_t kYellow = 0xC600;

// The paper of the Spectrum picture's top-left character, which deck_boot.asm moves on at
// every frame while it waits for a key.
uint16_t corner(const Image &img) { return img.at(0, kSpecY); }

bool loaded_screen(const Image &img) {
    return count_colour(img, 0, kSpecY, 512, 384, kYellow) > 512 * 384 / 3;
}

class TapeOnTheCommandLine : public TapeSession,
                             public testing::WithParamInterface<const char *> {};

TEST_P(TapeOnTheCommandLine, LoadsByItselfAndTheGameRuns) {
    const std::string name = GetParam();
    copy_file(std::string(TAPES_DIR) + "/" + name, run.dir.file(name));
    start_with({name});
    wait_for_game();
    EXPECT_TRUE(wait_until(60, [&] {
        return errors().find("Tape ended: " + name + "\n") != std::string::npos;
    })) << errors();
    EXPECT_NE(errors().find("Block 1/4 " + name + "\n"), std::string::npos) << errors();
    Canvas canvas;
    ASSERT_TRUE(canvas.open()) << SDL_GetError();
    EXPECT_TRUE(shoot_until(60, [&] {
        return canvas.status_shows(img, "Tape ended: " + name);
    })) << "the status line does not say that the tape ended";
    std::string ram = quit_and_read_ram();
    ASSERT_FALSE(ram.empty());
    EXPECT_EQ(ram.substr(kGameMark - 0x4000, kMarker.size()), kMarker);
    EXPECT_NE(ram_byte(ram, kGameCount) | ram_byte(ram, kGameCount + 1), 0)
        << "the game's loop stands";
}

INSTANTIATE_TEST_SUITE_P(Formats, TapeOnTheCommandLine, testing::Values("game.tap", "game.tzx"),
                         [](const testing::TestParamInfo<const char *> &info) {
                             return std::string(info.param).substr(5);
                         });

// Named after a key profile: krakout puts P on LEFT and L on RIGHT.
TEST_F(TapeSession, TapePickedInTheBrowserRunsWithItsKeyProfile) {
    copy_file(std::string(TAPES_DIR) + "/game.tap", run.dir.file("krakout.tap"));
    start_with({});
    ASSERT_TRUE(shoot_until(120, [&] { return rom_screen(img); })) << "the ROM did not start";
    pick("krakout.tap");
    wait_for_game();
    ASSERT_TRUE(top_row(img, kBrightWhite));
    struct Case {
        const char *key;
        uint16_t paper;
    };
    for (const Case &c : {Case{"Left", kBrightRed}, Case{"Right", kBrightGreen}}) {
        key("keydown", c.key);
        bool pressed = shoot_until(60, [&] { return top_row(img, c.paper); });
        key("keyup", c.key);
        if (!pressed) run.keep_evidence();
        ASSERT_TRUE(pressed) << c.key << " held did not reach the game through krakout's map";
        ASSERT_TRUE(shoot_until(60, [&] { return top_row(img, kBrightWhite); }))
            << c.key << " let go did not release its key";
    }
    std::string ram = quit_and_read_ram();
    ASSERT_FALSE(ram.empty());
    EXPECT_EQ(ram_byte(ram, kGameSeen), 3) << "the game did not see both P and L";
}

// A tape cut short: refused with the reason, and the game goes on.
TEST_F(TapeSession, CorruptTapeLeavesTheRunningMachineAlone) {
    copy_file(std::string(TAPES_DIR) + "/game.tap", run.dir.file("game.tap"));
    {
        std::ofstream bad(run.dir.file("bad.tzx"), std::ios::binary);
        bad << "ZXTape!\x1a\x01\x14\x30\xff\xff";  // a header, then a block cut short
    }
    start_with({"game.tap"});
    wait_for_game();
    pick("bad.tzx");
    Canvas canvas;
    ASSERT_TRUE(canvas.open()) << SDL_GetError();
    // The reason is the tape library's, said in the program's own message, not by the library.
    std::string said;
    ASSERT_TRUE(wait_until(60, [&] {
        std::string e = errors();
        size_t at = e.find("Can't read bad.tzx: ");
        size_t end = at == std::string::npos ? at : e.find('\n', at);
        if (end == std::string::npos) return false;
        said = e.substr(at, end - at);
        return true;
    })) << errors();
    EXPECT_GT(said.size(), std::strlen("Can't read bad.tzx: ")) << "no reason given";
    EXPECT_EQ(errors().find("libspectrum"), std::string::npos) << errors();
    bool told = shoot_until(60, [&] { return canvas.status_shows(img, said); });
    if (!told) run.keep_evidence();
    EXPECT_TRUE(told) << "the status line does not give the reason";
    // Still the game, still running: its loop counts on.
    sleep_seconds(1);
    ASSERT_TRUE(run.shot(&img));
    EXPECT_TRUE(game_screen(img));
    std::string ram = quit_and_read_ram();
    ASSERT_FALSE(ram.empty());
    EXPECT_EQ(ram.substr(kGameMark - 0x4000, kMarker.size()), kMarker);
}

// A turbo block plays in real time, unpaced: FAST mode 2 on its button while the status line
// names the block, the mode before back once the tape has ended, and the game runs.
TEST_F(TapeSession, TurboTapePlaysUnpacedAndSaysWhereItIs) {
    copy_file(std::string(TAPES_DIR) + "/turbo_game.tzx", run.dir.file("turbo_game.tzx"));
    start_with({"turbo_game.tzx"});
    Canvas canvas;
    ASSERT_TRUE(canvas.open()) << SDL_GetError();
    const std::vector<uint16_t> paced = fast_digit(&canvas, 0), unpaced = fast_digit(&canvas, 2);
    // The turbo block is the fifth and last. It plays in FAST mode 2, the digit 2 shown, at
    // thousands of frames a second: maybe too briefly for a screenshot, so the frame count
    // beside FAST, shown for two seconds, is the lasting sign: four digits, where paced
    // frames make 100.
    bool playing = shoot_until(120, [&] {
        return digit_cell(img, kActionFast) == unpaced || frame_count_characters(img) >= 4;
    });
    if (!playing) run.keep_evidence();
    ASSERT_TRUE(playing) << "no unpaced playback seen; standard error:\n" << errors();
    wait_for_game();
    EXPECT_LT(errors().find("Block 5/5 turbo_game.tzx\n"), errors().find("Tape ended"))
        << errors();
    EXPECT_TRUE(shoot_until(60, [&] {
        return canvas.status_shows(img, "Tape ended: turbo_game.tzx");
    })) << "the status line does not say that the tape ended";
    EXPECT_NE(errors().find("Tape ended: turbo_game.tzx\n"), std::string::npos) << errors();
    ASSERT_TRUE(shoot_until(60, [&] { return digit_cell(img, kActionFast) == paced; }))
        << "the FAST mode did not come back";
    std::string ram = quit_and_read_ram();
    ASSERT_FALSE(ram.empty());
    EXPECT_EQ(ram.substr(kGameMark - 0x4000, kMarker.size()), kMarker);
}

// The deck's buttons as a user runs them, on a tape whose program turbo-loads a screen at
// each key: STOP holds the tape however long the loader polls, PLAY lets it load, REW puts
// the block back for the program's own next load, EJECT takes the tape out and the machine
// runs on.
TEST_F(TapeSession, TheUserRunsTheDeck) {
    const std::string name = "deck.tzx";
    copy_file(std::string(TAPES_DIR) + "/" + name, run.dir.file(name));
    start_with({name});
    Canvas canvas;
    ASSERT_TRUE(canvas.open()) << SDL_GetError();
    // The program waits for a key, its loader in, the turbo block next; the deck follows it.
    const std::string waiting = "Block 4/5 " + name;
    bool ready = shoot_until(120, [&] {
        return canvas.status_shows(img, waiting) && canvas.deck_shows(img, true, true);
    });
    if (!ready) run.keep_evidence();
    ASSERT_TRUE(ready) << "the deck's STOP not seen at the tape's block 4; standard error:\n"
                       << errors();
    uint16_t first = corner(img);
    ASSERT_TRUE(shoot_until(60, [&] { return corner(img) != first; })) << "the program stands";

    // STOP, then the program's own load: the loader polls, the tape stays where it stood.
    tap_at(deck_point(kDeckPlay));
    ASSERT_TRUE(shoot_until(60, [&] { return canvas.deck_shows(img, true, false); }))
        << "the deck does not offer PLAY after STOP";
    tap_at(key_point(' '));
    ASSERT_TRUE(shoot_until(60, [&] {
        return count_colour(img, 0, kSpecY, 512, 384, kBlack) == 512 * 384;
    })) << "the program did not clear its screen to load";
    double until = now_seconds() + 5;
    while (now_seconds() < until) {
        ASSERT_TRUE(run.shot(&img));
        ASSERT_TRUE(canvas.status_shows(img, waiting)) << "the tape moved on while stopped";
        ASSERT_EQ(count_colour(img, 0, kSpecY, 512, 384, kBlack), 512 * 384)
            << "something loaded while the tape was stopped";
        sleep_seconds(0.25);
    }

    // PLAY: the block loads and the tape ends.
    const std::string ended = "Tape ended: " + name;
    tap_at(deck_point(kDeckPlay));
    bool loaded =
        shoot_until(120, [&] { return canvas.status_shows(img, ended) && loaded_screen(img); });
    if (!loaded) run.keep_evidence();
    ASSERT_TRUE(loaded) << "PLAY did not finish the load; standard error:\n" << errors();

    // REW at the end: the last block again, which the program's next load reads.
    tap_at(deck_point(kDeckRewind));
    ASSERT_TRUE(shoot_until(60, [&] { return canvas.status_shows(img, "Block 5/5 " + name); }))
        << "REW did not go back to the turbo block";
    tap_at(key_point(' '));
    ASSERT_TRUE(
        shoot_until(120, [&] { return canvas.status_shows(img, ended) && loaded_screen(img); }))
        << "the block was not read again after REW; standard error:\n"
        << errors();

    // EJECT: the tape out, the area black, the program running on.
    tap_at(deck_point(kDeckEject));
    ASSERT_TRUE(shoot_until(60, [&] {
        return canvas.status_shows(img, "Tape ejected: " + name) &&
               canvas.deck_shows(img, false, false);
    })) << "EJECT not seen";
    first = corner(img);
    EXPECT_TRUE(shoot_until(60, [&] { return corner(img) != first; }))
        << "the machine stands after EJECT";
    std::string ram = quit_and_read_ram();
    ASSERT_FALSE(ram.empty());
    EXPECT_EQ(ram_byte(ram, kDeckLoads), 2) << "the program did not load twice";
}

// A file that hangs the tape library, picked in the browser: the program says it is reading
// it and answers all the while; QUIT saves the machine at once and ends the program, the
// decoder with it.
TEST_F(TapeSession, QuitWhileAHangingFileIsReadSavesAtOnce) {
    copy_file(std::string(DECODE_FILES) + "/hang.wav", run.dir.file("hang.wav"));
    start_with({});
    ASSERT_TRUE(shoot_until(120, [&] { return rom_screen(img); })) << "the ROM did not start";
    pick("hang.wav");
    Canvas canvas;
    ASSERT_TRUE(canvas.open()) << SDL_GetError();
    bool reading = shoot_until(60, [&] { return canvas.status_shows(img, "READING hang.wav"); });
    if (!reading) run.keep_evidence();
    ASSERT_TRUE(reading) << "no READING on the status line; standard error:\n" << errors();
    tap_button(kActionQuit);
    double tapped = now_seconds();
    EXPECT_TRUE(run.program.wait_exit(2)) << "the program still runs 2 s after QUIT";
    EXPECT_LT(now_seconds() - tapped, 2.0);
    ASSERT_TRUE(run.program.wait_exit(60));
    EXPECT_EQ(std::filesystem::file_size(run.dir.file("tmp.sna")), kSnaFileSize);
    // No process is left reading the file.
    for (const auto &entry : std::filesystem::directory_iterator("/proc")) {
        std::string cmdline = read_file(entry.path().string() + "/cmdline");
        EXPECT_EQ(cmdline.find(run.dir.file("hang.wav")), std::string::npos) << entry.path();
    }
    // Nothing said after the program's own words about the file: no library's lines. (The
    // sanitized build's leak checker adds its summary at the end, between lines of dashes.)
    std::string said = errors();
    said = said.substr(0, said.find("-----"));
    const std::string line = "READING hang.wav\n";
    EXPECT_TRUE(said.size() >= line.size() &&
                said.compare(said.size() - line.size(), line.size(), line) == 0)
        << said;
}

}  // namespace
