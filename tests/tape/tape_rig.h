// A machine with the OpenSE ROM and a tape deck, run frame by frame as the front end does,
// with a way into the ROM's LD-BYTES as a program calls it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include <libspectrum.h>

#include "machine/machine.h"
#include "machine/run_frame.h"
#include "tape/rom_loader.h"
#include "tape/tape_deck.h"
#include "tests/decode_here.h"

struct TapeRig {
    Machine m;
    uint8_t image[kMemorySize];
    TapeDeck deck;
    ~TapeRig() { tape_eject(&deck, &m); }
};

// Where LD-BYTES's caller resumes (DI; HALT, so that a HALT frame shows the return), and the
// mode 2 vector table page whose interrupt handler is a bare RET: the interrupt that
// SA/LD-RET's EI lets in then changes nothing but the stack.
constexpr uint16_t kCaller = 0x9000;
constexpr uint16_t kCallerDone = kCaller + 2;
constexpr uint8_t kVectorPage = 0xA0;
constexpr uint16_t kHandler = 0xA200;
constexpr uint16_t kStackTop = 0xFF00;

inline std::string data_path(const char *name) { return std::string(TAPE_DATA) + "/" + name; }

inline std::vector<uint8_t> read_file(const std::string &path) {
    std::vector<uint8_t> bytes;
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return bytes;
    int c;
    while ((c = std::fgetc(f)) != EOF) bytes.push_back(uint8_t(c));
    std::fclose(f);
    return bytes;
}

inline std::unique_ptr<TapeRig> make_rig() {
    auto rig = std::make_unique<TapeRig>();
    std::memset(rig->image, 0, sizeof rig->image);
    std::vector<uint8_t> rom = read_file(OPENSE_ROM);
    EXPECT_EQ(rom.size(), size_t(kRomSize)) << OPENSE_ROM;
    if (rom.size() == size_t(kRomSize)) std::memcpy(rig->image, rom.data(), kRomSize);
    machine_power_on(&rig->m, rig->image);
    std::memset(&rig->deck, 0, sizeof rig->deck);
    rig->m.counter = 1;  // past the first frame: interrupts are taken
    rig->image[kCaller] = 0xF3;      // DI
    rig->image[kCaller + 1] = 0x76;  // HALT
    rig->image[kVectorPage * 256 + 0xFF] = uint8_t(kHandler);
    rig->image[kVectorPage * 256 + 0x100] = uint8_t(kHandler >> 8);
    rig->image[kHandler] = 0xC9;  // RET
    return rig;
}

inline void load_bytes(TapeRig *rig, uint16_t addr, std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) rig->image[addr++] = b;
}

// The tape file as the decoder hands it to the deck.
inline void insert(TapeRig *rig, const char *name) {
    DecodedFile file;
    ASSERT_EQ(decode_here(data_path(name).c_str(), &file), 0) << name;
    ASSERT_EQ(file.header.outcome, kDecodedTape) << name;
    char text[300];
    ASSERT_EQ(
        tape_insert(&rig->deck, file.header.name, file.data(), file.size(), text, sizeof text), 0)
        << text;
}

// One frame as the front end runs it; trap false disarms the loader trap (the ROM's own
// loader then reads the tape in real time).
inline void frame(TapeRig *rig, bool trap = true) {
    tape_before_frame(&rig->deck, &rig->m);
    if (!trap) rig->m.ear.trap_armed = 0;
    rig->m.tstates = 0;
    rig->m.tslimit = kFrameTstates;
    run_frame(&rig->m);
    tape_after_frame(&rig->deck, &rig->m);
    rig->m.counter++;
    rig->m.sndread = (rig->m.sndread + 1) % kRingFrames;
}

// Calls code at pc with the given stack, returning to kCaller, interrupts off, mode 2.
inline void call_at(TapeRig *rig, uint16_t pc) {
    Machine &m = rig->m;
    m.sp = uint16_t(kStackTop - 2);
    memory_write16(m.rom, m.sp, kCaller);
    m.pc = pc;
    m.iff1 = m.iff2 = 0;
    m.im = 2;
    m.i = kVectorPage;
}

