// Files opened as a user opens them, through the real decoder: whatever a file holds, the
// front end answers all the while, says only its own words, and either takes the file or
// keeps the machine, the tape and the key map exactly as they were.
#include "frontend/file_open.h"

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>

#include "front_end_rig.h"
#include "frontend/event_dispatch.h"
#include "frontend/tape_control.h"
#include "input/key_profiles.h"
#include "snapshot/snapshot_fixture.h"
#include "tape/tape_deck.h"

namespace {

std::string files(const char *name) { return std::string(DECODE_FILES) + "/" + name; }

double seconds_since(const timeval &from) {
    timeval now;
    gettimeofday(&now, nullptr);
    return double(now.tv_sec - from.tv_sec) + double(now.tv_usec - from.tv_usec) / 1e6;
}

// The program's own lines, the only ones standard error may hold.
bool program_line(const std::string &line) {
    static const std::regex kLines(
        "READING .+|Stopped reading .+|Can't read .+: .+|Not a tape: .+|Not a snapshot: .+|"
        "Not a 48K snapshot: .+|Nothing to load in .+|Loaded .+|Block [0-9]+/[0-9]+ .+|"
        "Tape ended: .+|Keys: .+");
    return std::regex_match(line, kLines);
}

class FileOpen : public FrontEndRig {
   protected:
    void SetUp() override {
        FrontEndRig::SetUp();
        std::snprintf(fe->open.decoder, sizeof fe->open.decoder, "%s", TAVISK_DECODER);
    }
    void TearDown() override {
        file_open_abandon(fe, false);
        FrontEndRig::TearDown();
    }
    // What the decoder took, printed for the record.
    void print_usage(const char *file) {
        const rusage &u = fe->open.job.usage;
        std::printf("%-16s decoder: %6.1f MB peak, %5.2f s processor, %5.2f s in all\n", file,
                    u.ru_maxrss / 1024.0,
                    u.ru_utime.tv_sec + u.ru_stime.tv_sec +
                        (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6,
                    fe->open.job.micros / 1e6);
    }
    // Polls as the frame loop does, until the decoding ends or for deadline seconds; the
    // longest poll in seconds.
    double poll_to_end(double deadline) {
        timeval start;
        gettimeofday(&start, nullptr);
        double longest = 0;
        while (file_open_pending(fe) && seconds_since(start) < deadline) {
            timeval before, now;
            gettimeofday(&before, nullptr);
            file_open_poll(fe, &before);
            gettimeofday(&now, nullptr);
            longest = std::max(longest, seconds_since(before));
            usleep(10000);
        }
        return longest;
    }
};

// Every row is refused with the words given, within the decoder's bounds, the machine, tape
// and key map kept byte for byte; standard error holds the program's lines only, and no poll
// waits for the decoder.
TEST_F(FileOpen, HostileFilesAreRefusedOrReadWithinBounds) {
    struct Case {
        const char *file;
        const char *said;  // the start of the last line said
    } cases[] = {
        {"hang.wav", "Can't read hang.wav: too large or malformed"},
        {"zeros.tap", "Can't read zeros.tap: too large or malformed"},
        {"zeros.tzx", "Not a tape: zeros.tzx"},
        {"zeros.pzx", "Not a tape: zeros.pzx"},
        {"zeros.csw", "Not a tape: zeros.csw"},
        {"zeros.wav", "Not a tape: zeros.wav"},
        {"bomb.tap", "Can't read bomb.tap: too large or malformed"},
        {"bomb.csw", "Can't read bomb.csw: too large or malformed"},
        {"truncated.zip", "Can't read truncated.zip: not a zip archive or damaged"},
        {"zip_of_zip.zip", "Nothing to load in zip_of_zip.zip"},
        {"no_tape.zip", "Nothing to load in no_tape.zip"},
        {"z80_128k.zip", "Not a 48K snapshot: z80_128k.zip"},
        {"short.csw", "Can't read short.csw: "},
    };
    DecodedFile game;
    ASSERT_EQ(decode_here(files("game.tap").c_str(), &game), 0);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        // A tape in the deck, a key profile in force, a machine of its own.
        tape_open_decoded(fe, "game.tap", game.data(), game.size());
        fe->options->keymap = profile_for("krakout")->map;
        for (int k = 0; k < kRamSize; k++) m->ram[k] = uint8_t(k * 31 + 7);
        m->pc = 0x8123, m->sp = 0x7FF0, m->a = 0x42, m->im = 2, m->portfe = 0xF3;
        Regs regs = regs_of(m);
        Bytes ram = ram_of(m);
        KeyMap keymap = fe->options->keymap;
        TapeDeck deck = *tape_front_deck();

        testing::internal::CaptureStderr();
        timeval start;
        gettimeofday(&start, nullptr);
        file_open(fe, files(c.file).c_str());
        double opening = seconds_since(start);
        double longest = poll_to_end(120);
        std::string said = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(file_open_pending(fe)) << "still decoding";
        EXPECT_LT(opening, 1.0);
        EXPECT_LT(longest, 1.0) << "a poll waited for the decoder";

        print_usage(c.file);
        EXPECT_LE(size_t(fe->open.job.usage.ru_maxrss) * 1024, kDecodeMemory);

        std::istringstream lines(said);
        std::string line, last;
        while (std::getline(lines, line)) {
            EXPECT_TRUE(program_line(line)) << "not the program's: " << line;
            last = line;
        }
        EXPECT_EQ(last.rfind(c.said, 0), 0u) << last;
        EXPECT_EQ(regs_of(m), regs);
        EXPECT_TRUE(ram == ram_of(m)) << "RAM changed";
        EXPECT_EQ(std::memcmp(&keymap, &fe->options->keymap, sizeof keymap), 0);
        EXPECT_EQ(std::memcmp(&deck, tape_front_deck(), sizeof deck), 0) << "the tape changed";
    }
}

// Archives and other programs' snapshots are taken as the file they hold, by its own name:
// its key profile, its tape's name.
TEST_F(FileOpen, EveryFileAUserHasIsTakenByTheNameInside) {
    struct Case {
        const char *file;
        const char *said;
        const char *profile;  // the key map afterwards, nullptr: the default one kept
        bool tape;            // the machine restarted for a tape
    } cases[] = {
        {"krakout.zip", "Block 1/4 krakout2.tap", "krakout", true},
        {"game.tap.gz", "Block 1/4 game.tap", nullptr, true},
        {"GAME.TZX.BZ2", "Block 1/4 GAME.TZX", nullptr, true},
        {"pinball.zip", "Loaded pinball.zip", "pinball", false},
        {"maziacs.szx", "Loaded maziacs.szx", "maziacs", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        options_defaults(fe->options);
        KeyMap before = fe->options->keymap;
        for (int k = 0; k < kRamSize; k++) m->ram[k] = 0x5A;
        m->pc = 0x8123, m->sp = 0x7FF0;
        testing::internal::CaptureStderr();
        file_open(fe, files(c.file).c_str());
        poll_to_end(120);
        std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(said.rfind(std::string(c.said) + "\n", 0), 0u) << said;
        const KeyMap *want = c.profile ? &profile_for(c.profile)->map : &before;
        EXPECT_EQ(std::memcmp(&fe->options->keymap, want, sizeof *want), 0);
        // A tape restarts the machine at 0; the snapshots' machine stands at 0 too, its SP
        // past the PC it popped.
        EXPECT_EQ(m->pc, 0);
        EXPECT_EQ(m->sp, c.tape ? 0 : 0x8002);
        EXPECT_EQ(std::count(m->ram, m->ram + kRamSize, 0), kRamSize) << "RAM not replaced";
    }
}

// The largest tape the program takes is taken, and taking it again costs no more memory
// than the tape itself: the first copy is given back.
TEST_F(FileOpen, TheLargestTapeIsTakenAndTakingItAgainCostsNoMore) {
    long page = sysconf(_SC_PAGESIZE);
    auto resident = [&] {
        std::ifstream statm("/proc/self/statm");
        long size = 0, pages = 0;
        statm >> size >> pages;
        return pages * page;
    };
    long before = resident();
    long after[2];
    for (long &a : after) {
        file_open(fe, files("max.tap").c_str());
        poll_to_end(120);
        const TapeDeck *deck = tape_front_deck();
        ASSERT_STREQ(tape_name(deck), "max.tap");
        a = resident();
        print_usage("max.tap");
        std::printf("program: %.1f MB more than before\n", (a - before) / 1048576.0);
    }
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer holds freed memory back";
#endif
    EXPECT_LT(after[1] - after[0], 8l << 20) << "the first tape was not given back";
}

// A file that keeps the decoder busy: "READING" once half a second has passed, and LOAD
// gives it up at once, the decoder ended.
TEST_F(FileOpen, ReadingIsSaidAndLoadGivesUp) {
    testing::internal::CaptureStderr();
    file_open(fe, files("hang.wav").c_str());
    pid_t decoder = fe->open.job.pid;
    ASSERT_GT(decoder, 0);
    poll_to_end(1.5);
    button_action(fe, kActionLoad);
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(file_open_pending(fe));
    EXPECT_NE(kill(decoder, 0), 0) << "the decoder lives on";
    EXPECT_EQ(said, "READING hang.wav\nStopped reading hang.wav\n");
}

}  // namespace
