// Instant loading against its oracle, the ROM's LD-BYTES itself: the same tape and the same
// call run once with the loader trap (the block goes straight into memory) and once without
// it (the ROM reads the signal edge by edge, frame after frame). Both must return to the
// caller with every register but R, every RAM byte and the tape position alike.

#include <gtest/gtest.h>

#include <sstream>

#include "tests/tape/tape_rig.h"

namespace {

struct Load {
    uint8_t flag;
    bool load;         // LOAD (carry set) or VERIFY
    uint16_t length;   // 0: the length in the header loaded at kHeaderAt
    uint16_t dest;
    bool at_first_read = false;  // entered at the first IN with A' and F' set, own return
};

// A program that sets up what LD-BYTES's first instructions do and comes in at its first
// port read, with its own return address on the stack (no SA/LD-RET).
constexpr uint16_t kLoaderFirstIn = 0x0562;

constexpr uint16_t kHeaderAt = 0x6000;
constexpr uint16_t kCodeAt = 0x8000;
constexpr uint16_t kHeaderLength = 17;
constexpr uint16_t kCodeLength = 300;
constexpr uint16_t kBadBlockLength = 100;

std::string differences(const TapeRig &x, const TapeRig &y) {
    std::ostringstream out;
    const Machine &a = x.m, &b = y.m;
#define REG(name)                                                                              \
    if (a.name != b.name) out << " " #name ": " << int(a.name) << " vs " << int(b.name);
    REG(a) REG(f) REG(b) REG(c) REG(d) REG(e) REG(h) REG(l)
    REG(alta) REG(altf) REG(altb) REG(altc) REG(altd) REG(alte) REG(alth) REG(altl)
    REG(i) REG(iff1) REG(iff2) REG(im) REG(pc) REG(ix) REG(iy) REG(sp) REG(portfe)
#undef REG
    int shown = 0;
    for (int addr = kRomSize; addr < kMemorySize; addr++)
        if (x.image[addr] != y.image[addr] && shown++ < 8)
            out << " [" << std::hex << addr << "]: " << int(x.image[addr]) << " vs "
                << int(y.image[addr]) << std::dec;
    if (tape_block(&x.deck) != tape_block(&y.deck))
        out << " block: " << tape_block(&x.deck) << " vs " << tape_block(&y.deck);
    return out.str();
}

void start_load(TapeRig *rig, const Load &l) {
    uint16_t length = l.length ? l.length : memory_read16(rig->m.rom, kHeaderAt + 11);
    call_ld_bytes(rig, l.flag, l.load, length, l.dest);
    if (l.at_first_read) {
        rig->m.alta = l.flag;
        rig->m.altf = l.load ? kFlagC : 0;
        rig->m.pc = kLoaderFirstIn;
    }
}

TEST(InstantLoad, ReturnsAsTheRomLoaderDoes) {
    struct Case {
        const char *name;
        const char *tape;
        std::vector<Load> loads;
    } cases[] = {
        {"header then code", "code.tap",
         {{0x00, true, kHeaderLength, kHeaderAt}, {0xFF, true, kCodeLength, kCodeAt}}},
        {"the same from tapeconv's .tzx", "code.tzx",
         {{0x00, true, kHeaderLength, kHeaderAt}, {0xFF, true, kCodeLength, kCodeAt}}},
        {"zmakebas BASIC program", "basic.tap",
         {{0x00, true, kHeaderLength, kHeaderAt}, {0xFF, true, 0, kCodeAt}}},
        {"wrong flag byte", "code.tap", {{0xFF, true, kHeaderLength, kHeaderAt}}},
        {"bad checksum", "bad_checksum.tap", {{0xFF, true, kBadBlockLength, kCodeAt}}},
        {"block shorter than asked", "code.tap",
         {{0x00, true, kHeaderLength, kHeaderAt}, {0xFF, true, kCodeLength + 5, kCodeAt}}},
        {"block longer than asked", "code.tap", {{0x00, true, 10, kHeaderAt}}},
        {"entered at its first read", "code.tap",
         {{0x00, true, kHeaderLength, kHeaderAt, true}, {0xFF, true, kCodeLength, kCodeAt, true}}},
        {"load into the ROM's addresses", "code.tap",
         {{0x00, true, kHeaderLength, kHeaderAt}, {0xFF, true, kCodeLength, 0x3F80}}},
        {"VERIFY that matches", "code_twice.tap",
         {{0x00, true, kHeaderLength, kHeaderAt}, {0xFF, true, kCodeLength, kCodeAt},
          {0x00, true, kHeaderLength, kHeaderAt}, {0xFF, false, kCodeLength, kCodeAt}}},
        {"VERIFY that differs", "code_twice.tap",
         {{0x00, true, kHeaderLength, kHeaderAt}, {0xFF, true, kCodeLength, kCodeAt},
          {0x00, true, kHeaderLength, kHeaderAt}, {0xFF, false, kCodeLength, kCodeAt + 1}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto instant = make_rig(), real = make_rig();
        insert(instant.get(), c.tape);
        insert(real.get(), c.tape);
        for (size_t n = 0; n < c.loads.size(); n++) {
            SCOPED_TRACE("load " + std::to_string(n + 1));
            start_load(instant.get(), c.loads[n]);
            start_load(real.get(), c.loads[n]);
            int fast = run_to_caller(instant.get(), true, 5);
            int slow = run_to_caller(real.get(), false, 2000);
            ASSERT_GT(fast, 0) << "the instant load did not return";
            ASSERT_GT(slow, fast) << "the real-time load did not return or was not slower";
            EXPECT_EQ(differences(*instant, *real), "");
        }
    }
}

// The outcomes that the comparison above must see, so that it cannot pass by both sides
// failing alike: a good load sets the carry and stores the block, a bad one clears it.
TEST(InstantLoad, ReportsSuccessAndFailureInTheCarry) {
    struct Case {
        const char *name;
        const char *tape;
        Load load;
        bool ok;
        bool at_end;  // the block was the tape's last
    } cases[] = {
        {"good header", "code.tap", {0x00, true, kHeaderLength, kHeaderAt}, true, false},
        {"wrong flag byte", "code.tap", {0xFF, true, kHeaderLength, kHeaderAt}, false, false},
        {"bad checksum", "bad_checksum.tap", {0xFF, true, kBadBlockLength, kCodeAt}, false, true},
        {"short block", "code.tap", {0x00, true, kHeaderLength + 1, kHeaderAt}, false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto rig = make_rig();
        insert(rig.get(), c.tape);
        call_ld_bytes(rig.get(), c.load.flag, c.load.load, c.load.length, c.load.dest);
        ASSERT_GT(run_to_caller(rig.get(), true, 5), 0);
        EXPECT_EQ((rig->m.f & kFlagC) != 0, c.ok);
        // The tape stands in the pause after the block, as a real one when the loader returns.
        EXPECT_EQ(tape_at_end(&rig->deck), c.at_end);
        EXPECT_EQ(tape_block(&rig->deck), 1);
        EXPECT_EQ(rig->deck.place, kInGap);
        EXPECT_FALSE(tape_playing(&rig->deck));
    }
    auto rig = make_rig();
    insert(rig.get(), "code.tap");
    call_ld_bytes(rig.get(), 0x00, true, kHeaderLength, kHeaderAt);
    ASSERT_GT(run_to_caller(rig.get(), true, 5), 0);
    call_ld_bytes(rig.get(), 0xFF, true, kCodeLength, kCodeAt);
    ASSERT_GT(run_to_caller(rig.get(), true, 5), 0);
    std::vector<uint8_t> code = read_file(data_path("code.bin"));
    ASSERT_EQ(code.size(), size_t(kCodeLength));
    EXPECT_EQ(std::memcmp(rig->image + kCodeAt, code.data(), code.size()), 0);
    EXPECT_TRUE(tape_at_end(&rig->deck));
    EXPECT_EQ(tape_block(&rig->deck), 2);
    EXPECT_FALSE(rig->m.ear.trap_armed);
}

}  // namespace