// LD-BYTES as LOAD/VERIFY call it: flag byte in A, carry for LOAD, length in DE, place in IX.
inline void call_ld_bytes(TapeRig *rig, uint8_t flag, bool load, uint16_t length, uint16_t dest) {
    Machine &m = rig->m;
    m.a = flag;
    m.f = load ? kFlagC : 0;
    m.d = uint8_t(length >> 8);
    m.e = uint8_t(length);
    m.ix = dest;
    call_at(rig, kLoaderStart);
}

// Runs frames until the caller's HALT; the number of frames, or -1 after limit of them.
inline int run_to_caller(TapeRig *rig, bool trap, int limit) {
    for (int n = 1; n <= limit; n++) {
        frame(rig, trap);
        if (rig->m.pc == kCallerDone) return n;
    }
    return -1;
}

// The tape as the library plays it from its start without stopping, read here on its own:
// the T-states from the start at which the level changes (it starts at 0), where the tape
// stops (stop blocks) and where it ends. An edge that forces a level changes it when it
// differs; any other edge flips it, except one of no length: the library gives those where
// something without sound ends, and a pulse of no length is none.
struct LibraryStream {
    std::vector<uint64_t> changes;
    std::vector<uint64_t> stops;
    uint64_t end = 0;
};

inline libspectrum_tape *library_read(const char *name) {
    std::vector<uint8_t> bytes = read_file(data_path(name));
    libspectrum_init();
    libspectrum_tape *tape = libspectrum_tape_alloc();
    EXPECT_EQ(libspectrum_tape_read(tape, bytes.data(), bytes.size(), LIBSPECTRUM_ID_UNKNOWN,
                                    data_path(name).c_str()),
              LIBSPECTRUM_ERROR_NONE)
        << name;
    return tape;
}

// The stream from the start of block first (0-based) on.
inline LibraryStream library_stream(const char *name, int first = 0) {
    LibraryStream out;
    libspectrum_tape *tape = library_read(name);
    libspectrum_tape_nth_block(tape, first);
    uint64_t t = 0;
    uint8_t level = 0;
    for (int flags = 0; !(flags & LIBSPECTRUM_TAPE_FLAGS_TAPE);) {
        libspectrum_dword delay = 0;
        if (libspectrum_tape_get_next_edge(&delay, &flags, tape) != LIBSPECTRUM_ERROR_NONE) break;
        t += delay;
        uint8_t next = level;
        if (flags & LIBSPECTRUM_TAPE_FLAGS_LEVEL_LOW)
            next = 0;
        else if (flags & LIBSPECTRUM_TAPE_FLAGS_LEVEL_HIGH)
            next = 1;
        else if (!(flags & LIBSPECTRUM_TAPE_FLAGS_NO_EDGE) && delay > 0)
            next = level ^ 1;
        if (next != level) out.changes.push_back(t);
        level = next;
        if (flags & (LIBSPECTRUM_TAPE_FLAGS_STOP | LIBSPECTRUM_TAPE_FLAGS_STOP48) &&
            !(flags & LIBSPECTRUM_TAPE_FLAGS_TAPE))
            out.stops.push_back(t);
    }
    out.end = t;
    libspectrum_tape_free(tape);
    return out;
}

// Runs of every length a frame can take, with the T-state of a HALT where they end in one.
struct PollRun {
    uint32_t length;
    uint32_t halt_at;  // 0: no HALT
};
constexpr PollRun kPollRuns[] = {{69889, 0},         {69888 + 23, 0}, {0, 30000}, {69888 + 42, 0},
                                 {kFrameTstates, 0}, {0, 5},          {69901, 0}};

// Run n of a program that reads port 0xFE at every T-state up to the run's end or its HALT
// (the shape kPollRuns[n] in turn), between the deck's calls as the front end makes them;
// read(t, level) sees each read's T-state and EAR level.
template <typename Read>
void poll_run(TapeRig *rig, int n, Read read) {
    Machine &m = rig->m;
    tape_before_frame(&rig->deck, &m);
    const PollRun &r = kPollRuns[n % std::size(kPollRuns)];
    uint32_t last = r.halt_at ? r.halt_at : r.length;
    for (uint32_t t = 1; t <= last; t++)
        read(t, uint8_t((ear_port_read(&m.ear, 0xFF, t) >> 6) & 1));
    m.tstates = r.halt_at ? r.halt_at + kHaltTstates : r.length;
    m.tslimit = kFrameTstates;
    tape_after_frame(&rig->deck, &m);
}
