#include "snapshot/z80_loader.h"

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

constexpr uint8_t U = 0x55;  // RAM that no decoding wrote

const Bytes kRunFF11 = {0xED, 0xED, 0xFF, 0x11};  // 255 bytes of 0x11
const Bytes kFullPage5 = cat({repeat(kRunFF11, 64), {0xED, 0xED, 0x40, 0x22}});  // to 0xFFFF

struct MemoryCase {
    const char *name;
    Bytes file;
    std::vector<Span> expect;
};

const MemoryCase kMemoryCases[] = {
    {"v1_run_then_literal",
     v1({0xED, 0xED, 5, 0xAA, 0x12}),
     {{0x4000, {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0x12, U}}}},
    {"v1_empty_run_writes_nothing", v1({0xED, 0xED, 0, 0x77, 0x12}), {{0x4000, {0x12, U}}}},
    {"v1_lone_ed_is_literal", v1({0xED, 0x00, 0xED, 0x01}), {{0x4000, {0xED, 0, 0xED, 1, U}}}},
    {"v1_ed_as_last_byte", v1({0x01, 0xED}), {{0x4000, {0x01, 0xED, U}}}},
    {"v1_run_cut_by_end_of_file", v1({0x01, 0xED, 0xED, 5}), {{0x4000, {0x01, U, U}}}},
    {"v1_run_cut_at_end_of_ram",
     v1(cat({fill(0xC000 - 2, 0x01), {0xED, 0xED, 0x10, 0xAA, 0x99}})),
     {{0xFFFD, {0x01, 0xAA, 0xAA}}}},
    {"v1_stops_when_ram_is_full",
     v1(cat({fill(0xC000, 0x02), {0x99, 0x99}})),
     {{0x4000, {2}}, {0xFFFF, {2}}}},
    {"v1_uncompressed_flag_clear",
     v1({0xED, 0xED, 5, 0xAA}, 0x00),
     {{0x4000, {0xED, 0xED, 5, 0xAA, U}}}},
    {"v1_byte12_ff_reads_as_1_uncompressed",
     v1({0xED, 0xED, 5, 0xAA}, 0xFF),
     {{0x4000, {0xED, 0xED, 5, 0xAA, U}}}},
    {"v2_header_23_first_block_at_55", v23(23, {{8, {0x01, 0x02}}}), {{0x4000, {0x01, 0x02, U}}}},
    {"v3_header_54_first_block_at_86",
     v23(54, {{4, {0x03, 0x04}}}),
     {{0x4000, {U}}, {0x8000, {0x03, 0x04, U}}}},
    {"pages_8_4_5",
     v23(54, {{8, {0xED, 0xED, 3, 0x81}}, {4, {0x84, 0xED, 0x00}}, {5, {0xED, 0xED, 2, 0x85}}}),
     {{0x4000, {0x81, 0x81, 0x81, U}}, {0x8000, {0x84, 0xED, 0, U}}, {0xC000, {0x85, 0x85, U}}}},
    {"pages_4_5_8",
     v23(54, {{4, {0x84, 0xED, 0x00}}, {5, {0xED, 0xED, 2, 0x85}}, {8, {0xED, 0xED, 3, 0x81}}}),
     {{0x4000, {0x81, 0x81, 0x81, U}}, {0x8000, {0x84, 0xED, 0, U}}, {0xC000, {0x85, 0x85, U}}}},
    {"page5_run_ending_at_ffff_then_next_block",
     v23(23, {{5, kFullPage5}, {8, {0x33}}}),
     {{0xFFBF, {0x11, 0x22}}, {0xFFFE, {0x22, 0x22}}, {0x4000, {0x33, U}}}},
    {"zero_length_block_skipped",
     v23(23, {{8, {0x01}}, {4, {}}, {5, {0x03}}}),
     {{0x4000, {0x01, U}}, {0x8000, {U, U}}, {0xC000, {0x03, U}}}},
    {"raw_page_ffff_is_16k_plain",
     v23(54, {{8, cat({{0xED, 0xED, 5, 0xAA}, fill(0x4000 - 4, 0x66)}), 0xFFFF}, {5, {0x77}}}),
     {{0x4000, {0xED, 0xED, 5, 0xAA, 0x66}}, {0x7FFF, {0x66, U}}, {0xC000, {0x77, U}}}},
    {"raw_page_cut_by_end_of_file",
     v23(54, {{4, {1, 2, 0xED, 0xED, 9, 9}, 0xFFFF}}),
     {{0x8000, {1, 2, 0xED, 0xED, 9, 9, U}}}},
    {"block_data_cut_by_end_of_file", v23(23, {{8, {0x01, 0x02}, 5}}), {{0x4000, {0x01, 0x02, U}}}},
    {"block_header_cut_stops_load",
     cat({v23(23, {{8, {0x01}}}), {0x01, 0x00}}),
     {{0x4000, {0x01, U}}}},
    {"run_past_end_of_ram_stops_load",
     v23(23, {{5, cat({repeat(kRunFF11, 64), {0xED, 0xED, 0x41, 0x22}})}, {8, {0x33}}}),
     {{0xFFBF, {0x11, U}}, {0xFFFF, {U}}, {0x4000, {U}}}},
    {"item_after_end_of_ram_stops_load",
     v23(23, {{5, cat({kFullPage5, {0x44}})}, {8, {0x33}}}),
     {{0xFFFF, {0x22}}, {0x4000, {U}}}},
    {"page_longer_than_16k_runs_on",
     v23(23, {{8, cat({repeat(kRunFF11, 64), {0xED, 0xED, 0x42, 0x22}})}}),
     {{0x7FFF, {0x22, 0x22, 0x22, U}}}},
    {"unknown_page_goes_to_4000", v23(23, {{3, {0x09}}}), {{0x4000, {0x09, U}}}},
    {"fourth_block_ignored",
     v23(23, {{8, {1}}, {4, {2}}, {5, {3}}, {8, {4}}}),
     {{0x4000, {1}}, {0x8000, {2}}, {0xC000, {3}}}},
};

