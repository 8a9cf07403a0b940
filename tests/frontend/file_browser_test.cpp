#include "frontend/file_browser.h"

#include <SDL/SDL.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <ftw.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "display/spec_font.h"
#include "screen_surface.h"

namespace {

constexpr int kW = 800;
constexpr int kH = 480;
constexpr uint16_t kBack = 0x0841;  // the surface outside the box
constexpr uint16_t kBlack = 0x0000;
constexpr uint16_t kFrame = 0x001F;
constexpr uint16_t kRed = 0xC000;
constexpr uint16_t kBlue = 0x0018;
const char kUntouched[] = "untouched";

// What each presentation of the watched surface showed.
SDL_Surface *watched;
int flips;
std::vector<uint16_t> presented;

}  // namespace

// Stands in front of SDL's own: records the picture at the moment of the flip, then
// passes the call on.
extern "C" int SDL_Flip(SDL_Surface *screen) {
    if (screen && screen == watched) {
        flips++;
        const uint16_t *px = static_cast<const uint16_t *>(screen->pixels);
        presented.assign(px, px + kW * kH);
    }
    using Flip = int (*)(SDL_Surface *);
    static Flip real = reinterpret_cast<Flip>(dlsym(RTLD_NEXT, "SDL_Flip"));
    return real ? real(screen) : -1;
}

namespace {

int remove_entry(const char *path, const struct stat *, int, struct FTW *) { return remove(path); }

std::string cwd() {
    char buffer[4096];
    return getcwd(buffer, sizeof buffer) ? buffer : "";
}

void touch(const std::string &name) {
    int fd = open(name.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0) << name;
    close(fd);
}

void make_dir(const std::string &name) { ASSERT_EQ(mkdir(name.c_str(), 0755), 0) << name; }

// A name of length bytes starting with letter, so that the letters fix the order.
std::string long_name(char letter, int length) {
    std::string name(1, letter);
    while (int(name.size()) < length) name += char('0' + name.size() % 10);
    return name;
}

// One input to the browser: a command, or a tap on a list position.
struct Input {
    BrowserCommand command;
    int position;  // kNoTap for a command
};
constexpr int kNoTap = INT_MIN;
constexpr Input kNone = {kBrowserNone, kNoTap}, kEnter = {kBrowserEnter, kNoTap},
                kLeave = {kBrowserLeave, kNoTap}, kLeft = {kBrowserLeft, kNoTap},
                kRight = {kBrowserRight, kNoTap}, kUp = {kBrowserUp, kNoTap},
                kDown = {kBrowserDown, kNoTap};
constexpr Input tap(int position) { return {kBrowserNone, position}; }

std::string describe(Input in) {
    if (in.position == kNoTap) return "command " + std::to_string(int(in.command));
    return "tap " + std::to_string(in.position);
}

class Browser : public ::testing::Test {
   protected:
    static void SetUpTestSuite() {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        if (!SDL_WasInit(SDL_INIT_VIDEO)) {
            ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
            started_video = true;
        }
    }
    static void TearDownTestSuite() {
        if (started_video) SDL_QuitSubSystem(SDL_INIT_VIDEO);
        started_video = false;
    }

