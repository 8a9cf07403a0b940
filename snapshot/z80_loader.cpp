#include "snapshot/z80_loader.h"

#include <algorithm>
#include <cstring>

#include "machine/machine.h"

namespace {

constexpr size_t kExtraHeaderStart = 32;  // versions 2 and 3: first byte after the length word
constexpr size_t kBlockHeaderSize = 3;    // length word and page number
constexpr size_t kPageSize = 0x4000;
constexpr uint16_t kRawPageLength = 0xFFFF;  // a page stored as 16 KB of plain bytes
constexpr uint8_t kCompressedFlag = 0x20;    // byte 12, version 1 only
constexpr uint8_t kEscape = 0xED;
constexpr int kBlocks = 3;  // a 48K machine takes pages 8, 4 and 5, in any order

uint16_t word_at(const uint8_t *b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }

size_t page_offset(uint8_t page) {
    if (page == 4) return 0x4000;
    if (page == 5) return 0x8000;
    return 0;
}

// True when an ED ED run starts at in; a lone ED, even as the file's last byte, is a literal.
bool run_at(const uint8_t *b, size_t count, size_t in) {
    return b[in] == kEscape && in + 1 < count && b[in + 1] == kEscape;
}

// Expands literals and ED ED runs from b[in] up to end into RAM from out. A run that would
// pass the end of RAM is cut there when cut_runs is set, else stops the expansion before it
// is written. Returns 0 when the data up to end was expanded, -1 when the end of RAM or of
// the file, or such a run, stopped it first.
int expand(Machine *m, const uint8_t *b, size_t count, size_t in, size_t end, size_t out,
           bool cut_runs) {
    while (in < end) {
        if (out >= size_t(kRamSize) || in >= count) return -1;
        if (run_at(b, count, in)) {
            if (in + 4 > count) return -1;  // the file ends inside the run
            size_t run = b[in + 2];
            if (out + run > size_t(kRamSize)) {
                if (!cut_runs) return -1;
                run = kRamSize - out;
            }
            std::memset(m->ram + out, b[in + 3], run);
            out += run;
            in += 4;
        } else {
            m->ram[out++] = b[in++];
        }
    }
    return 0;
}

// Version 1: one stream filling the 48 KB, compressed unless byte 12 says otherwise.
void decode_v1(Machine *m, const uint8_t *b, size_t count, bool compressed) {
    if (compressed)
        expand(m, b, count, kZ80HeaderSize, count, 0, true);
    else
        std::memcpy(m->ram, b + kZ80HeaderSize, std::min(count - kZ80HeaderSize, size_t(kRamSize)));
}

// Decodes the block whose header is at at; *next receives where the following block starts.
// Returns 0 to go on with the next block, -1 when the whole load stops here. A page whose
// data decodes to more than 16 KB runs on into the following RAM.
int decode_block(Machine *m, const uint8_t *b, size_t count, size_t at, size_t *next) {
    if (at + kBlockHeaderSize > count) return -1;
    size_t length = word_at(b, at);
    size_t out = page_offset(b[at + 2]);
    size_t in = at + kBlockHeaderSize;
    if (length == kRawPageLength) {
        size_t n = std::min(kPageSize, count - in);
        std::memcpy(m->ram + out, b + in, n);
        *next = in + kPageSize;
        return n == kPageSize ? 0 : -1;
    }
    *next = in + length;
    return expand(m, b, count, in, *next, out, false);
}

}  // namespace

int load_z80(Machine *m, const uint8_t *b, size_t count) {
    if (count < kZ80HeaderSize) return -1;
    bool v1 = word_at(b, 6) != 0;
    size_t at = 0;
    if (!v1) {
        // The extra header must at least hold the PC word and lie within the file.
        if (count < kExtraHeaderStart + 2) return -1;
        size_t extra = word_at(b, 30);
        if (extra < 2 || count < kExtraHeaderStart + extra) return -1;
        at = kExtraHeaderStart + extra;
    }
    // Old writers store 255 in byte 12, which the format says to read as 1.
    uint8_t flags = b[12] == 0xFF ? 1 : b[12];
    m->a = b[0];
    m->f = b[1];
    m->c = b[2];
    m->b = b[3];
    m->l = b[4];
    m->h = b[5];
    m->pc = word_at(b, 6);
    m->sp = word_at(b, 8);
    m->i = b[10];
    m->r = uint8_t((flags & 1) << 7);
    m->portfe = uint8_t((m->portfe & ~7) | ((flags >> 1) & 7));
    m->e = b[13];
    m->d = b[14];
    m->altc = b[15];
    m->altb = b[16];
    m->alte = b[17];
    m->altd = b[18];
    m->altl = b[19];
    m->alth = b[20];
    m->alta = b[21];
    m->altf = b[22];
    m->iy = word_at(b, 23);
    m->ix = word_at(b, 25);
    m->iff1 = b[27] != 0;
    m->iff2 = b[28] != 0;
    m->im = b[29] & 3;
    if (v1) {
        decode_v1(m, b, count, flags & kCompressedFlag);
        return 0;
    }
    m->pc = word_at(b, kExtraHeaderStart);
    for (int k = 0; k < kBlocks; k++) {
        size_t next = 0;
        if (decode_block(m, b, count, at, &next) != 0) break;
        at = next;
    }
    return 0;
}