TEST(Z80Loader, DecodesMemory) {
    for (const MemoryCase &c : kMemoryCases) {
        SCOPED_TRACE(c.name);
        Machine *m = fresh_machine(U);
        Untouched before = untouched_of(m);
        ASSERT_EQ(load_z80(m, c.file.data(), c.file.size()), 0);
        for (const Span &s : c.expect)
            for (size_t k = 0; k < s.bytes.size(); k++)
                EXPECT_EQ(m->ram[s.address - 0x4000 + k], s.bytes[k])
                    << "at " << std::hex << s.address + k;
        EXPECT_TRUE(untouched_of(m) == before) << "ROM or input fields changed";
        EXPECT_EQ(m->pc, c.file[6] ? 0x1234 : 0xBEEF);
    }
}

TEST(Z80Loader, LoadsHeaderFields) {
    Machine *m = fresh_machine();
    Bytes file = v1({});
    ASSERT_EQ(load_z80(m, file.data(), file.size()), 0);
    Regs want = {0x10, 0x11, 0x13, 0x12, 0x1E,   0x1D,   0x15,   0x14,  0x00,
                 0x25, 0x26, 0x20, 0x1F, 0x22,   0x21,   0x24,   0x23,  0x1A,
                 1,    0,    1,    0xF8, 0x1234, 0x2A29, 0x2827, 0x1918};
    EXPECT_EQ(regs_of(m), want);

    // Versions 2 and 3 take PC from the extra header and keep everything else.
    fresh_machine();
    file = v23(23, {});
    ASSERT_EQ(load_z80(m, file.data(), file.size()), 0);
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
        Bytes file = v1({}, c.byte12);
        file[29] = c.byte29, file[27] = c.byte27;
        ASSERT_EQ(load_z80(m, file.data(), file.size()), 0);
        EXPECT_EQ(m->r, c.r);
        EXPECT_EQ(m->portfe, c.portfe);
        EXPECT_EQ(m->im, c.im);
        EXPECT_EQ(m->iff1, c.iff1);
    }
}

// Too few bytes for the file's own header: nothing of the machine changes.
TEST(Z80Loader, RefusesFilesShorterThanTheirHeader) {
    Bytes one = v1({});
    Bytes v2 = v23(23, {{8, {1}}});
    Bytes tiny_extra = v23(23, {});
    tiny_extra[30] = 1, tiny_extra[31] = 0;
    const struct {
        const char *name;
        Bytes file;
    } cases[] = {
        {"empty", {}},
        {"v1_29_bytes", Bytes(one.begin(), one.end() - 1)},
        {"v2_without_length_word", Bytes(v2.begin(), v2.begin() + 31)},
        {"v2_extra_header_cut", Bytes(v2.begin(), v2.begin() + 32 + 22)},
        {"v2_extra_header_without_pc", tiny_extra},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Machine *m = fresh_machine(0x5A);
        m->ram[0] = 0x12;
        Regs regs = regs_of(m);
        Untouched before = untouched_of(m);
        Bytes ram = ram_of(m);
        EXPECT_EQ(load_z80(m, c.file.data(), c.file.size()), -1);
        EXPECT_EQ(regs_of(m), regs);
        EXPECT_TRUE(untouched_of(m) == before);
        EXPECT_TRUE(ram_of(m) == ram);
    }
}

}  // namespace
