// Real-time playback against its oracle, libspectrum's own edge stream: our turbo loaders
// reading tapes in the shapes real turbo tapes have, every byte landing in memory, and a
// program reading the port at every T-state seeing the library's level there, across frame
// boundaries, HALTs, block boundaries with and without pauses, stops and the tape's end;
// the ROM loader reading tapes in every format the tools write; motor sense starting and
// stopping the tape.

#include <gtest/gtest.h>

#include <sstream>

#include "tests/tape/tape_rig.h"
#include "tests/tape/test_tape_timings.h"

namespace {

constexpr uint16_t kIdle = 0x9100;     // JR $
constexpr uint16_t kPolling = 0x9200;  // IN A,(0xFE); JR back: a read every 23 T-states
constexpr uint16_t kTurboLoader = 0xC000;
constexpr uint16_t kChainLoader = 0xC400;
constexpr uint16_t kLoadAt = 0x6000;
constexpr uint16_t kBlockPitch = 0x400;  // turbo_loader.asm's blocks, one after another

void place_programs(TapeRig *rig) {
    load_bytes(rig, kIdle, {0x18, 0xFE});
    load_bytes(rig, kPolling, {0xDB, 0xFE, 0x18, 0xFC});
}

// Tape time played and level changes passed, over frames run through played_frame.
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

size_t changes_until(const LibraryStream &lib, uint64_t t) {
    return size_t(std::upper_bound(lib.changes.begin(), lib.changes.end(), t) -
                  lib.changes.begin());
}

// The bytes a loader must bring in from each block that carries some: the library's data,
// or for a direct recording the bytes make_test_tapes recorded in it (the n-th such block's).
std::vector<std::vector<uint8_t>> data_blocks(const char *name) {
    std::vector<std::vector<uint8_t>> out;
    libspectrum_tape *tape = library_read(name);
    libspectrum_tape_iterator it;
    for (auto *b = libspectrum_tape_iterator_init(&it, tape); b;
         b = libspectrum_tape_iterator_next(&it)) {
        switch (libspectrum_tape_block_type(b)) {
            case LIBSPECTRUM_TAPE_BLOCK_ROM:
            case LIBSPECTRUM_TAPE_BLOCK_TURBO:
            case LIBSPECTRUM_TAPE_BLOCK_PURE_DATA:
                out.emplace_back(
                    libspectrum_tape_block_data(b),
                    libspectrum_tape_block_data(b) + libspectrum_tape_block_data_length(b));
                break;
            case LIBSPECTRUM_TAPE_BLOCK_RAW_DATA:
                out.emplace_back();
                for (size_t i = 0; i < kFastBytes; i++)
                    out.back().push_back(fast_byte(out.size() - 1, i));
                break;
            default: break;
        }
    }
    libspectrum_tape_free(tape);
    return out;
}

// Our loaders: turbo_loader.asm forwards and backwards, one call a block; chain_loader.asm,
// one call for the whole tape.
enum Loader { kNoLoader, kForwards, kBackwards, kChain };

// Calls the loader with IX, DE and H and runs frames to its return: "" with the carry set,
// otherwise what went wrong.
std::string call_loader(TapeRig *rig, uint16_t at, uint16_t ix, size_t de, uint8_t h) {
    call_at(rig, at);
    rig->m.ix = ix;
    rig->m.d = uint8_t(de >> 8);
    rig->m.e = uint8_t(de);
    rig->m.h = h;
    if (run_to_caller(rig, true, 6000) < 0) return "did not return";
    if (!(rig->m.f & kFlagC)) return "an edge did not come in time";
    Played idle;
    run_at(rig, kIdle, 1, &idle);  // the program does something else before the next block
    return "";
}

std::string first_difference(const uint8_t *got, const std::vector<uint8_t> &want) {
    for (size_t i = 0; i < want.size(); i++)
        if (got[i] != want[i])
            return "byte " + std::to_string(i) + " of " + std::to_string(want.size()) + ": " +
                   std::to_string(got[i]) + " for " + std::to_string(want[i]);
    return "";
}

// Runs the loader over the tape from its start: "" when every byte of every block landed.
std::string load_all(const char *tape, Loader loader) {
    auto rig = make_rig();
    std::vector<uint8_t> code = read_file(data_path(loader == kChain       ? "chain_loader.bin"
                                                    : loader == kBackwards ? "backwards_loader.bin"
                                                                           : "turbo_loader.bin"));
    if (code.empty()) return "no loader";
    std::memcpy(rig->image + (loader == kChain ? kChainLoader : kTurboLoader), code.data(),
                code.size());
    place_programs(rig.get());
    insert(rig.get(), tape);
    std::vector<std::vector<uint8_t>> blocks = data_blocks(tape);
    if (loader == kChain) {
        std::vector<uint8_t> all;
        for (const auto &b : blocks) all.insert(all.end(), b.begin(), b.end());
        std::string why =
            call_loader(rig.get(), kChainLoader, kLoadAt, blocks[0].size(), uint8_t(blocks.size()));
        if (why.empty()) why = first_difference(rig->image + kLoadAt, all);
        return why;
    }
    for (size_t n = 0; n < blocks.size(); n++) {
        const std::vector<uint8_t> &want = blocks[n];
        uint16_t at = uint16_t(kLoadAt + n * kBlockPitch);
        uint16_t ix = loader == kBackwards ? uint16_t(at + want.size() - 1) : at;
        std::string why = call_loader(rig.get(), kTurboLoader, ix, want.size(), 0);
        std::vector<uint8_t> got(rig->image + at, rig->image + at + want.size());
        if (loader == kBackwards) std::reverse(got.begin(), got.end());
        if (why.empty()) why = first_difference(got.data(), want);
        if (!why.empty()) return "block " + std::to_string(n + 1) + ": " + why;
    }
    return "";
}

// Plays the tape from its start into a program that reads port 0xFE at every T-state of its
// runs, pressing PLAY whenever the tape stands: "" when every read saw the library's level at
// the same tape time (a stop holds the level until the tape goes on from there).
std::string poll_all(const char *tape) {
    LibraryStream lib = library_stream(tape);
    auto rig = make_rig();
    insert(rig.get(), tape);
    uint64_t base = 0;  // the tape time at the coming run's start
    size_t stop = 0;    // the next of lib.stops
    size_t passed = 0;  // the changes up to the last read's tape time, which only grows
    auto level_at = [&](uint64_t at) {
        while (passed < lib.changes.size() && lib.changes[passed] <= at) passed++;
        return uint8_t(passed & 1);
    };
    const int limit = int(lib.end / kFrameTstates) * 2 + 100;
    for (int n = 0; n < limit && !tape_at_end(&rig->deck); n++) {
        if (!tape_playing(&rig->deck)) tape_play(&rig->deck);
        bool playing = tape_playing(&rig->deck);
        uint64_t until = stop < lib.stops.size() ? lib.stops[stop] : lib.end;
        std::string wrong;
        poll_run(rig.get(), n, [&](uint32_t t, uint8_t level) {
            uint64_t at = playing ? std::min(base + t, until) : base;
            if (level == level_at(at) || !wrong.empty()) return;
            std::ostringstream out;
            out << "run " << n << ", T-state " << t << ", tape time " << at << ": level "
                << int(level) << ", the library's " << int(level_at(at));
            wrong = out.str();
        });
        if (!wrong.empty()) return wrong;
        if (!playing) continue;
        base += run_length(&rig->m);
        if (base >= until) {
            base = until;
            stop++;
            if (tape_playing(&rig->deck))
                return "played on over a stop at " + std::to_string(until);
        }
    }
    if (!tape_at_end(&rig->deck)) return "the tape did not end";
    if (base != lib.end)
        return "ended at " + std::to_string(base) + ", the library at " + std::to_string(lib.end);
    return "";
}

// Every tape shape real tapes have, as libspectrum's writer and the tools wrote it, read by
// the library from the file itself while the deck gets it through the decoder: what the
// decoder's re-writing changes shows here. (A .csw is not among them: it reaches the deck as
// a direct recording, which the library plays one pulse later than the recording it was; a
// loader hears the same pulses, and EveryFormatLoadsTheSameCode loads it.)
TEST(TapePlayback, LoadersAndReadsFollowTheLibrarysEdges) {
    struct Case {
        const char *tape;
        Loader loader;
    } cases[] = {
        {"turbo.tzx", kForwards},      // a turbo block with timings of our own, 1 s pause
        {"fast.tzx", kForwards},       // fast bits, no pause between the blocks or after
        {"fast.tzx", kBackwards},      // the same loaded from the top down
        {"chain.tzx", kChain},         // 220 blocks of two pilot pulses, zeros first
        {"tone_data.tzx", kForwards},  // a pure tone, two sync pulses, pure data
        {"recording.tzx", kForwards},  // a direct recording between turbo blocks
        {"fast_stop.tzx", kForwards},  // a stop-the-tape-on-48K block between turbo blocks
        {"every_kind.tzx", kNoLoader}, {"stop.tzx", kNoLoader}, {"code.wav", kNoLoader},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.tape) + (c.loader == kBackwards ? " backwards" : ""));
        if (c.loader != kNoLoader) {
            EXPECT_EQ(load_all(c.tape, c.loader), "");
        }
        if (c.loader != kBackwards) {
            EXPECT_EQ(poll_all(c.tape), "");
        }
    }
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
    // The first tone, its last edge not taken back by the stop block's, at the same T-state.
    LibraryStream lib = library_stream("stop.tzx");
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
    LibraryStream lib = library_stream("turbo.tzx");
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
