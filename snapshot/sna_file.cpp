#include "snapshot/sna_file.h"

#include <cstring>

#include "machine/machine.h"

namespace {

// The header, for the reader and the writer alike: the registers stored as they are, then
// the bytes with a rule of their own.
struct ByteField {
    size_t at;
    uint8_t Machine::*field;
};
struct WordField {
    size_t at;
    uint16_t Machine::*field;
};
constexpr ByteField kByteFields[] = {
    {0, &Machine::i},    {1, &Machine::altl}, {2, &Machine::alth}, {3, &Machine::alte},
    {4, &Machine::altd}, {5, &Machine::altc}, {6, &Machine::altb}, {7, &Machine::altf},
    {8, &Machine::alta}, {9, &Machine::l},    {10, &Machine::h},   {11, &Machine::e},
    {12, &Machine::d},   {13, &Machine::c},   {14, &Machine::b},   {20, &Machine::r},
    {21, &Machine::f},   {22, &Machine::a},
};
constexpr WordField kWordFields[] = {{15, &Machine::iy}, {17, &Machine::ix}};  // low byte first
constexpr size_t kIffAt = 19;  // IFF2, as bit 2; loaded into both flip-flops
constexpr uint8_t kIffBit = 0x04;
constexpr size_t kSpAt = 23;      // SP with PC pushed, low byte first
constexpr size_t kImAt = 25;      // interrupt mode, the whole byte
constexpr size_t kBorderAt = 26;  // border colour in bits 0-2

void build_header(const Machine *m, uint8_t *h) {
    for (const ByteField &b : kByteFields) h[b.at] = m->*b.field;
    for (const WordField &w : kWordFields) {
        h[w.at] = uint8_t(m->*w.field);
        h[w.at + 1] = uint8_t(m->*w.field >> 8);
    }
    uint16_t sp = uint16_t(m->sp - 2);  // where the PC is pushed for the write
    h[kIffAt] = m->iff1 ? kIffBit : 0;
    h[kSpAt] = uint8_t(sp);
    h[kSpAt + 1] = uint8_t(sp >> 8);
    h[kImAt] = m->im;
    h[kBorderAt] = m->portfe & 7;
}

}  // namespace

int load_sna(Machine *m, const uint8_t *b, size_t count) {
    if (count < kSnaFileSize) return kNotSnapshot;
    std::memcpy(m->ram, b + kSnaHeaderSize, kRamSize);
    for (const ByteField &f : kByteFields) m->*f.field = b[f.at];
    for (const WordField &w : kWordFields) m->*w.field = uint16_t(b[w.at] | b[w.at + 1] << 8);
    m->iff1 = m->iff2 = (b[kIffAt] & kIffBit) ? 1 : 0;
    m->sp = uint16_t(b[kSpAt] | b[kSpAt + 1] << 8);
    m->im = b[kImAt];
    m->portfe = uint8_t((m->portfe & ~7) | (b[kBorderAt] & 7));
    m->pc = memory_read16(m->rom, m->sp);
    m->sp = uint16_t(m->sp + 2);
    return kLoaded;
}

int save_sna(Machine *m, const char *path, ReplaceMode mode) {
    uint8_t header[kSnaHeaderSize];
    build_header(m, header);
    uint16_t sp = uint16_t(m->sp - 2);
    // The processor's own rules: a stack at the ROM's edge loses what a PUSH would lose.
    uint8_t kept[2] = {memory_read(m->rom, sp), memory_read(m->rom, uint16_t(sp + 1))};
    memory_write16(m->rom, sp, m->pc);
    const FilePart parts[] = {{header, kSnaHeaderSize}, {m->ram, kRamSize}};
    int result = replace_file(path, parts, 2, mode);
    memory_write(m->rom, sp, kept[0]);
    memory_write(m->rom, uint16_t(sp + 1), kept[1]);
    return result;
}
