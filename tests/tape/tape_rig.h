// A machine with the OpenSE ROM and a tape deck, run frame by frame as the front end does,
// with a way into the ROM's LD-BYTES as a program calls it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

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
