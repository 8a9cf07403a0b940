#include "snapshot/z80_loader.h"

#include <cstring>

#include "machine/machine.h"

namespace {

constexpr size_t kPcAt = 6;  // PC in version 1; 0 there marks versions 2 and 3
// Versions 2 and 3: the extra header's length word follows the version 1 header.
constexpr size_t kExtraLengthAt = kZ80HeaderSize;
constexpr size_t kExtraHeaderStart = kExtraLengthAt + 2;
constexpr size_t kBlockHeaderSize = 3;  // length word and page number
constexpr size_t kPageSize = 0x4000;
constexpr uint16_t kRawPageLength = 0xFFFF;  // a page stored as 16 KB of plain bytes
constexpr uint8_t kCompressedFlag = 0x20;    // byte 12, version 1 only
constexpr uint8_t kEscape = 0xED;

// The extra header's length tells the version: 23 bytes in version 2, 54 in version 3, 55
// when version 3 adds the +3's last OUT to port 0x1FFD.
constexpr size_t kVersion2Extra = 23;
constexpr size_t kVersion3Extra = 54;
constexpr size_t kVersion3LongExtra = 55;
constexpr size_t kHardwareMode = 34;
constexpr size_t kHardwareFlags = 37;
constexpr uint8_t kModifiedHardware = 0x80;  // byte 37: a 48K machine becomes a 16K one

// The 48K Spectrum with or without an interface: modes 0 (48K) and 1 (48K + Interface 1) in
// both versions, and 3 (48K + M.G.T.) in version 3, where version 2 uses 3 for the 128K.
bool spectrum_48k(uint8_t mode, bool version3) {
    return mode == 0 || mode == 1 || (version3 && mode == 3);
}

// The image decoded before anything of the machine changes.
uint8_t scratch[kRamSize];

uint16_t word_at(const uint8_t *b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }

// Where pages 8, 4 and 5 of a 48K file lie in RAM; -1 for pages a 48K machine has not.
long page_offset(uint8_t page) {
    switch (page) {
        case 8: return 0x0000;
        case 4: return 0x4000;
        case 5: return 0x8000;
        default: return -1;
    }
}

// Expands literals and ED ED runs from b[in] up to b[end] into out, at most size bytes; a
// lone ED, even as the last byte, is a literal. With cut_at_size a run is cut where out is
// full and the rest of the input ignored; without, input left over once out is full or a
// run passing its end is malformed. Returns the bytes produced, or -1 when malformed (a run
// cut by end included).
long expand(const uint8_t *b, size_t in, size_t end, uint8_t *out, size_t size, bool cut_at_size) {
    size_t n = 0;
    while (in < end) {
        if (n == size) {
            if (cut_at_size) break;
            return -1;
        }
        if (b[in] == kEscape && in + 1 < end && b[in + 1] == kEscape) {
            // ED ED, the count, the byte repeated.
            if (in + 4 > end) return -1;
            size_t run = b[in + 2];
            if (n + run > size) {
                if (!cut_at_size) return -1;
                run = size - n;
            }
            std::memset(out + n, b[in + 3], run);
            n += run;
            in += 4;
        } else {
            out[n++] = b[in++];
        }
    }
    return long(n);
}

// Version 1: one stream that must give all 48 KB; what follows them (the end marker) is not
// read.
int decode_v1(const uint8_t *b, size_t count, bool compressed) {
    if (!compressed) {
        if (count - kZ80HeaderSize < kRamSize) return -1;
        std::memcpy(scratch, b + kZ80HeaderSize, kRamSize);
        return 0;
    }
    return expand(b, kZ80HeaderSize, count, scratch, kRamSize, true) == kRamSize ? 0 : -1;
}

// Versions 2 and 3: blocks up to the end of the file, each wholly inside it; pages 8, 4 and
// 5 each exactly once and exactly 16 KB, other pages (ROM images of interfaces) passed over.
int decode_pages(const uint8_t *b, size_t count, size_t at) {
    bool seen[3] = {};
    while (at < count) {
        if (count - at < kBlockHeaderSize) return -1;
        size_t length = word_at(b, at);
        long offset = page_offset(b[at + 2]);
        size_t in = at + kBlockHeaderSize;
        size_t stored = length == kRawPageLength ? kPageSize : length;
        if (count - in < stored) return -1;
        at = in + stored;
        if (offset < 0) continue;
        bool *page_seen = &seen[offset / kPageSize];
        if (*page_seen) return -1;
        *page_seen = true;
        uint8_t *out = scratch + offset;
        if (length == kRawPageLength) {
            std::memcpy(out, b + in, kPageSize);
        } else if (expand(b, in, at, out, kPageSize, false) != long(kPageSize)) {
            return -1;
        }
    }
    return seen[0] && seen[1] && seen[2] ? 0 : -1;
}

}  // namespace

int z80_machine_check(const uint8_t *b, size_t count) {
    if (count < kZ80HeaderSize) return kNotSnapshot;
    if (word_at(b, kPcAt) != 0) return kLoaded;  // version 1 knows only the 48K machine
    if (count < kExtraHeaderStart) return kNotSnapshot;
    size_t extra = word_at(b, kExtraLengthAt);
    bool version3 = extra == kVersion3Extra || extra == kVersion3LongExtra;
    if (extra != kVersion2Extra && !version3) return kNotSnapshot;
    if (count < kExtraHeaderStart + extra) return kNotSnapshot;
    if (!spectrum_48k(b[kHardwareMode], version3) || (b[kHardwareFlags] & kModifiedHardware))
        return kNot48K;
    return kLoaded;
}

int load_z80(Machine *m, const uint8_t *b, size_t count) {
    int machine = z80_machine_check(b, count);
    if (machine != kLoaded) return machine;
    bool v1 = word_at(b, kPcAt) != 0;
    // Old writers store 255 in byte 12, which the format says to read as 1.
    uint8_t flags = b[12] == 0xFF ? 1 : b[12];
    int decoded = v1 ? decode_v1(b, count, flags & kCompressedFlag)
                     : decode_pages(b, count, kExtraHeaderStart + word_at(b, kExtraLengthAt));
    if (decoded != 0) return kNotSnapshot;

    std::memcpy(m->ram, scratch, kRamSize);
    m->a = b[0];
    m->f = b[1];
    m->c = b[2];
    m->b = b[3];
    m->l = b[4];
    m->h = b[5];
    m->pc = v1 ? word_at(b, kPcAt) : word_at(b, kExtraHeaderStart);
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
    return kLoaded;
}
