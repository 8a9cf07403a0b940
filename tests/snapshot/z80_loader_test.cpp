#include "snapshot/z80_loader.h"

#include <algorithm>

#include "tests/snapshot/snapshot_fixture.h"

namespace {

Bytes fill(size_t n, uint8_t v) { return Bytes(n, v); }

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes &p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes repeat(const Bytes &unit, int times) {
    Bytes out;
    for (int k = 0; k < times; k++) out.insert(out.end(), unit.begin(), unit.end());
    return out;
}

// A version 1 header (PC 0x1234) with every register byte distinct, then data.
Bytes v1(const Bytes &data, uint8_t byte12 = 0x20) {
    Bytes f(kZ80HeaderSize);
    for (size_t k = 0; k < f.size(); k++) f[k] = uint8_t(0x10 + k);
    f[6] = 0x34, f[7] = 0x12, f[12] = byte12, f[27] = 1, f[28] = 0, f[29] = 0x41;
    return cat({f, data});
}

struct Block {
    uint8_t page;
    Bytes data;
    int length = -1;  // the stored length word; -1 stores data's size
};

// A version 2 or 3 header with PC 0xBEEF. The extra header is filled with bytes that, read
// as a block, would write 0x0B at 0x4000.
Bytes v23(uint16_t extra, const std::vector<Block> &blocks) {
    Bytes f = v1({});
    f[6] = f[7] = 0;
    f.push_back(uint8_t(extra)), f.push_back(uint8_t(extra >> 8));
    Bytes rest(extra, 0x0B);
    rest[0] = 0xEF, rest[1] = 0xBE;
    if (extra > 4) rest[2] = 1, rest[3] = 0, rest[4] = 8;
    f = cat({f, rest});
    for (const Block &b : blocks) {
        uint16_t n = uint16_t(b.length < 0 ? b.data.size() : size_t(b.length));
        f = cat({f, {uint8_t(n), uint8_t(n >> 8), b.page}, b.data});
    }
    return f;
}

struct Span {
    uint16_t address;
    Bytes bytes;
};

constexpr uint8_t U = 0x55;  // RAM before the load
constexpr uint8_t F = 0x66;  // what the fillers below decode to

// ED ED runs that decode to n bytes of F.
Bytes filler(size_t n) {
    Bytes out;
    for (; n > 0; n -= std::min<size_t>(n, 255))
        out.insert(out.end(), {0xED, 0xED, uint8_t(std::min<size_t>(n, 255)), F});
    return out;
}

// A whole 16 KB page: head, which decodes to produced bytes, then filler.
Bytes page(const Bytes &head, size_t produced) { return cat({head, filler(0x4000 - produced)}); }

// The blocks, then whole filler pages for those of pages 8, 4 and 5 that they lack.
std::vector<Block> with_rest(std::vector<Block> blocks) {
    for (uint8_t p : {8, 4, 5}) {
        bool present = false;
        for (const Block &b : blocks) present |= b.page == p;
        if (!present) blocks.push_back({p, filler(0x4000)});
    }
    return blocks;
}

// The hardware mode (byte 34) and its modifier (byte 37) of a version 2 or 3 file.
Bytes with_hardware(Bytes file, uint8_t mode, uint8_t byte37 = 0) {
    file[34] = mode, file[37] = byte37;
    return file;
}

const Bytes kRunFF11 = {0xED, 0xED, 0xFF, 0x11};  // 255 bytes of 0x11
const Bytes kFullPage5 = cat({repeat(kRunFF11, 64), {0xED, 0xED, 0x40, 0x22}});  // to 0xFFFF

struct MemoryCase {
    const char *name;
    Bytes file;
    std::vector<Span> expect;
};

const MemoryCase kMemoryCases[] = {
    {"v1_run_then_literal",
     v1(cat({{0xED, 0xED, 5, 0xAA, 0x12}, filler(0xC000 - 6)})),
     {{0x4000, {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0x12, F}}}},
    {"v1_empty_run_writes_nothing",
     v1(cat({{0xED, 0xED, 0, 0x77, 0x12}, filler(0xC000 - 1)})),
     {{0x4000, {0x12, F}}}},
    {"v1_lone_ed_is_literal",
     v1(cat({{0xED, 0x00, 0xED, 0x01}, filler(0xC000 - 4)})),
     {{0x4000, {0xED, 0, 0xED, 1, F}}}},
    {"v1_ed_as_last_byte", v1(cat({filler(0xC000 - 2), {0x01, 0xED}})), {{0xFFFE, {0x01, 0xED}}}},
    {"v1_end_marker_not_read",
     v1(cat({filler(0xC000), {0x00, 0xED, 0xED, 0x00}})),
     {{0x4000, {F}}, {0xFFFF, {F}}}},
    {"v1_run_cut_at_end_of_ram",
     v1(cat({fill(0xC000 - 2, 0x01), {0xED, 0xED, 0x10, 0xAA, 0x99}})),
     {{0xFFFD, {0x01, 0xAA, 0xAA}}}},
    {"v1_stops_when_ram_is_full",
     v1(cat({fill(0xC000, 0x02), {0x99, 0x99}})),
     {{0x4000, {2}}, {0xFFFF, {2}}}},
    {"v1_uncompressed_flag_clear",
     v1(cat({{0xED, 0xED, 5, 0xAA}, fill(0xC000 - 4, F)}), 0x00),
     {{0x4000, {0xED, 0xED, 5, 0xAA, F}}}},
    {"v1_byte12_ff_reads_as_1_uncompressed",
     v1(cat({{0xED, 0xED, 5, 0xAA}, fill(0xC000 - 4, F)}), 0xFF),
     {{0x4000, {0xED, 0xED, 5, 0xAA, F}}}},
    {"v2_header_23_first_block_at_55",
     v23(23, with_rest({{8, page({0x01, 0x02}, 2)}})),
     {{0x4000, {0x01, 0x02, F}}}},
    {"v3_header_54_first_block_at_86",
     v23(54, with_rest({{4, page({0x03, 0x04}, 2)}})),
     {{0x4000, {F}}, {0x8000, {0x03, 0x04, F}}}},
    {"v3_header_55_first_block_at_87",
     v23(55, with_rest({{5, page({0x05}, 1)}})),
     {{0x4000, {F}}, {0xC000, {0x05, F}}}},
    {"v3_48k_with_mgt",
     with_hardware(v23(54, with_rest({{8, page({0x07}, 1)}})), 3),
     {{0x4000, {0x07, F}}}},
    {"pages_8_4_5",
     v23(54, {{8, page({0xED, 0xED, 3, 0x81}, 3)},
              {4, page({0x84, 0xED, 0x00}, 3)},
              {5, page({0xED, 0xED, 2, 0x85}, 2)}}),
     {{0x4000, {0x81, 0x81, 0x81, F}}, {0x8000, {0x84, 0xED, 0, F}}, {0xC000, {0x85, 0x85, F}}}},
    {"pages_4_5_8",
     v23(54, {{4, page({0x84, 0xED, 0x00}, 3)},
              {5, page({0xED, 0xED, 2, 0x85}, 2)},
              {8, page({0xED, 0xED, 3, 0x81}, 3)}}),
     {{0x4000, {0x81, 0x81, 0x81, F}}, {0x8000, {0x84, 0xED, 0, F}}, {0xC000, {0x85, 0x85, F}}}},
    {"page5_run_ending_at_ffff_then_next_block",
     v23(23, with_rest({{5, kFullPage5}, {8, page({0x33}, 1)}})),
     {{0xFFBF, {0x11, 0x22}}, {0xFFFE, {0x22, 0x22}}, {0x4000, {0x33, F}}}},
    {"raw_page_ffff_is_16k_plain",
     v23(54, with_rest({{8, cat({{0xED, 0xED, 5, 0xAA}, fill(0x4000 - 4, 0x67)}), 0xFFFF},
                        {5, page({0x77}, 1)}})),
     {{0x4000, {0xED, 0xED, 5, 0xAA, 0x67}}, {0x7FFF, {0x67, F}}, {0xC000, {0x77, F}}}},
    {"other_pages_passed_over",
     v23(54, with_rest({{3, {0x09}}, {11, page({0x0A}, 1)}, {8, page({0x08}, 1)}})),
     {{0x4000, {0x08, F}}}},
};

TEST(Z80Loader, DecodesMemory) {
    for (const MemoryCase &c : kMemoryCases) {
        SCOPED_TRACE(c.name);
        Machine *m = fresh_machine(U);
        Untouched before = untouched_of(m);
        ASSERT_EQ(load_z80(m, c.file.data(), c.file.size()), kLoaded);
        for (const Span &s : c.expect)
            for (size_t k = 0; k < s.bytes.size(); k++)
                EXPECT_EQ(m->ram[s.address - 0x4000 + k], s.bytes[k])
                    << "at " << std::hex << s.address + k;
        EXPECT_EQ(std::count(m->ram, m->ram + kRamSize, U), 0) << "RAM the file did not fill";
        EXPECT_TRUE(untouched_of(m) == before) << "ROM or input fields changed";
        EXPECT_EQ(m->pc, c.file[6] ? 0x1234 : 0xBEEF);
    }
}

TEST(Z80Loader, LoadsHeaderFields) {
    Machine *m = fresh_machine();
    Bytes file = v1(filler(0xC000));
    ASSERT_EQ(load_z80(m, file.data(), file.size()), kLoaded);
    Regs want = {0x10, 0x11, 0x13, 0x12, 0x1E,   0x1D,   0x15,   0x14,  0x00,
                 0x25, 0x26, 0x20, 0x1F, 0x22,   0x21,   0x24,   0x23,  0x1A,
                 1,    0,    1,    0xF8, 0x1234, 0x2A29, 0x2827, 0x1918};
    EXPECT_EQ(regs_of(m), want);

    // Versions 2 and 3 take PC from the extra header and keep everything else.
    fresh_machine();
    file = v23(23, with_rest({}));
    ASSERT_EQ(load_z80(m, file.data(), file.size()), kLoaded);
    want.pc = 0xBEEF;
    EXPECT_EQ(regs_of(m), want);
}

TEST(Z80Loader, FlagBytes) {
    struct Case {
        uint8_t byte12, byte29, byte27, r, portfe, im, iff1;
    };
    const Case cases[] = {
        {0x0B, 0x41, 1, 0x80, 0xFD, 1, 1},  // border 5, bit 7 of R; upper portfe bits kept
        {0x0E, 0x02, 0, 0x00, 0xFF, 2, 0},
        {0xFF, 0x07, 5, 0x80, 0xF8, 3, 1},  // 0xFF reads as 1: border 0
        {0x3F, 0x00, 1, 0x80, 0xFF, 0, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "byte12=" << int(c.byte12));
        Machine *m = fresh_machine();
        m->portfe = 0xFA;
        // Uncompressed or compressed as byte 12 says, the RAM is 48 KB of F.
        Bytes file =
            v1(c.byte12 == 0xFF || !(c.byte12 & 0x20) ? fill(0xC000, F) : filler(0xC000), c.byte12);
        file[29] = c.byte29, file[27] = c.byte27;
        ASSERT_EQ(load_z80(m, file.data(), file.size()), kLoaded);
        EXPECT_EQ(m->r, c.r);
        EXPECT_EQ(m->portfe, c.portfe);
        EXPECT_EQ(m->im, c.im);
        EXPECT_EQ(m->iff1, c.iff1);
    }
}

// Anything but a complete 48K file: nothing of the machine changes.
TEST(Z80Loader, RefusesIncompleteAndForeignFiles) {
    const Bytes whole_v1 = v1(filler(0xC000));
    const Bytes whole_v2 = v23(23, with_rest({}));
    const Bytes whole_v3 = v23(54, with_rest({}));
    Bytes tiny_extra = v23(23, {});
    tiny_extra[30] = 1, tiny_extra[31] = 0;
    const struct {
        const char *name;
        Bytes file;
        int result;
    } cases[] = {
        {"empty", {}, kNotSnapshot},
        {"v1_29_bytes", Bytes(whole_v1.begin(), whole_v1.begin() + 29), kNotSnapshot},
        {"v1_header_only", v1({}), kNotSnapshot},
        {"v1_stream_short_of_48k", v1(filler(0xC000 - 1)), kNotSnapshot},
        {"v1_cut_inside_a_run", Bytes(whole_v1.begin(), whole_v1.end() - 1), kNotSnapshot},
        {"v1_uncompressed_short", v1(fill(0xC000 - 1, F), 0x00), kNotSnapshot},
        {"v2_without_length_word", Bytes(whole_v2.begin(), whole_v2.begin() + 31), kNotSnapshot},
        {"v2_extra_header_cut", Bytes(whole_v2.begin(), whole_v2.begin() + 32 + 22), kNotSnapshot},
        {"v2_extra_header_without_pc", tiny_extra, kNotSnapshot},
        {"extra_header_of_no_version", v23(30, with_rest({})), kNotSnapshot},
        {"v2_no_blocks", v23(23, {}), kNotSnapshot},
        {"v2_last_block_cut", Bytes(whole_v2.begin(), whole_v2.end() - 1), kNotSnapshot},
        {"v3_last_block_cut", Bytes(whole_v3.begin(), whole_v3.end() - 100), kNotSnapshot},
        {"block_header_cut", cat({whole_v2, {0x01, 0x00}}), kNotSnapshot},
        {"block_length_past_end", v23(23, with_rest({{8, page({}, 0), 0x5000}})), kNotSnapshot},
        {"raw_page_cut", v23(54, {{4, {1, 2, 3}, 0xFFFF}}), kNotSnapshot},
        {"page_missing", v23(23, {{8, filler(0x4000)}, {4, filler(0x4000)}}), kNotSnapshot},
        {"page_twice", cat({whole_v2, {0x04, 0x00, 8, 0xED, 0xED, 0x01, 0x01}}), kNotSnapshot},
        {"page_empty", v23(23, with_rest({{4, {}}})), kNotSnapshot},
        {"page_short", v23(23, with_rest({{5, filler(0x3FFF)}})), kNotSnapshot},
        {"page_long", v23(23, with_rest({{5, cat({filler(0x4000), {0x44}})}})), kNotSnapshot},
        {"run_past_page_end",
         v23(23, with_rest({{5, cat({repeat(kRunFF11, 64), {0xED, 0xED, 0x41, 0x22}})}})),
         kNotSnapshot},
        {"v2_samram", with_hardware(whole_v2, 2), kNot48K},
        {"v2_128k", with_hardware(whole_v2, 3), kNot48K},
        {"v2_128k_if1", with_hardware(whole_v2, 4), kNot48K},
        {"v3_128k", with_hardware(whole_v3, 4), kNot48K},
        {"v3_128k_mgt", with_hardware(whole_v3, 6), kNot48K},
        {"v3_plus3", with_hardware(whole_v3, 7), kNot48K},
        {"v3_pentagon", with_hardware(whole_v3, 9), kNot48K},
        {"v3_plus2", with_hardware(whole_v3, 12), kNot48K},
        {"v3_ts2068", with_hardware(whole_v3, 128), kNot48K},
        {"v2_16k", with_hardware(whole_v2, 0, 0x80), kNot48K},
        {"v3_16k_if1", with_hardware(whole_v3, 1, 0x80), kNot48K},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Machine *m = fresh_machine(0x5A);
        m->ram[0] = 0x12;
        Regs regs = regs_of(m);
        Untouched before = untouched_of(m);
        Bytes ram = ram_of(m);
        EXPECT_EQ(load_z80(m, c.file.data(), c.file.size()), c.result);
        EXPECT_EQ(regs_of(m), regs);
        EXPECT_TRUE(untouched_of(m) == before);
        EXPECT_TRUE(ram_of(m) == ram);
    }
    // The same headers, whole, load; so does 48K + Interface 1 in either version.
    for (const Bytes &file : {whole_v1, whole_v2, whole_v3, with_hardware(whole_v2, 1),
                              with_hardware(whole_v3, 0, 0x7F)}) {
        Machine *m = fresh_machine(0x5A);
        EXPECT_EQ(load_z80(m, file.data(), file.size()), kLoaded);
    }
}

}  // namespace
