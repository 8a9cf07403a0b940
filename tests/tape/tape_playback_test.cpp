// Real-time playback: the edges each run gets, exact across frame boundaries and HALT frames;
// our turbo loader and the ROM loader reading tapes in every format the tools write; motor
// sense starting and stopping the tape.

#include <gtest/gtest.h>

#include <libspectrum.h>

#include "tests/tape/tape_rig.h"
#include "tests/tape/test_tape_timings.h"

namespace {

constexpr uint16_t kIdle = 0x9100;     // JR $
constexpr uint16_t kPolling = 0x9200;  // IN A,(0xFE); JR back: a read every 23 T-states
constexpr uint16_t kTurboLoader = 0xC000;
constexpr uint16_t kTurboDest = 0x7000;

// The tape as the library plays it, read here on its own: the T-states from the start of
// playback at which the level changes (it starts at 0; edges at the same T-state change it
// once or not at all), and block 0's data.
struct LibraryTape {
    std::vector<uint64_t> changes;
    std::vector<uint8_t> data0;
};

LibraryTape library_tape(const char *name, uint64_t until) {
    LibraryTape out;
    std::vector<uint8_t> bytes = read_file(data_path(name));
    libspectrum_init();
    libspectrum_tape *tape = libspectrum_tape_alloc();
    EXPECT_EQ(libspectrum_tape_read(tape, bytes.data(), bytes.size(), LIBSPECTRUM_ID_UNKNOWN, nullptr),
              LIBSPECTRUM_ERROR_NONE);
    libspectrum_tape_iterator it;
    libspectrum_tape_block *b = libspectrum_tape_iterator_init(&it, tape);
    if (libspectrum_tape_block_type(b) == LIBSPECTRUM_TAPE_BLOCK_TURBO)
        out.data0.assign(libspectrum_tape_block_data(b),
                         libspectrum_tape_block_data(b) + libspectrum_tape_block_data_length(b));
    uint64_t t = 0;
    int level = 0;
    while (t <= until) {
        libspectrum_dword delay;
        int flags;
        libspectrum_tape_get_next_edge(&delay, &flags, tape);
        t += delay;
        int next = 1 - level;
        if (flags & LIBSPECTRUM_TAPE_FLAGS_LEVEL_LOW)
            next = 0;
        else if (flags & LIBSPECTRUM_TAPE_FLAGS_LEVEL_HIGH)
            next = 1;
        else if (flags & LIBSPECTRUM_TAPE_FLAGS_NO_EDGE)
            next = level;
        if (next != level) {
            if (!out.changes.empty() && out.changes.back() == t)
                out.changes.pop_back();
            else
                out.changes.push_back(t);
        }
        level = next;
    }
    libspectrum_tape_free(tape);
    return out;
}

void place_programs(TapeRig *rig) {
    load_bytes(rig, kIdle, {0x18, 0xFE});
    load_bytes(rig, kPolling, {0xDB, 0xFE, 0x18, 0xFC});
}

// Tape time played and edges passed, over frames run through played_frame.
struct Played {
    uint64_t time = 0;
    size_t edges = 0;
};

void played_frame(TapeRig *rig, Played *p) {
    bool playing = tape_playing(&rig->deck);
    frame(rig);
    if (!playing) return;
    p->time += run_length(&rig->m);
    p->edges += rig->m.ear.next;
}

void run_at(TapeRig *rig, uint16_t pc, int frames, Played *p) {
    rig->m.pc = pc;
    rig->m.iff1 = rig->m.iff2 = 0;
    for (int n = 0; n < frames; n++) played_frame(rig, p);
}

size_t changes_until(const LibraryTape &lib, uint64_t t) {
    size_t n = 0;
    while (n < lib.changes.size() && lib.changes[n] <= t) n++;
    return n;
}

// Runs of every length a frame can take, a HALT among them, without the processor: what each
// run is handed and passes must be the library's edges at the same tape time.
TEST(TapePlayback, EdgesAreExactAcrossRunsAndHalts) {
    constexpr uint32_t kHaltRun = kHaltTstates + 30000;
    const uint32_t lengths[] = {69889, 69888 + 23, kHaltRun, 69888 + 42, 69890, kHaltRun, 69901};
    constexpr int kRuns = 80;
    LibraryTape lib = library_tape("turbo.tzx", uint64_t(kRuns + 2) * 69930);
    auto rig = make_rig();
    insert(rig.get(), "turbo.tzx");
    Machine &m = rig->m;
    // A first run that listens starts the tape for the next one.
    tape_before_frame(&rig->deck, &m);
    EXPECT_EQ(m.ear.count, 0u);
    m.tstates = 69889;
    m.ear.reads = kListenReads;
    tape_after_frame(&rig->deck, &m);
    ASSERT_TRUE(tape_playing(&rig->deck));

    std::vector<uint64_t> got;
    uint64_t base = 0;
    for (int run = 0; run < kRuns; run++) {
        tape_before_frame(&rig->deck, &m);
        size_t passed_before = 0;
        while (passed_before < lib.changes.size() && lib.changes[passed_before] <= base) passed_before++;
        ASSERT_EQ(m.ear.level, passed_before & 1) << "run " << run;
        uint32_t length = lengths[run % std::size(lengths)];
        uint32_t end = length >= kHaltTstates ? kFrameTstates : length;
        for (uint32_t i = 0; i < m.ear.count; i++) {
            if (i > 0) {
                ASSERT_LT(m.ear.edge[i - 1], m.ear.edge[i]);
            }
            if (m.ear.edge[i] <= end) got.push_back(base + m.ear.edge[i]);
        }
        m.tstates = length;
        m.ear.reads = kListenReads;
        tape_after_frame(&rig->deck, &m);
        base += end;
    }
    std::vector<uint64_t> want;
    for (uint64_t t : lib.changes)
        if (t <= base) want.push_back(t);
    ASSERT_GT(want.size(), 1000u);  // through the pilot into the data
    EXPECT_EQ(got, want);
}

// Our own loader with its own timings hears the turbo block in real time.
TEST(TapePlayback, TurboLoaderReadsTheTurboBlock) {
    auto rig = make_rig();
    std::vector<uint8_t> loader = read_file(data_path("turbo_loader.bin"));
    ASSERT_FALSE(loader.empty());
    std::memcpy(rig->image + kTurboLoader, loader.data(), loader.size());
    insert(rig.get(), "turbo.tzx");
    rig->m.ix = kTurboDest;
    rig->m.d = uint8_t(kTurboBytes >> 8);
    rig->m.e = uint8_t(kTurboBytes);
    call_at(rig.get(), kTurboLoader);
    bool played = false;
    int frames = 0;
    while (rig->m.pc != kCallerDone && frames++ < 400) {
        frame(rig.get());
        played = played || tape_playing(&rig->deck);
    }
    ASSERT_EQ(rig->m.pc, kCallerDone);
    EXPECT_TRUE(played);
    EXPECT_TRUE(rig->m.f & kFlagC) << "the loader missed an edge";
    LibraryTape lib = library_tape("turbo.tzx", 0);
    ASSERT_EQ(lib.data0.size(), kTurboBytes);
    EXPECT_EQ(std::memcmp(rig->image + kTurboDest, lib.data0.data(), kTurboBytes), 0);
}

// The code tape as pasmo wrote it and as tapeconv and tape2wav converted it loads the same
// through LOAD's calls of LD-BYTES: at once where its blocks are standard ones, in real time
// where they are recordings.
TEST(TapePlayback, EveryFormatLoadsTheSameCode) {
    std::vector<uint8_t> code = read_file(data_path("code.bin"));
    ASSERT_EQ(code.size(), 300u);
    struct Case {
        const char *tape;
        bool instant;
    } cases[] = {{"code.tap", true}, {"code.tzx", true}, {"code.csw", false}, {"code.wav", false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tape);
        auto rig = make_rig();
        insert(rig.get(), c.tape);
        call_ld_bytes(rig.get(), 0x00, true, 17, 0x6000);
        int header = run_to_caller(rig.get(), true, 2000);
        ASSERT_GT(header, 0);
        EXPECT_TRUE(rig->m.f & kFlagC);
        EXPECT_EQ(memory_read16(rig->m.rom, 0x6000 + 11), code.size());
        call_ld_bytes(rig.get(), 0xFF, true, uint16_t(code.size()), 0x8000);
        int data = run_to_caller(rig.get(), true, 2000);
        ASSERT_GT(data, 0);
        EXPECT_TRUE(rig->m.f & kFlagC);
        EXPECT_EQ(std::memcmp(rig->image + 0x8000, code.data(), code.size()), 0);
        EXPECT_EQ(header <= 3 && data <= 3, c.instant) << header << " and " << data << " frames";
    }
}

TEST(TapePlayback, MotorFollowsTheProgramAndStopBlocks) {
    auto rig = make_rig();
    place_programs(rig.get());
    insert(rig.get(), "stop.tzx");
    Played p;
    // A program that does not read the port: the tape stands, the level stays.
    for (int n = 0; n < 10; n++) {
        run_at(rig.get(), kIdle, 1, &p);
        EXPECT_FALSE(tape_playing(&rig->deck));
        EXPECT_EQ(rig->m.ear.count, 0u);
    }
    // Polling at loader rates starts it: the first tone plays, then the stop block stops it.
    run_at(rig.get(), kPolling, 1, &p);
    EXPECT_TRUE(tape_playing(&rig->deck));
    for (int n = 0; n < 50 && tape_playing(&rig->deck); n++) played_frame(rig.get(), &p);
    EXPECT_FALSE(tape_playing(&rig->deck));
    EXPECT_FALSE(tape_at_end(&rig->deck));
    EXPECT_EQ(tape_block(&rig->deck), 3);
    // The first tone, its last edge cancelled by the stop block's, at the same T-state.
    LibraryTape lib = library_tape("stop.tzx", 3 * kStopTonePulses * kStopTonePulse);
    const uint64_t first_tone = kStopTonePulses * kStopTonePulse;
    EXPECT_EQ(p.edges, changes_until(lib, first_tone));
    // Still polling: the tape stays stopped until the program has paused.
    run_at(rig.get(), kPolling, 10, &p);
    EXPECT_FALSE(tape_playing(&rig->deck));
    EXPECT_EQ(rig->m.ear.count, 0u);
    run_at(rig.get(), kIdle, 1, &p);
    run_at(rig.get(), kPolling, 1, &p);
    EXPECT_TRUE(tape_playing(&rig->deck));
    for (int n = 0; n < 50 && tape_playing(&rig->deck); n++) played_frame(rig.get(), &p);
    EXPECT_TRUE(tape_at_end(&rig->deck));
    EXPECT_EQ(p.edges, changes_until(lib, first_tone + 2 * first_tone));
    run_at(rig.get(), kIdle, 1, &p);
    run_at(rig.get(), kPolling, 3, &p);
    EXPECT_FALSE(tape_playing(&rig->deck));
}

TEST(TapePlayback, StopsWhenTheProgramStopsListeningAndResumesWhereItStood) {
    constexpr uint64_t kTapeTime = 110 * 69888;  // pilot, and data beyond the test's time
    LibraryTape lib = library_tape("turbo.tzx", kTapeTime);
    auto rig = make_rig();
    place_programs(rig.get());
    insert(rig.get(), "turbo.tzx");
    Played p;
    run_at(rig.get(), kPolling, 3, &p);
    ASSERT_TRUE(tape_playing(&rig->deck));
    rig->m.pc = kIdle;
    for (int n = 1; n <= kQuietFrames; n++) {
        EXPECT_TRUE(tape_playing(&rig->deck)) << n;
        played_frame(rig.get(), &p);
    }
    EXPECT_FALSE(tape_playing(&rig->deck));
    uint8_t level = rig->m.ear.level;
    for (int n = 0; n < 5; n++) {
        played_frame(rig.get(), &p);
        EXPECT_EQ(rig->m.ear.count, 0u);
        EXPECT_EQ(rig->m.ear.level, level);
    }
    // On from where it stood: every edge of the tape passed once, in its own time.
    run_at(rig.get(), kPolling, 10, &p);
    EXPECT_TRUE(tape_playing(&rig->deck));
    ASSERT_LT(p.time, kTapeTime);
    EXPECT_EQ(p.edges, changes_until(lib, p.time));
    EXPECT_GT(p.edges, 1000u);
}

// The ROM loader entered while the next block is not a standard one: the tape plays.
TEST(TapePlayback, RomLoaderStartsATurboBlock) {
    auto rig = make_rig();
    insert(rig.get(), "turbo.tzx");
    call_ld_bytes(rig.get(), 0xFF, true, 100, 0x8000);
    frame(rig.get());
    EXPECT_TRUE(rig->m.ear.trap_armed);
    EXPECT_TRUE(tape_playing(&rig->deck));
    EXPECT_GE(rig->m.pc, kLoaderStart);
    EXPECT_LT(rig->m.pc, kLoaderEnd);
}

}  // namespace