    void SetUp() override {
        static Machine machine;  // too large for the stack
        static FileBrowser browser;
        m = &machine;
        b = &browser;
        surface = attach_screen_surface(m);
        ASSERT_NE(surface, nullptr);
        std::fill(m->pixels, m->pixels + kW * kH, kBack);
        watched = surface;
        flips = 0;
        presented.clear();
        std::strcpy(path, kUntouched);
        home = open(".", O_RDONLY | O_DIRECTORY);
        ASSERT_GE(home, 0);
        char pattern[] = "/tmp/browser_test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
        ASSERT_EQ(chdir(root.c_str()), 0);
        root = cwd();
    }
    void TearDown() override {
        EXPECT_EQ(fchdir(home), 0);
        close(home);
        nftw(root.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
        watched = nullptr;
        SDL_FreeSurface(surface);
    }

    int key(Input in) {
        if (in.position == kNoTap) return browser_key(b, m, in.command, path, 256);
        return browser_tap(b, m, in.position, path, 256);
    }
    std::vector<uint16_t> screen() const { return {m->pixels, m->pixels + kW * kH}; }

    // The name shown at list position p, read back from the pixels through the font.
    static std::string text_at(const uint16_t *px, int p) {
        std::string text;
        for (int k = 0; k < kBrowserShownChars; k++) {
            int column = (p % 2 ? 17 : 2) + k, row = 3 + p / 2;
            uint8_t glyph[8] = {};
            for (int j = 0; j < 8; j++)
                for (int i = 0; i < 8; i++)
                    if (px[2 * (8 * column + i) + kW * (50 + 2 * (8 * row + j))] != kBlack)
                        glyph[j] |= uint8_t(0x80 >> i);
            char c = '?';
            for (int code = 0; code < kSpecFontGlyphs; code++)
                if (std::memcmp(glyph, &specfont[8 * code], 8) == 0) c = char(32 + code);
            text += c;
        }
        return text.erase(text.find_last_not_of(' ') + 1);
    }

    // The colours other than black in the cell of list position p.
    static std::set<uint16_t> colours_at(const uint16_t *px, int p) {
        std::set<uint16_t> seen;
        int x0 = p % 2 ? 272 : 32, y0 = 98 + 16 * (p / 2);
        for (int y = y0; y < y0 + 16; y++)
            for (int x = x0; x < x0 + 16 * kBrowserShownChars; x++)
                if (px[x + kW * y] != kBlack) seen.insert(px[x + kW * y]);
        return seen;
    }

    // The box on px shows names from top, all red but lit in blue (-1: none), and its
    // blue frame and black background.
    static void expect_box(const uint16_t *px, const std::vector<std::string> &names, int top,
                           int lit, const char *what) {
        SCOPED_TRACE(what);
        for (int p = 0; p < kBrowserPositions; p++) {
            int index = top + p;
            bool named = index < int(names.size());
            EXPECT_EQ(text_at(px, p), named ? names[index].substr(0, 13) : "") << "position " << p;
            std::set<uint16_t> want;
            if (named) want = {index == lit ? kBlue : kRed};
            EXPECT_EQ(colours_at(px, p), want) << "position " << p;
        }
        struct Pixel {
            int x, y;
            uint16_t colour;
        } pixels[] = {{12, 62, kFrame}, {499, 421, kFrame}, {15, 300, kFrame}, {300, 65, kFrame},
                      {16, 66, kBlack}, {495, 417, kBlack}, {30, 96, kBlack},  {11, 62, kBack},
                      {12, 61, kBack},  {500, 421, kBack},  {499, 422, kBack}};
        for (const Pixel &q : pixels)
            EXPECT_EQ(px[q.x + kW * q.y], q.colour) << "(" << q.x << ", " << q.y << ")";
    }

    // The surface keeps all names red; the last flip showed the selection blue.
    void expect_shown(const std::vector<std::string> &names, const char *what) {
        ASSERT_EQ(presented.size(), size_t(kW * kH));
        expect_box(presented.data(), names, b->top, b->selected, what);
        expect_box(m->pixels, names, b->top, -1, what);
    }

    // Commands that must neither draw nor change anything.
    void expect_inert(std::initializer_list<Input> inputs) {
        for (Input in : inputs) {
            std::string command = describe(in);
            std::vector<uint16_t> before = screen();
            int sel = b->selected, top = b->top, flipped = flips;
            EXPECT_EQ(key(in), 0) << command;
            EXPECT_EQ(b->selected, sel) << command;
            EXPECT_EQ(b->top, top) << command;
            EXPECT_EQ(flips, flipped) << command;
            EXPECT_TRUE(screen() == before) << command;
            EXPECT_STREQ(path, kUntouched) << command;
        }
    }

    static bool started_video;
    Machine *m = nullptr;
    FileBrowser *b = nullptr;
    SDL_Surface *surface = nullptr;
    int home = -1;
    std::string root;
    char path[600];
};

bool Browser::started_video = false;

TEST_F(Browser, ListsEveryNameButDotInByteOrder) {
    // The snapshot saver's temporary files are left out, names merely like them are not.
    for (const char *name : {"b", "A", ".hidden", "1x", "_u", ".tavisk-12-3.tmp", ".tavisk-1.tmp"})
        touch(name);
    make_dir("d");
    browser_open(b, m);
    std::vector<std::string> want = {"..", ".hidden", ".tavisk-1.tmp", "1x", "A", "_u", "b", "d"};
    ASSERT_EQ(b->count, int(want.size()));
    for (int i = 0; i < b->count; i++) EXPECT_EQ(b->names[i], want[i]);
    EXPECT_EQ(b->top, 0);
    EXPECT_EQ(b->selected, 0);
    EXPECT_EQ(flips, 1);
    expect_shown(want, "opened");
}

TEST_F(Browser, MovesStopAtTheEndsOfFiveNames) {
    for (const char *name : {"a", "b", "c", "d"}) touch(name);
    const std::vector<std::string> names = {"..", "a", "b", "c", "d"};
    browser_open(b, m);
    struct Step {
        Input command;
        int sel;
    } steps[] = {
        {kRight, 1},
        {kRight, 2},
        {kRight, 3},
        {kRight, 4},
        {kRight, 4} /* fifth: stays */,
        {kLeft, 3},
        {kDown, 3} /* fourth: needs < 3 */,
        {kUp, 1},
        {kUp, 1} /* second: needs > 1 */,
        {kDown, 3},
        {kLeft, 2},
        {kDown, 4},
        {kLeft, 3},
        {kLeft, 2},
        {kLeft, 1},
        {kLeft, 0},
        {kLeft, 0},
        {tap(4), 4},
        {tap(5), 4} /* below the last name */,
        {tap(35), 4},
        {tap(1), 1},
        {tap(0), 0},
    };
    for (const Step &s : steps) {
        std::string what = describe(s.command) + " to " + std::to_string(s.sel);
        std::vector<uint16_t> before = screen();
        int was = b->selected, flipped = flips;
        EXPECT_EQ(key(s.command), 0) << what;
        EXPECT_EQ(b->selected, s.sel) << what;
        EXPECT_EQ(b->top, 0) << what;
        EXPECT_EQ(flips, flipped + (s.sel != was)) << what;
        EXPECT_TRUE(screen() == before) << what;  // without a scroll the surface stays
        EXPECT_STREQ(path, kUntouched) << what;
        expect_shown(names, what.c_str());
    }
}

TEST_F(Browser, ScrollsALineWhenTheSelectionLeavesTheBox) {
    std::vector<std::string> names = {".."};
    for (int i = 0; i < 39; i++) {
        char name[8];
        std::snprintf(name, sizeof name, "n%02d", i);
        touch(name);
        names.push_back(name);
    }
    browser_open(b, m);
    ASSERT_EQ(b->count, 40);
    struct Step {
        Input command;
        int sel, top;
    };
    std::vector<Step> steps = {{tap(35), 35, 0}, {kRight, 36, 2}, {kUp, 34, 2}};
    for (int sel = 33; sel >= 2; sel--) steps.push_back({kLeft, sel, 2});
    std::vector<Step> rest = {
        {kLeft, 1, 0},   {tap(34), 34, 0}, {kDown, 36, 2}, {tap(0), 2, 2} /* tap: name 2 */,
        {kUp, 0, 0},     {tap(35), 35, 0}, {kDown, 37, 2}, {kDown, 39, 4},
        {kRight, 39, 4}, {kDown, 39, 4},   {kUp, 37, 4},   {tap(35), 39, 4},
        {kLeft, 38, 4},  {tap(0), 4, 4},   {kLeft, 3, 2},  {kUp, 1, 0},
    };
    steps.insert(steps.end(), rest.begin(), rest.end());
    for (const Step &s : steps) {
        std::string what = describe(s.command) + " to " + std::to_string(s.sel);
        std::vector<uint16_t> before = screen();
        int top = b->top;
        EXPECT_EQ(key(s.command), 0) << what;
        EXPECT_EQ(b->selected, s.sel) << what;
        ASSERT_EQ(b->top, s.top) << what;
        if (s.top == top) {
            EXPECT_TRUE(screen() == before) << what << ": redrawn without a scroll";
        }
        expect_shown(names, what.c_str());
    }
}

TEST_F(Browser, CommandsOutsideTheTableDrawNothing) {
    for (const char *name : {"a", "b", "c", "d"}) touch(name);
    browser_open(b, m);
    key(kRight);
    key(kRight);
    ASSERT_EQ(b->selected, 2);
    expect_inert({kNone, tap(36), tap(-1), tap(-64), tap(1 << 20)});
}

TEST_F(Browser, LeavingHandsBackAnEmptyPath) {
    touch("a.sna");
    browser_open(b, m);
    int flipped = flips;
    EXPECT_EQ(key(kLeave), 1);
    EXPECT_STREQ(path, "");
    EXPECT_EQ(flips, flipped);
}

// RETURN opens the highlighted name; so does a second tap on it, while the first tap only
// highlights.
TEST_F(Browser, EntersADirectoryAndComesBackUp) {
    make_dir("sub");
    touch("sub/inner.sna");
    touch("zz");
    for (bool by_tap : {false, true}) {
        SCOPED_TRACE(by_tap ? "taps" : "RETURN");
        ASSERT_EQ(chdir(root.c_str()), 0);
        flips = 0;
        browser_open(b, m);
        EXPECT_EQ(key(by_tap ? tap(1) : kRight), 0);
        EXPECT_EQ(cwd(), root);
        EXPECT_EQ(key(by_tap ? tap(1) : kEnter), 0);
        EXPECT_STREQ(path, kUntouched);
        EXPECT_EQ(cwd(), root + "/sub");
        EXPECT_EQ(flips, 3);  // open, move, new listing
        std::vector<std::string> inner = {"..", "inner.sna"};
        ASSERT_EQ(b->count, 2);
        expect_shown(inner, "inside");
        EXPECT_EQ(key(by_tap ? tap(0) : kEnter), 0);  // "..", highlighted from the start
        EXPECT_EQ(cwd(), root);
        expect_shown({"..", "sub", "zz"}, "back");
    }
}

TEST_F(Browser, DotDotAtTheRootStaysThere) {
    ASSERT_EQ(chdir("/"), 0);
    browser_open(b, m);
    ASSERT_GT(b->count, 0);
    EXPECT_STREQ(b->names[0], "..");
    EXPECT_EQ(key(kEnter), 0);
    EXPECT_EQ(cwd(), "/");
    EXPECT_STREQ(b->names[0], "..");
}

TEST_F(Browser, ChoosesFilesByTheirWholeNames) {
    // Names up to the longest a folder holds are kept whole; two that agree in their first
    // 63 bytes each stand for their own file. A path too long for the caller's 256 bytes is
    // refused with a word to the user, never cut.
    const std::string twin = long_name('g', 63);
    struct Case {
        std::string name;
        bool chosen;
    } cases[] = {
        {long_name('a', 20), true}, {long_name('b', 62), true},   {long_name('c', 63), true},
        {long_name('d', 64), true}, {long_name('e', 100), true},  {twin, true},
        {twin + "XY", true},        {long_name('h', 240), false},
    };
    std::vector<std::string> shown = {".."};
    for (const Case &c : cases) {
        touch(c.name);
        shown.push_back(c.name);
    }
    browser_open(b, m);
    expect_shown(shown, "opened");
    for (int i = 0; i < int(std::size(cases)); i++) {
        const Case &c = cases[i];
        SCOPED_TRACE(c.name);
        EXPECT_EQ(b->names[i + 1], c.name);
        key(tap(i + 1));
        ASSERT_EQ(b->selected, i + 1);
        // RETURN, or a second tap on the highlighted name, chooses alike.
        for (Input open : {kEnter, tap(i + 1)}) {
            SCOPED_TRACE(describe(open));
            int flipped = flips;
            std::strcpy(path, kUntouched);
            testing::internal::CaptureStderr();
            EXPECT_EQ(key(open), c.chosen ? 1 : 0);
            std::string said = testing::internal::GetCapturedStderr();
            EXPECT_EQ(path, c.chosen ? root + "/" + c.name : kUntouched);
            EXPECT_EQ(said, c.chosen ? "" : "Can't read " + c.name + ": File name too long\n");
            EXPECT_EQ(cwd(), root);
            EXPECT_EQ(flips, flipped);
        }
    }
}

TEST_F(Browser, ACallersBufferTooShortRefusesTheChoice) {
    touch("game.z80");
    browser_open(b, m);
    key(kRight);
    std::string full = root + "/game.z80";
    for (size_t size : {full.size() + 1, size_t(256), full.size(), size_t(1), size_t(0)}) {
        bool fits = size > full.size();
        std::memset(path, '#', sizeof path);
        EXPECT_EQ(browser_key(b, m, kBrowserEnter, path, size), fits ? 1 : 0) << size;
        if (fits) {
            EXPECT_EQ(path, full) << size;
        }
        size_t from = fits ? full.size() + 1 : 0;
        EXPECT_EQ(std::count(path + from, path + sizeof path, '#'), long(sizeof path - from))
            << size << ": written outside the path";
    }
}

// However long the working directory's path, it is listed and its folders entered (by
// their names); a file is chosen only when its whole path fits the caller's 256 bytes.
TEST_F(Browser, LongWorkingDirectoriesListAndEnterButLongPathsAreRefused) {
    enum Outcome { kEnters, kChosen, kRefused };
    struct Case {
        int cwd_length;
        const char *name;
        bool dir;
        Outcome outcome;
    } cases[] = {
        {200, "f", false, kChosen},  {253, "f", false, kChosen} /* 255 bytes + NUL */,
        {254, "f", false, kRefused}, {497, "d", true, kEnters},
        {497, "dd", true, kEnters},  {509, "f", false, kRefused},
        {510, "d", true, kEnters},   {1500, "d", true, kEnters},
    };
    int serial = 0;
    for (const Case &c : cases) {
        std::string what = std::to_string(c.cwd_length) + " + " + c.name;
        SCOPED_TRACE(what);
        // A chain of directories under the root whose path is exactly cwd_length bytes.
        ASSERT_EQ(chdir(root.c_str()), 0);
        std::string first = "c" + std::to_string(serial++);
        make_dir(first);
        ASSERT_EQ(chdir(first.c_str()), 0);
        for (int left = c.cwd_length - int(cwd().size()); left > 0;
             left = c.cwd_length - int(cwd().size())) {
            std::string part(left - 1 > 200 ? 150 : left - 1, 'x');
            make_dir(part);
            ASSERT_EQ(chdir(part.c_str()), 0);
        }
        std::string here = cwd();
        ASSERT_EQ(int(here.size()), c.cwd_length);
        c.dir ? make_dir(c.name) : touch(c.name);

        browser_open(b, m);
        std::strcpy(path, kUntouched);
        ASSERT_EQ(b->count, 2);
        EXPECT_STREQ(b->names[1], c.name);
        key(tap(1));
        int flipped = flips;
        testing::internal::CaptureStderr();
        EXPECT_EQ(key(kEnter), c.outcome == kChosen ? 1 : 0);
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  c.outcome == kRefused ? std::string("Can't read f: File name too long\n") : "");
        EXPECT_EQ(path, c.outcome == kChosen ? here + "/" + c.name : kUntouched);
        EXPECT_EQ(cwd(), c.outcome == kEnters ? here + "/" + c.name : here);
        EXPECT_EQ(flips, flipped + (c.outcome == kEnters));
    }
}

// A working directory removed meanwhile lists nothing of its own, but still offers "..",
// which leads back out.
TEST_F(Browser, AVanishedDirectoryStillOffersTheWayUp) {
    touch("stale");
    browser_open(b, m);  // leaves a name behind in the table
    make_dir("gone");
    ASSERT_EQ(chdir("gone"), 0);
    ASSERT_EQ(rmdir((root + "/gone").c_str()), 0);
    std::fill(m->pixels, m->pixels + kW * kH, kBack);
    flips = 0;
    browser_open(b, m);
    ASSERT_EQ(b->count, 1);
    EXPECT_STREQ(b->names[0], "..");
    EXPECT_EQ(flips, 1);
    expect_shown({".."}, "only the way up");
    expect_inert({kLeft, kDown, kUp, kRight, tap(1), tap(35)});
    EXPECT_EQ(key(kEnter), 0);
    EXPECT_EQ(cwd(), root);
    expect_shown({"..", "stale"}, "back up");
}

// A folder that may be entered but not read: the same way up. The superuser reads any
// folder, so this needs an ordinary user.
TEST_F(Browser, AnUnreadableFolderStillOffersTheWayUp) {
    make_dir("locked");
    touch("locked/inside");
    ASSERT_EQ(chmod("locked", 0111), 0);
    bool readable = access("locked", R_OK) == 0;
    if (readable) {
        chmod("locked", 0755);
        GTEST_SKIP() << "the superuser reads any folder";
    }
    browser_open(b, m);
    key(tap(1));
    EXPECT_EQ(key(kEnter), 0);
    EXPECT_EQ(cwd(), root + "/locked");
    ASSERT_EQ(b->count, 1);
    expect_shown({".."}, "only the way up");
    EXPECT_EQ(key(kEnter), 0);
    EXPECT_EQ(cwd(), root);
    chmod((root + "/locked").c_str(), 0755);
}

TEST_F(Browser, MoreNamesThanSlotsFillTheTableOnly) {
    const int files = kBrowserSlots + 8;
    for (int i = 0; i < files; i++) {
        char name[16];
        std::snprintf(name, sizeof name, "f%05d", i);
        touch(name);
    }
    browser_open(b, m);
    ASSERT_EQ(b->count, kBrowserSlots);
    EXPECT_STREQ(b->names[0], "..");
    for (int i = 1; i < kBrowserSlots; i++) {
        ASSERT_LT(std::strcmp(b->names[i - 1], b->names[i]), 0) << i;
        int number = -1;
        ASSERT_EQ(std::sscanf(b->names[i], "f%05d", &number), 1) << b->names[i];
        ASSERT_LT(number, files) << b->names[i];
    }
    std::vector<std::string> first(b->names, b->names + kBrowserPositions);
    expect_shown(first, "full table");

    // Whatever the scan order, a full table still keeps the way up, in its last slot.
    std::string last = b->names[kBrowserSlots - 1];
    for (const char *name : {"late", "..", "."}) {
        browser_add(b, name);
        EXPECT_EQ(b->count, kBrowserSlots) << name;
        EXPECT_EQ(b->names[kBrowserSlots - 1], std::strcmp(name, "late") ? ".." : last) << name;
    }
}

// Taps on the list pick the position whose name is drawn there: names in character columns
// 2-14 and 17-29, rows 3-20, each cell 16 screen pixels from y 50; the cells' outer edges
// and what lies beyond pick nothing.
TEST(BrowserTap, ScreenPointsToListPositions) {
    struct Case {
        int x, y, position;  // -1: outside the list
    } cases[] = {
        {33, 99, 0},    {32, 99, -1},   {33, 98, -1},   {256, 113, 0},
        {257, 113, 1},  {272, 110, 1},  {40, 116, 2},   {479, 385, 35},
        {480, 385, -1}, {479, 386, -1}, {100, 370, 34}, {700, 200, -1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(browser_tap_position(c.x, c.y), c.position) << c.x << "," << c.y;
}

}  // namespace
