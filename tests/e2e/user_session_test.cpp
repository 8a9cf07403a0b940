// A user at the device, through the X server: typing BASIC on the drawn keyboard, the panel
// buttons, the snapshot browser and the hardware keys, read back from the screen, the
// captured sound and the files the program leaves.
#include <algorithm>
#include <cstring>

#include "display/control_panel.h"
#include "display/keyboard_layout.h"
#include "display/pressed_keys.h"
#include "display/spec_font.h"
#include "e2e_user.h"
#include "frontend/status_line.h"
#include "menu/menu_draw.h"
#include "input/key_matrix.h"
#include "input/options.h"
#include "snapshot/sna_file.h"
#include "snapshot/snapshot_files.h"

namespace {

constexpr uint16_t kBlue = 0x0018;
constexpr uint16_t kRed = 0xC000;

// Spectrum pixel (x, y): the top-left screen pixel of its 2x2 block.
uint16_t spec_pixel(const Image &img, int x, int y) { return img.at(2 * x, kSpecY + 2 * y); }

// ---- Reading text the way the ROM wrote it

// The ROM's character set, characters 32 to 127 at 8 bytes each: the ROM sets CHARS
// (23606) with LD HL,nn; LD (23606),HL, and CHARS + 256 is the space.
std::string rom_font(const std::string &rom) {
    for (size_t i = 0; i + 6 <= rom.size(); i++) {
        const uint8_t *p = reinterpret_cast<const uint8_t *>(rom.data()) + i;
        if (p[0] == 0x21 && p[3] == 0x22 && p[4] == 0x36 && p[5] == 0x5C) {
            size_t at = size_t(p[1] | p[2] << 8) + 256;
            if (at + 96 * 8 <= rom.size()) return rom.substr(at, 96 * 8);
        }
    }
    return "";
}

// Character cell (column, row) matched against the font, ink being every pixel that is not
// paper; '\1' when it is no character of the font (the cursor, for one).
char cell_char(const Image &img, int column, int row, const std::string &font, uint16_t paper) {
    uint8_t glyph[8];
    for (int y = 0; y < 8; y++) {
        glyph[y] = 0;
        for (int x = 0; x < 8; x++)
            if (spec_pixel(img, 8 * column + x, 8 * row + y) != paper) glyph[y] |= 0x80 >> x;
    }
    for (int c = 0; c < 96; c++)
        if (std::memcmp(glyph, font.data() + 8 * c, 8) == 0) return char(32 + c);
    return '\1';
}

std::string screen_line(const Image &img, int row, const std::string &font, uint16_t paper) {
    std::string line;
    for (int column = 0; column < 32; column++) line += cell_char(img, column, row, font, paper);
    return line;
}

std::string trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

class UserSession : public EndToEnd {
   protected:
    // A finger on the screen: down, held a tenth of a second, lifted, a pause.
    void tap(Point p) {
        ASSERT_GE(p.x, 0);
        ASSERT_EQ(
            xdotool(run.x, {"mousemove", std::to_string(p.x), std::to_string(p.y), "mousedown", "1",
                            "sleep", "0.1", "mouseup", "1", "sleep", "0.15"}),
            0);
    }
    void key(const std::string &how, const std::string &name) {
        ASSERT_EQ(xdotool(run.x, {how, name}), 0);
    }
    // Screenshots until done holds for one; false at the deadline, the last picture kept.
    bool shoot_until(double seconds, Image *img, const std::function<bool()> &done) {
        return wait_until(seconds, [&] { return run.shot(img) && done(); });
    }
    // The program's window is there to take the keys.
    void wait_for_window() {
        ASSERT_EQ(xdotool(run.x, {"search", "--sync", "--class", "tavisk"}, 120), 0);
    }
    // The program on the OpenSE ROM, its editor up.
    void start_on_opense(Image *img) {
        std::filesystem::create_symlink(OPENSE_ROM, run.dir.file("spectrum.rom"));
        run.start(TAVISK_BIN);
        ASSERT_NO_FATAL_FAILURE(wait_for_window());
        ASSERT_TRUE(shoot_until(120, img, [&] { return rom_screen(*img); }))
            << "the ROM did not start";
    }
};

// ---- BASIC typed on the drawn keyboard

TEST_F(UserSession, BasicProgramTypedOnTheDrawnKeyboardRunsAndIsSaved) {
    ASSERT_TRUE(std::filesystem::exists(OPENSE_ROM)) << OPENSE_ROM;
    std::string font = rom_font(read_file(OPENSE_ROM));
    ASSERT_EQ(font.size(), 96u * 8) << "no character set found in the ROM";
    ASSERT_EQ(font.substr(0, 8), std::string(8, '\0')) << "the space is not blank";
    std::filesystem::create_symlink(OPENSE_ROM, run.dir.file("spectrum.rom"));
    run.start(TAVISK_BIN);
    wait_for_window();

    // The start screen: white paper, blank but for one line of text at the bottom.
    Image img;
    bool booted = shoot_until(120, &img, [&] {
        if (count_colour(img, 0, kSpecY, 512, 384, kWhite) < 512 * 384 * 3 / 4) return false;
        for (int row = 0; row < 23; row++)
            if (trimmed(screen_line(img, row, font, kWhite)) != "") return false;
        return trimmed(screen_line(img, 23, font, kWhite)).size() > 10;
    });
    if (!booted) run.keep_evidence();
    ASSERT_TRUE(booted) << "bottom line: " << screen_line(img, 23, font, kWhite);

    // Each key's echo on the edit line before the next key, as a user looks before typing on;
    // a shift shows nothing, it only changes the next key.
    struct Stroke {
        int code;
        const char *shown;  // the edit line after the key, up to the cursor; null: no wait
    };
    const Stroke strokes[] = {
        {'1', "1"},
        {'0', "10"},
        {' ', "10 "},
        {'p', "10 p"},
        {'r', "10 pr"},
        {'i', "10 pri"},
        {'n', "10 prin"},
        {'t', "10 print"},
        {' ', "10 print "},
        {'7', "10 print 7"},
        {kKeySymbolShift, nullptr},
        {'b', "10 print 7*"},
        {'6', "10 print 7*6"},
        {kKeyEnter, ""},
        {'r', "r"},
        {'u', "ru"},
        {'n', "run"},
    };
    for (const Stroke &s : strokes) {
        tap(key_point(s.code));
        if (!s.shown) continue;
        std::string want = s.shown;
        bool echoed = shoot_until(60, &img, [&] {
            std::string line = trimmed(screen_line(img, 23, font, kWhite));
            // What was typed, then the cursor cell.
            return line.size() == want.size() + 1 && line.compare(0, want.size(), want) == 0 &&
                   line.back() != ' ';
        });
        if (!echoed) run.keep_evidence();
        ASSERT_TRUE(echoed) << "after key " << s.code << " the edit line is \""
                            << screen_line(img, 23, font, kWhite) << "\", not \"" << want
                            << "\" and the cursor";
    }
    tap(key_point(kKeyEnter));

    // The product, printed at the top of the cleared screen.
    bool printed =
        shoot_until(120, &img, [&] { return trimmed(screen_line(img, 0, font, kWhite)) == "42"; });
    if (!printed) run.keep_evidence();
    ASSERT_TRUE(printed) << "top line: \"" << screen_line(img, 0, font, kWhite) << "\"";

    // QUIT saves the machine with the program in it.
    ASSERT_FALSE(std::filesystem::exists(run.dir.file("tmp.sna")));
    tap(button_point(kActionQuit));
    ASSERT_TRUE(run.program.wait_exit(120)) << "QUIT did not end the program";
    ASSERT_TRUE(WIFEXITED(run.program.status));
    EXPECT_EQ(WEXITSTATUS(run.program.status), 0);
    std::string sna = read_file(run.dir.file("tmp.sna"));
    ASSERT_EQ(sna.size(), kSnaFileSize);
    auto byte = [&](int address) { return uint8_t(sna[kSnaHeaderSize + address - 0x4000]); };
    int prog = byte(23635) | byte(23636) << 8;
    ASSERT_GE(prog, 0x4000);
    ASSERT_LT(prog, 0xFF00);
    EXPECT_EQ(byte(prog) << 8 | byte(prog + 1), 10) << "line number";
    int length = byte(prog + 2) | byte(prog + 3) << 8;
    ASSERT_GT(length, 3);
    ASSERT_LT(prog + 4 + length, 0x10000);
    std::string text;
    for (int i = 0; i < length; i++) text += char(byte(prog + 4 + i));
    EXPECT_EQ(text.back(), '\r') << "line not ended by ENTER";
    size_t seven = text.find('7'), times = text.find('*'), six = text.find('6');
    EXPECT_TRUE(seven != std::string::npos && times != std::string::npos &&
                six != std::string::npos && seven < times && times < six)
        << "line text lacks 7*6";
}

// ---- A snapshot chosen in the browser, driven by its key profile

// Screen rectangle of list position p (the first 13 characters of a name).
Point list_cell(int p) { return {p % 2 ? 272 : 32, 98 + 16 * (p / 2)}; }

int cell_pixels(const Image &img, int p, uint16_t colour) {
    Point c = list_cell(p);
    return count_colour(img, c.x, c.y, 13 * 16, 16, colour);
}

// The browser box listing names, read back with the program's own 8x8 font, with name
// selected highlighted and no other.
bool browser_shows(const Image &img, const std::vector<std::string> &names, int selected) {
    if (img.at(12, 62) != kBrightBlue || img.at(16, 66) != kBlack) return false;
    static const std::string font(reinterpret_cast<const char *>(specfont), kSpecFontBytes);
    for (int p = 0; p < 36; p++) {
        std::string shown;
        for (int i = 0; i < 13; i++)
            shown += cell_char(img, (p % 2 ? 17 : 2) + i, 3 + p / 2, font, kBlack);
        std::string want = p < int(names.size()) ? names[p].substr(0, 13) : "";
        if (trimmed(shown) != want) return false;
        if ((cell_pixels(img, p, kBlue) > 0) != (p == selected)) return false;
    }
    return true;
}

// A snapshot of a machine that shows the keys 6 to 0 (port 0xEFFE) as the top row's
// attributes: DI, then forever IN A,(C); CPL; AND 0x1F; 32 stores from 0x5800. The top row
// starts green, so black shows the program running.
void make_key_snapshot(const std::string &path) {
    static uint8_t image[kMemorySize];
    static Machine m;
    machine_power_on(&m, image);
    static const uint8_t program[] = {
        0xF3,              // 8000 di
        0x01, 0xFE, 0xEF,  // 8001 ld bc, 0xEFFE
        0xED, 0x78,        // 8004 in a, (c)
        0x2F,              // 8006 cpl
        0xE6, 0x1F,        // 8007 and 0x1F
        0x21, 0x00, 0x58,  // 8009 ld hl, 0x5800
        0x06, 0x20,        // 800C ld b, 32
        0x77,              // 800E ld (hl), a
        0x23,              // 800F inc hl
        0x10, 0xFC,        // 8010 djnz 800E
        0x18, 0xED,        // 8012 jr 8001
    };
    std::memcpy(m.ram + 0x8000 - 0x4000, program, sizeof program);
    std::memset(m.ram + 0x5800 - 0x4000, 0x20, 32);
    m.pc = 0x8000;
    m.sp = 0xFF00;
    ASSERT_EQ(save_sna(&m, path.c_str()), 0);
}

TEST_F(UserSession, SnapshotPickedInTheBrowserRunsWithItsKeyProfile) {
    std::filesystem::create_directories(run.dir.file("games"));
    make_key_snapshot(run.dir.file("games/hskiing.sna"));
    ASSERT_EQ(std::filesystem::file_size(run.dir.file("games/hskiing.sna")), kSnaFileSize);
    Image img;
    ASSERT_NO_FATAL_FAILURE(start_on_opense(&img));

    // The folder as the browser will list it: the screenshot file is there already.
    std::vector<std::string> names = listing(run.dir.path);
    int games = int(std::find(names.begin(), names.end(), "games") - names.begin());
    ASSERT_LT(games, int(names.size()));
    tap(button_point(kActionLoad));
    bool open = shoot_until(60, &img, [&] { return browser_shows(img, names, 0); });
    if (!open) run.keep_evidence();
    std::string all;
    for (const std::string &n : names) all += " " + n;
    ASSERT_TRUE(open) << "the browser does not show the folder's names:" << all;

    // Down goes two names on, Right one.
    for (int i = 0; i < games / 2; i++) key("key", "Down");
    if (games % 2) key("key", "Right");
    bool on_games = shoot_until(60, &img, [&] { return browser_shows(img, names, games); });
    if (!on_games) run.keep_evidence();
    ASSERT_TRUE(on_games) << "\"games\" (name " << games << ") not highlighted";
    key("key", "Return");
    const std::vector<std::string> inside = {"..", "hskiing.sna"};
    ASSERT_TRUE(shoot_until(60, &img, [&] { return browser_shows(img, inside, 0); }))
        << "the folder \"games\" was not entered";
    key("key", "Right");
    ASSERT_TRUE(shoot_until(60, &img, [&] { return browser_shows(img, inside, 1); }));
    key("key", "Return");

    // The snapshot runs: the whole picture black, its top row too once the loop stores.
    bool running = shoot_until(
        60, &img, [&] { return count_colour(img, 0, kSpecY, 512, 384, kBlack) == 512 * 384; });
    if (!running) run.keep_evidence();
    ASSERT_TRUE(running) << "the chosen snapshot did not take over the screen";

    // The hskiing profile: Right presses 7 (bit 3, blue paper), Left 6 (bit 4, red paper).
    struct Case {
        const char *key;
        uint16_t paper;
    };
    for (const Case &c : {Case{"Right", kBlue}, Case{"Left", kRed}}) {
        key("keydown", c.key);
        bool pressed = shoot_until(
            60, &img, [&] { return count_colour(img, 0, kSpecY, 512, 16, c.paper) == 512 * 16; });
        key("keyup", c.key);
        if (!pressed) run.keep_evidence();
        ASSERT_TRUE(pressed) << c.key << " held did not press its profile's key";
        // Only the top row shows keys.
        EXPECT_EQ(count_colour(img, 0, kSpecY + 16, 512, 384 - 16, kBlack), 512 * (384 - 16));
        bool released = shoot_until(
            60, &img, [&] { return count_colour(img, 0, kSpecY, 512, 16, kBlack) == 512 * 16; });
        ASSERT_TRUE(released) << c.key << " let go did not release its key";
    }
}

// ---- Taps after a tap at the edge of the screen

TEST_F(UserSession, TapsLandWhereTheyAreMadeAfterATapAtTheScreenEdge) {
    make_key_snapshot(run.dir.file("keys.sna"));
    copy_file(BLANK_ROM, run.dir.file("spectrum.rom"));
    run.start(TAVISK_BIN, {"keys.sna"});
    wait_for_window();
    Image img;
    auto top_row_is = [&](uint16_t paper) {
        return count_colour(img, 0, kSpecY, 512, 16, paper) == 512 * 16;
    };
    ASSERT_TRUE(shoot_until(120, &img, [&] { return top_row_is(kBlack); }))
        << "the key snapshot did not start";

    // Fingers at the edges: beside the end of the keyboard's ENTER row (the keyboard reaches
    // x 795), and in the bottom-left corner. Each is followed by a finger held on the drawn
    // 7, which the snapshot shows as blue paper (bit 3 of port 0xEFFE).
    const Point seven = key_point('7');
    const Point edges[] = {{799, key_point(kKeyEnter).y}, {0, 479}, {799, 0}};
    for (const Point &edge : edges) {
        SCOPED_TRACE(std::to_string(edge.x) + ", " + std::to_string(edge.y));
        tap(edge);
        ASSERT_EQ(xdotool(run.x, {"mousemove", std::to_string(seven.x), std::to_string(seven.y),
                                  "mousedown", "1"}),
                  0);
        // The program lets go of a held key after 255 frames (about five seconds).
        bool pressed = shoot_until(4, &img, [&] { return top_row_is(kBlue); });
        ASSERT_EQ(xdotool(run.x, {"mouseup", "1"}), 0);
        if (!pressed) run.keep_evidence();
        ASSERT_TRUE(pressed) << "the finger on 7 did not press 7 alone";
        ASSERT_TRUE(shoot_until(60, &img, [&] { return top_row_is(kBlack); }))
            << "7 not released after the lift";
    }
}

// ---- A key map of the user's own, made on the device

// The drawn keyboard in the picture is the panel at rest with the keys codes shown pressed,
// as the program's own drawing code makes it.
bool keyboard_shows(const Image &img, Canvas *canvas, const std::vector<int> &codes) {
    std::fill(canvas->m->pixels, canvas->m->pixels + 800 * 480, 0);
    draw_panel(canvas->m, kPanelFull);
    for (uint8_t &row : canvas->m->keyrows) row = 0xFF;
    for (int code : codes) key_press(unsigned(code), canvas->m);
    PressedKeys shown = {};
    SDL_Rect rects[kPressedKeyRects];
    draw_pressed_keys(canvas->m, &shown, rects);
    for (int y = kKeyboardY; y < kKeyboardY + kKeyboardHeight; y++)
        for (int x = kKeyboardX; x < kKeyboardX + kKeyboardWidth; x++)
            if (img.at(x, y) != canvas->at(x, y)) return false;
    return true;
}

// Paused, Up held and the drawn 7 tapped: Up gives 7 from then on, drawn pressed while held,
// and again after a new start, from the keys file the gesture saved.
TEST_F(UserSession, APadKeyMappedWhilePausedGivesItsKeyFromThenOn) {
    make_key_snapshot(run.dir.file("keys.sna"));
    copy_file(BLANK_ROM, run.dir.file("spectrum.rom"));
    Canvas canvas;
    ASSERT_TRUE(canvas.open()) << SDL_GetError();
    Image img;
    // The snapshot shows 7 down as a blue top row (bit 3 of port 0xEFFE), nothing down black.
    auto top_row_is = [&](uint16_t paper) {
        return count_colour(img, 0, kSpecY, 512, 16, paper) == 512 * 16;
    };
    auto start = [&] {
        run.start(TAVISK_BIN, {"keys.sna"});
        wait_for_window();
        ASSERT_TRUE(shoot_until(120, &img, [&] { return top_row_is(kBlack); }))
            << "the key snapshot did not start";
    };
    // Up held: 7 down in the machine and on the drawn keyboard; let go, both up again.
    auto up_gives_seven = [&] {
        key("keydown", "Up");
        bool pressed = shoot_until(
            60, &img, [&] { return top_row_is(kBlue) && keyboard_shows(img, &canvas, {'7'}); });
        key("keyup", "Up");
        if (!pressed) run.keep_evidence();
        ASSERT_TRUE(pressed) << "Up held did not give 7, drawn pressed";
        ASSERT_TRUE(shoot_until(
            60, &img, [&] { return top_row_is(kBlack) && keyboard_shows(img, &canvas, {}); }))
            << "7 did not come up with Up";
    };
    ASSERT_NO_FATAL_FAILURE(start());

    tap(button_point(kActionPause));
    ASSERT_TRUE(shoot_until(60, &img, [&] { return canvas.status_shows(img, kPausedHint); }))
        << "the status line does not say the machine is paused";
    key("keydown", "Up");
    tap(key_point('7'));
    key("keyup", "Up");
    bool confirmed = shoot_until(60, &img, [&] { return canvas.status_shows(img, "up = 7"); });
    if (!confirmed) run.keep_evidence();
    ASSERT_TRUE(confirmed) << "the status line does not confirm the new key";
    std::string saved = read_file(run.dir.file("user/config/tavisk/keymaps/keys.keys"));
    EXPECT_NE(saved.find("\nup = 7\n"), std::string::npos) << saved;
    EXPECT_TRUE(top_row_is(kBlack)) << "the tap pressed 7 in the paused machine";
    tap(button_point(kActionPause));
    ASSERT_TRUE(shoot_until(60, &img, [&] { return canvas.status_shows(img, "up = 7"); }))
        << "running again, the line does not come back";
    ASSERT_NO_FATAL_FAILURE(up_gives_seven());

    // A new start of the same game takes the user's file.
    run.stop();
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_TRUE(
        shoot_until(60, &img, [&] { return canvas.status_shows(img, "Keys: keys (yours)"); }))
        << "the status line does not name the user's map";
    ASSERT_NO_FATAL_FAILURE(up_gives_seven());
}

// ---- The pause menu: a slot, the rewind ring and Continue, as a player uses them

// A machine that stands still between frames but for a count its interrupt keeps, in the
// top-left cell's attribute, of the frames SPACE is held: what the player did shows there,
// and the machine put back saves again as the same file, byte for byte. IM 2 from 0x80FF to
// a handler that also sets the flags and R alike every frame; the main loop EI; HALT.
void make_keeper_snapshot(const std::string &path) {
    static uint8_t image[kMemorySize];
    static Machine m;
    machine_power_on(&m, image);
    static const uint8_t main_loop[] = {0xFB, 0x76, 0x18, 0xFC};  // 8000: ei; halt; jr 8000
    static const uint8_t handler[] = {
        0x21, 0x00, 0x58,  // 8200 ld hl, 0x5800
        0x3E, 0x7F,        //      ld a, 0x7F
        0xDB, 0xFE,        //      in a, (0xFE): SPACE is bit 0, low while held
        0x1F,              //      rra
        0x38, 0x01,        //      jr c, +1
        0x34,              //      inc (hl)
        0xAF,              //      xor a
        0x3E, 0x2A,        //      ld a, 0x2A
        0xED, 0x4F,        //      ld r, a
        0xFB,              //      ei
        0xC9,              //      ret
    };
    std::memcpy(m.ram + 0x4000, main_loop, sizeof main_loop);
    std::memcpy(m.ram + 0x4200, handler, sizeof handler);
    m.ram[0x40FF] = 0x00;
    m.ram[0x4100] = 0x82;
    for (int line = 0; line < 8; line++) m.ram[0x100 * line] = 0xF0;  // ink left, paper right
    m.ram[0x1800] = 0x38;
    m.pc = 0x8002;
    m.sp = 0xF000;
    m.im = 2;
    m.i = 0x80;
    m.iff1 = m.iff2 = 1;
    ASSERT_EQ(save_sna(&m, path.c_str()), 0);
}

std::vector<uint16_t> picture_of(const Image &img) {
    std::vector<uint16_t> area;
    for (int y = 0; y < 384; y++)
        for (int x = 0; x < 512; x++) area.push_back(img.at(x, kSpecY + y));
    return area;
}

// The half-size tile at (x, y) shows the picture.
bool tile_shows(const Image &img, int x, int y, const std::vector<uint16_t> &picture) {
    for (int j = 0; j < 192; j++)
        for (int i = 0; i < 256; i++)
            if (img.at(x + i, y + j) != picture[size_t(2 * j) * 512 + 2 * i]) return false;
    return true;
}

TEST_F(UserSession, ASlotTheRewindAndContinueBringBackTheSameMachine) {
    make_keeper_snapshot(run.dir.file("keeper.sna"));
    copy_file(BLANK_ROM, run.dir.file("spectrum.rom"));
    Canvas canvas;
    ASSERT_TRUE(canvas.open()) << SDL_GetError();
    const std::string slot2 = run.dir.file("user/data/tavisk/saves/keeper/slot2.sna");
    Image img;
    auto says = [&](const std::string &text) {
        bool said = shoot_until(60, &img, [&] { return canvas.status_shows(img, text); });
        if (!said) run.keep_evidence();
        return said;
    };
    auto shows = [&](const std::vector<uint16_t> &picture) {
        return shoot_until(60, &img, [&] { return picture_of(img) == picture; });
    };
    // PAUSE, a tap on the picture: the menu, its first entry highlighted.
    auto open_menu = [&] {
        tap(button_point(kActionPause));
        ASSERT_TRUE(says(kPausedHint));
        tap({256, 242});
        ASSERT_TRUE(shoot_until(
            60, &img, [&] { return img.at(8, 52) == kMenuStyle[kStyleHighlight].back; }))
            << "no menu";
    };
    auto keys = [&](std::initializer_list<const char *> names) {
        for (const char *name : names) key("key", name);
    };
    run.start(TAVISK_BIN, {"keeper.sna"});
    wait_for_window();
    ASSERT_TRUE(shoot_until(120, &img, [&] { return count_colour(img, 8, kSpecY, 8, 16, kWhite) == 128; }))
        << "the keeper snapshot did not start";
    const std::vector<uint16_t> kept = picture_of(img);

    // Saved to slot 2; SPACE held a moment changes the machine; slot 2 loaded puts it back.
    ASSERT_NO_FATAL_FAILURE(open_menu());
    keys({"Down", "Return", "Right", "Return"});
    ASSERT_TRUE(says("Saved slot 2: keeper"));
    tap(key_point(' '));
    ASSERT_TRUE(shoot_until(60, &img, [&] { return picture_of(img) != kept; })) << "SPACE did nothing";
    ASSERT_NO_FATAL_FAILURE(open_menu());
    keys({"Down", "Down", "Return", "Right", "Return"});
    ASSERT_TRUE(says("Loaded slot 2: keeper"));
    ASSERT_TRUE(shows(kept)) << "slot 2 did not bring the machine back";

    // Once the ring reaches 5 s back from the load, SPACE changes the machine again, and the
    // 5 s tile shows it as it was; going back there puts that machine back.
    bool ready = false;
    for (double deadline = now_seconds() + 120; !ready && now_seconds() < deadline;) {
        sleep_seconds(6);
        ASSERT_NO_FATAL_FAILURE(open_menu());
        keys({"Down", "Down", "Down", "Return"});
        ready = shoot_until(5, &img, [&] { return tile_shows(img, 0, 50, kept); });
        keys({"Escape", "Escape"});
    }
    ASSERT_TRUE(ready) << "the 5 s tile never showed the machine";
    tap(key_point(' '));
    ASSERT_TRUE(shoot_until(60, &img, [&] { return picture_of(img) != kept; })) << "SPACE did nothing";
    ASSERT_NO_FATAL_FAILURE(open_menu());
    keys({"Down", "Down", "Down", "Return"});
    ASSERT_TRUE(shoot_until(60, &img, [&] { return tile_shows(img, 0, 50, kept); }))
        << "the 5 s tile does not show the machine before SPACE";
    keys({"Return"});
    ASSERT_TRUE(says("Back 5 s"));
    ASSERT_TRUE(shows(kept)) << "going back did not bring the machine back";

    // At the exit tmp.sna is slot 2 again, byte for byte: the state the ring took was it.
    tap(button_point(kActionQuit));
    ASSERT_TRUE(run.program.wait_exit(120));
    ASSERT_EQ(read_file(slot2).size(), kSnaFileSize);
    EXPECT_EQ(read_file(run.dir.file("tmp.sna")), read_file(slot2));

    // Started again without a file: offered, continued, the same machine.
    run.start(TAVISK_BIN);
    wait_for_window();
    ASSERT_TRUE(says("Continue keeper: pause, tap the picture"));
    ASSERT_NO_FATAL_FAILURE(open_menu());
    keys({"Down", "Down", "Down", "Down", "Return"});
    ASSERT_TRUE(shows(kept)) << "Continue did not bring the machine back";
    tap(button_point(kActionQuit));
    ASSERT_TRUE(run.program.wait_exit(120));
    EXPECT_EQ(read_file(run.dir.file("tmp.sna")), read_file(slot2));
}

// ---- Touch alone: a second tap on the highlighted name opens it

TEST_F(UserSession, ASecondTapOnANameInTheBrowserLoadsIt) {
    make_key_snapshot(run.dir.file("keys.sna"));
    copy_file(BLANK_ROM, run.dir.file("spectrum.rom"));
    run.start(TAVISK_BIN);
    wait_for_window();
    Image img;
    tap(button_point(kActionLoad));
    std::vector<std::string> names = listing(run.dir.path);
    int at = int(std::find(names.begin(), names.end(), "keys.sna") - names.begin());
    ASSERT_LT(at, 36);
    ASSERT_TRUE(shoot_until(60, &img, [&] { return browser_shows(img, names, 0); }))
        << "the browser did not open";
    Point name = list_cell(at);
    name = {name.x + 13 * 8, name.y + 8};
    tap(name);
    ASSERT_TRUE(shoot_until(60, &img, [&] { return browser_shows(img, names, at); }))
        << "the first tap did not highlight the name";
    tap(name);
    // The snapshot runs: the whole picture black once its loop stores.
    bool running = shoot_until(
        60, &img, [&] { return count_colour(img, 0, kSpecY, 512, 384, kBlack) == 512 * 384; });
    if (!running) run.keep_evidence();
    ASSERT_TRUE(running) << "the second tap did not load the snapshot";
    EXPECT_NE(read_file(run.dir.file("stderr.txt")).find("Loaded keys.sna\n"),
              std::string::npos);
}

// A folder that cannot be listed (here: removed while it is the working folder, which works
// for the superuser too) still offers "..", and that leads back out.
TEST_F(UserSession, AFolderThatCannotBeListedStillLeadsBackUp) {
    std::filesystem::create_directories(run.dir.file("sub"));
    Image img;
    ASSERT_NO_FATAL_FAILURE(start_on_opense(&img));

    std::vector<std::string> names = listing(run.dir.path);
    int sub = int(std::find(names.begin(), names.end(), "sub") - names.begin());
    tap(button_point(kActionLoad));
    ASSERT_TRUE(shoot_until(60, &img, [&] { return browser_shows(img, names, 0); }));
    for (int i = 0; i < sub / 2; i++) key("key", "Down");
    if (sub % 2) key("key", "Right");
    ASSERT_TRUE(shoot_until(60, &img, [&] { return browser_shows(img, names, sub); }));
    key("key", "Return");
    ASSERT_TRUE(shoot_until(60, &img, [&] { return browser_shows(img, {".."}, 0); }))
        << "\"sub\" was not entered";

    // Closed, the folder removed, opened again: nothing to list but the way up.
    tap(button_point(kActionLoad));
    ASSERT_TRUE(shoot_until(60, &img, [&] { return rom_screen(img); }))
        << "the browser did not close";
    std::filesystem::remove(run.dir.file("sub"));
    tap(button_point(kActionLoad));
    bool offered = shoot_until(
        60, &img, [&] { return browser_shows(img, {".."}, 0) && cell_pixels(img, 0, kBlue) > 0; });
    if (!offered) run.keep_evidence();
    ASSERT_TRUE(offered) << "no \"..\" in a folder that cannot be listed";
    key("key", "Return");
    names = listing(run.dir.path);
    bool back = shoot_until(60, &img, [&] { return browser_shows(img, names, 0); });
    if (!back) run.keep_evidence();
    ASSERT_TRUE(back) << "\"..\" did not lead back to the start folder";

    // Out again, "tmp.sna" is written where the user now is.
    tap(button_point(kActionQuit));
    ASSERT_TRUE(run.program.wait_exit(120));
    EXPECT_EQ(std::filesystem::file_size(run.dir.file("tmp.sna")), kSnaFileSize);
}

// ---- The counter ROM under the panel buttons and the keys

// What the counter ROM shows: its frame counter and boot count, the moment of the picture.
struct Reading {
    int frames = -1;
    int boots = -1;
    double at = 0;
};

// 16 cells of pixel line 0 of character row, white for 1, black for 0; -1 when a cell is
// neither or the line below is not black (not the counter ROM's picture).
int read_bits(const Image &img, int row) {
    int value = 0;
    for (int cell = 0; cell < 16; cell++) {
        int x = 16 * cell, y = kSpecY + 16 * row;
        int ones = count_colour(img, x, y, 16, 2, kWhite);
        if (count_colour(img, x, y + 2, 16, 2, kBlack) != 32) return -1;
        if (ones != 0 && ones != 32) return -1;
        value = value << 1 | (ones ? 1 : 0);
    }
    return value;
}

class CounterRom : public UserSession {
   protected:
    Image img;
    void SetUp() override {
        UserSession::SetUp();
        if (HasFatalFailure()) return;
        copy_file(COUNTER_ROM, run.dir.file("spectrum.rom"));
        run.start(TAVISK_BIN);
        wait_for_window();
        Reading r;
        ASSERT_TRUE(wait_until(120, [&] { return read(&r) && r.frames > 0; }))
            << "the counter ROM did not start";
    }
    bool read(Reading *r) {
        double before = now_seconds();
        if (!run.shot(&img)) return false;
        r->at = (before + now_seconds()) / 2;
        r->frames = read_bits(img, 0);
        r->boots = read_bits(img, 2);
        return r->frames >= 0 && r->boots >= 0;
    }
    Reading reading() {
        Reading r;
        EXPECT_TRUE(wait_until(60, [&] { return read(&r); })) << "counter not readable";
        return r;
    }
    // Frames per second from the reading from until seconds after it, read often enough
    // that the 16-bit counter cannot wrap unseen between two pictures.
    double rate_from(const Reading &from, double seconds) {
        Reading last = from;
        int frames = 0;
        while (last.at < from.at + seconds) {
            Reading r = reading();
            if (r.frames < 0) return -1;
            frames += (r.frames - last.frames) & 0xFFFF;
            last = r;
        }
        return frames / (last.at - from.at);
    }
    // A reading at least seconds after from.
    Reading reading_after(const Reading &from, double seconds) {
        while (now_seconds() < from.at + seconds) sleep_seconds(0.1);
        return reading();
    }
    // PAUSE tapped and seen to hold: two readings a second apart agree; held is the second.
    void pause_seen(Reading *held) {
        tap(button_point(kActionPause));
        Reading a, b;
        ASSERT_TRUE(wait_until(60, [&] {
            a = reading();
            b = reading_after(a, 1);
            return a.frames == b.frames;
        })) << "PAUSE did not stop the counter";
        *held = b;
    }
    // "tmp.sna" holds this machine as it ran on after the reading last: booted once, its
    // frame counter at or after last's, at most a minute on.
    void expect_saved(const Reading &last) {
        std::string sna = read_file(run.dir.file("tmp.sna"));
        ASSERT_EQ(sna.size(), kSnaFileSize);
        auto word = [&](int address) {
            size_t at = kSnaHeaderSize + address - 0x4000;
            return uint8_t(sna[at]) | uint8_t(sna[at + 1]) << 8;
        };
        EXPECT_EQ(word(0x5B00), 1) << "boot count";
        EXPECT_LT((word(0x5B02) - last.frames) & 0xFFFF, 3000)
            << "saved frame counter " << word(0x5B02) << ", last seen " << last.frames;
    }
    // Waits until the button's digit cell shows something other than every picture in
    // others (or, with same, one of them); what it shows then, and the counter in the same
    // picture, so that the counter is read after the tap took effect.
    bool wait_digit(int action, const std::vector<std::vector<uint16_t>> &others, bool same,
                    std::vector<uint16_t> *shown, Reading *seen) {
        return wait_until(60, [&] {
            if (!read(seen)) return false;
            *shown = digit_cell(img, action);
            bool known = std::find(others.begin(), others.end(), *shown) != others.end();
            return same ? known : !known;
        });
    }
};

TEST_F(CounterRom, PauseStopsTheMachineAndResumesAtPaceWithoutBurst) {
    // Stopped: two readings a second apart agree, and so does every one for three seconds
    // more, long enough for a catch-up burst to stand out after the resume.
    Reading held;
    ASSERT_NO_FATAL_FAILURE(pause_seen(&held));
    while (now_seconds() < held.at + 3) {
        Reading r = reading();
        ASSERT_EQ(r.frames, held.frames) << "the counter moved while paused";
    }

    // Running again at 50 frames a second, counted from the moment of the tap: a catch-up
    // burst for the paused seconds would show as far more.
    Reading tapped = reading();
    tapped.at = now_seconds();
    tap(button_point(kActionPause));
    double fps = rate_from(tapped, 4);
    EXPECT_GE(fps, 20) << "not running after the second PAUSE";
    EXPECT_LE(fps, 70) << "a burst of frames after the pause";
}

TEST_F(CounterRom, FastModesRunUnpacedAndTheThirdTapPacesAgain) {
    Reading start = reading();
    double paced = rate_from(start, 3);
    EXPECT_GE(paced, 20);
    EXPECT_LE(paced, 70);

    std::vector<std::vector<uint16_t>> digits = {digit_cell(img, kActionFast)};
    for (int mode = 1; mode <= 2; mode++) {
        tap(button_point(kActionFast));
        std::vector<uint16_t> shown;
        Reading a;
        ASSERT_TRUE(wait_digit(kActionFast, digits, false, &shown, &a)) << "FAST digit stayed";
        digits.push_back(shown);
        double fps = rate_from(a, 2);
        EXPECT_GT(fps, 80) << "FAST mode " << mode << " is not faster than real time";
    }

    // Back to 50 frames a second from the first picture that shows mode 0: neither a
    // catch-up burst nor a stall for the frames run ahead.
    tap(button_point(kActionFast));
    std::vector<uint16_t> shown;
    Reading back;
    ASSERT_TRUE(wait_digit(kActionFast, {digits[0]}, true, &shown, &back))
        << "FAST is not back at 0";
    double fps = rate_from(back, 4);
    EXPECT_GE(fps, 20) << "mode 0 stalls";
    EXPECT_LE(fps, 70) << "mode 0 does not pace";
}

TEST_F(CounterRom, SoundOffIsSilentAndSoundOnBringsTheToneBack) {
    ASSERT_TRUE(wait_until(120, [&] { return tone_chunks(run.audio()) >= 10; }))
        << "no tone to begin with";
    std::vector<uint16_t> on = digit_cell(img, kActionSound), off;
    tap(button_point(kActionSound));
    Reading a;
    ASSERT_TRUE(wait_digit(kActionSound, {on}, false, &off, &a)) << "SOUND digit stayed";

    // From a few buffers after the tap (one may be on its way) to three seconds later.
    size_t from = run.audio().size() / kChunk * kChunk + 10 * kChunk;
    // The machine still runs at its pace without the sound device.
    double fps = rate_from(a, 3);
    EXPECT_GE(fps, 20);
    EXPECT_LE(fps, 70);
    ASSERT_TRUE(wait_until(120, [&] { return run.audio().size() >= from + 150 * kChunk; }));
    std::string quiet = run.audio().substr(from);
    EXPECT_EQ(tone_chunks(quiet), 0) << "tone with SOUND off";

    tap(button_point(kActionSound));
    std::vector<uint16_t> shown;
    Reading b;
    ASSERT_TRUE(wait_digit(kActionSound, {on}, true, &shown, &b)) << "SOUND digit not back at 1";
    size_t again = run.audio().size();
    EXPECT_TRUE(wait_until(120, [&] { return tone_chunks(run.audio().substr(again)) >= 10; }))
        << "no tone after SOUND on";
}

TEST_F(CounterRom, ResetRestartsTheRomWithRamKept) {
    Reading before;
    ASSERT_TRUE(wait_until(60, [&] { return read(&before) && before.frames >= 100; }));
    EXPECT_EQ(before.boots, 1);
    tap(button_point(kActionReset));
    Reading after;
    ASSERT_TRUE(wait_until(60, [&] { return read(&after) && after.boots != 1; }))
        << "RESET did not restart the ROM";
    EXPECT_EQ(after.boots, 2) << "RAM not kept through RESET";
    EXPECT_LT(after.frames, before.frames) << "the frame counter did not start again";
}

TEST_F(CounterRom, UnmappedKeyEndsTheProgramAndSavesTheMachine) {
    // ESC is a hardware key: the program goes on.
    key("key", "Escape");
    Reading a = reading();
    Reading b;
    ASSERT_TRUE(wait_until(60, [&] {
        b = reading();
        return ((b.frames - a.frames) & 0xFFFF) >= 50;
    }));
    ASSERT_TRUE(run.program.running()) << "ESC ended the program";

    key("key", "a");
    ASSERT_TRUE(run.program.wait_exit(120)) << "the key 'a' did not end the program";
    ASSERT_TRUE(WIFEXITED(run.program.status));
    EXPECT_EQ(WEXITSTATUS(run.program.status), 0);
    EXPECT_EQ(read_file(run.dir.file("stdout.txt")).rfind("counter=", 0), 0u);
    expect_saved(b);
}

// ---- Ends the user did not choose

struct Ending {
    int sig;
    bool paused;
};

void PrintTo(const Ending &e, std::ostream *os) {
    *os << strsignal(e.sig) << (e.paused ? ", paused" : ", running");
}

class SignalEnd : public CounterRom, public testing::WithParamInterface<Ending> {};

TEST_P(SignalEnd, EndsThroughTheExitSequenceAndSavesTheMachine) {
    Reading last = reading();
    if (GetParam().paused) {
        ASSERT_NO_FATAL_FAILURE(pause_seen(&last));
    }
    run.program.signal(GetParam().sig);
    ASSERT_TRUE(run.program.wait_exit(60)) << "the signal did not end the program";
    ASSERT_TRUE(WIFEXITED(run.program.status))
        << "killed by signal " << WTERMSIG(run.program.status);
    EXPECT_EQ(WEXITSTATUS(run.program.status), 0);
    EXPECT_EQ(read_file(run.dir.file("stdout.txt")).rfind("counter=", 0), 0u);
    expect_saved(last);
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalEnd,
                         testing::Values(Ending{SIGHUP, false}, Ending{SIGQUIT, true},
                                         Ending{SIGHUP, true}),
                         [](const testing::TestParamInfo<Ending> &info) {
                             return std::string(sigabbrev_np(info.param.sig)) +
                                    (info.param.paused ? "_paused" : "_running");
                         });

TEST_F(CounterRom, LostXServerStillSavesTheMachine) {
    Reading last = reading();
    run.x.child.signal(SIGKILL);
    ASSERT_TRUE(run.program.wait_exit(60)) << "the program outlived its X server";
    EXPECT_EQ(read_file(run.dir.file("stdout.txt")).rfind("counter=", 0), 0u);
    expect_saved(last);
}

}  // namespace
