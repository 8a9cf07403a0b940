// Writes the tapes that the tools at hand cannot make, with libspectrum's own writer:
//   turbo.tzx         a turbo block with timings of our own, for our turbo loader
//   bad_checksum.tap  a standard block whose last byte does not match the XOR of the rest
//   stop.tzx          two pure tones with a stop-the-tape-on-48K block between them
// and the shapes of real turbo tapes, fast bits (543 and 1086 T-states) with no pauses:
//   fast.tzx          two turbo blocks, no pause between them or after the last
//   chain.tzx         220 turbo blocks of two pilot pulses each, zeros first
//   tone_data.tzx     a pure tone, the two sync pulses and pure data
//   recording.tzx     a direct recording of a turbo block between two turbo blocks
//   fast_stop.tzx     two turbo blocks with a stop-the-tape-on-48K block between them
//   every_kind.tzx    a block of every kind the library writes, stops and loops included
// Usage: make_test_tapes <directory>
//
// Also a whole turbo-loading game: the standard blocks of a .tap (a BASIC loader and the code
// that calls the turbo loader) followed by one turbo block with these timings carrying a
// binary file. Usage: make_test_tapes --game <blocks.tap> <data.bin> <out.tzx>
// And a .tap's blocks with a stop-the-tape-on-48K block after the first two:
// Usage: make_test_tapes --stop <in.tap> <out.tzx>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <libspectrum.h>

#include "tests/tape/test_tape_timings.h"

namespace {

libspectrum_byte *alloc_bytes(size_t n) {
    return static_cast<libspectrum_byte *>(libspectrum_malloc(n));
}

void set_turbo_timings(libspectrum_tape_block *b) {
    libspectrum_tape_block_set_pilot_length(b, kTurboPilot);
    libspectrum_tape_block_set_pilot_pulses(b, kTurboPilotPulses);
    libspectrum_tape_block_set_sync1_length(b, kTurboSync);
    libspectrum_tape_block_set_sync2_length(b, kTurboSync);
    libspectrum_tape_block_set_bit0_length(b, kTurboBit0);
    libspectrum_tape_block_set_bit1_length(b, kTurboBit1);
    libspectrum_tape_block_set_bits_in_last_byte(b, 8);
    libspectrum_tape_block_set_pause(b, 1000);
}

libspectrum_tape_block *tone(libspectrum_dword length, size_t pulses) {
    libspectrum_tape_block *b = libspectrum_tape_block_alloc(LIBSPECTRUM_TAPE_BLOCK_PURE_TONE);
    libspectrum_tape_block_set_pulse_length(b, length);
    libspectrum_tape_block_set_count(b, pulses);
    return b;
}

libspectrum_tape_block *block_of(libspectrum_tape_type type) {
    return libspectrum_tape_block_alloc(type);
}

// Block n's data of the loaders' tapes, zeros when zeros is set.
void set_fast_data(libspectrum_tape_block *b, size_t n, size_t size, bool zeros = false) {
    libspectrum_byte *data = alloc_bytes(size);
    for (size_t i = 0; i < size; i++) data[i] = zeros ? 0 : fast_byte(n, i);
    libspectrum_tape_block_set_data_length(b, size);
    libspectrum_tape_block_set_data(b, data);
    libspectrum_tape_block_set_bit0_length(b, kFastBit0);
    libspectrum_tape_block_set_bit1_length(b, kFastBit1);
    libspectrum_tape_block_set_bits_in_last_byte(b, 8);
    libspectrum_tape_block_set_pause(b, 0);
}

libspectrum_tape_block *fast_turbo(size_t n, size_t pilot_pulses, size_t size, bool zeros = false) {
    libspectrum_tape_block *b = block_of(LIBSPECTRUM_TAPE_BLOCK_TURBO);
    libspectrum_tape_block_set_pilot_length(b, kFastPilot);
    libspectrum_tape_block_set_pilot_pulses(b, pilot_pulses);
    libspectrum_tape_block_set_sync1_length(b, kFastSync1);
    libspectrum_tape_block_set_sync2_length(b, kFastSync2);
    set_fast_data(b, n, size, zeros);
    return b;
}

libspectrum_tape_block *pulses(std::initializer_list<libspectrum_dword> lengths) {
    libspectrum_tape_block *b = block_of(LIBSPECTRUM_TAPE_BLOCK_PULSES);
    auto *list = static_cast<libspectrum_dword *>(
        libspectrum_malloc(lengths.size() * sizeof(libspectrum_dword)));
    size_t n = 0;
    for (libspectrum_dword l : lengths) list[n++] = l;
    libspectrum_tape_block_set_count(b, n);
    libspectrum_tape_block_set_pulse_lengths(b, list);
    return b;
}

libspectrum_tape_block *pure_data(size_t n, size_t size) {
    libspectrum_tape_block *b = block_of(LIBSPECTRUM_TAPE_BLOCK_PURE_DATA);
    set_fast_data(b, n, size);
    return b;
}

libspectrum_tape_block *text_block(libspectrum_tape_type type, const char *text) {
    libspectrum_tape_block *b = block_of(type);
    char *copy = static_cast<char *>(libspectrum_malloc(std::strlen(text) + 1));
    std::strcpy(copy, text);
    libspectrum_tape_block_set_text(b, copy);
    return b;
}

// A direct recording, sampled every kRecordingSample T-states, of a fast turbo block with
// block n's data: the pulses' lengths survive to within a sample.
libspectrum_tape_block *recording(size_t n, size_t size) {
    std::vector<libspectrum_dword> pulse(kFastPilotPulses, kFastPilot);
    pulse.push_back(kFastSync1);
    pulse.push_back(kFastSync2);
    for (size_t i = 0; i < size; i++)
        for (int bit = 7; bit >= 0; bit--) {
            libspectrum_dword l = (fast_byte(n, i) >> bit) & 1 ? kFastBit1 : kFastBit0;
            pulse.insert(pulse.end(), 2, l);
        }
    std::vector<bool> samples;
    uint64_t end = 0;
    bool level = true;
    for (libspectrum_dword l : pulse) {
        end += l;
        while (uint64_t(samples.size()) * kRecordingSample < end) samples.push_back(level);
        level = !level;
    }
    size_t bytes = (samples.size() + 7) / 8;
    libspectrum_byte *data = alloc_bytes(bytes);
    std::memset(data, 0, bytes);
    for (size_t i = 0; i < samples.size(); i++)
        if (samples[i]) data[i / 8] |= libspectrum_byte(0x80 >> (i % 8));
    libspectrum_tape_block *b = block_of(LIBSPECTRUM_TAPE_BLOCK_RAW_DATA);
    libspectrum_tape_block_set_bit_length(b, kRecordingSample);
    libspectrum_tape_block_set_bits_in_last_byte(b, samples.size() % 8 ? samples.size() % 8 : 8);
    libspectrum_tape_block_set_pause(b, 0);
    libspectrum_tape_block_set_data_length(b, bytes);
    libspectrum_tape_block_set_data(b, data);
    return b;
}

libspectrum_tape *tape_of(std::initializer_list<libspectrum_tape_block *> blocks) {
    libspectrum_tape *tape = libspectrum_tape_alloc();
    for (libspectrum_tape_block *b : blocks) libspectrum_tape_append_block(tape, b);
    return tape;
}

libspectrum_tape *chain_tape() {
    libspectrum_tape *tape = libspectrum_tape_alloc();
    for (size_t n = 0; n < kChainBlocks; n++)
        libspectrum_tape_append_block(tape, fast_turbo(n, 2, kChainBytes, n < kChainZeroBlocks));
    return tape;
}

void put16(std::vector<uint8_t> *out, uint32_t v) {
    out->push_back(uint8_t(v));
    out->push_back(uint8_t(v >> 8));
}
void put32(std::vector<uint8_t> *out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// .tzx blocks that the library reads but writes otherwise: pauses (its writer makes a pure
// tone of them, and of 0 ms, which stops the tape, a tone of no length), and a generalised
// data block: a pilot and sync of two symbols, then block n's bytes as one bit a symbol, a
// one forcing the level high. The layout is the .tzx format's (blocks 0x20, 0x19, 0x12).
std::vector<uint8_t> every_kind_tail(size_t n, size_t size) {
    std::vector<uint8_t> out = {0x20};
    put16(&out, 30);  // ms
    std::vector<uint8_t> body;
    put16(&body, 0);    // no pause after it
    put32(&body, 2);    // pilot and sync: two runs of symbols
    body.push_back(2);  // at most two pulses a symbol
    body.push_back(2);  // two symbols
    put32(&body, uint32_t(size * 8));
    body.push_back(2);
    body.push_back(2);
    body.push_back(0x00);  // symbol 0: a pilot pulse, from the opposite level
    put16(&body, kFastPilot);
    put16(&body, 0);
    body.push_back(0x00);  // symbol 1: the two sync pulses
    put16(&body, kFastSync1);
    put16(&body, kFastSync2);
    body.push_back(0);  // symbol 0, 300 times
    put16(&body, 300);
    body.push_back(1);  // symbol 1 once
    put16(&body, 1);
    body.push_back(0x00);  // a zero: two short pulses
    put16(&body, kFastBit0);
    put16(&body, kFastBit0);
    body.push_back(0x03);  // a one: forced high, then two long pulses
    put16(&body, kFastBit1);
    put16(&body, kFastBit1);
    for (size_t i = 0; i < size; i++) body.push_back(fast_byte(n, i));
    out.push_back(0x19);
    put32(&out, uint32_t(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    out.push_back(0x20);
    put16(&out, 0);  // stop the tape
    out.push_back(0x12);
    put16(&out, 1500);
    put16(&out, 9);
    return out;
}

libspectrum_tape *every_kind_tape() {
    libspectrum_tape_block *rom = block_of(LIBSPECTRUM_TAPE_BLOCK_ROM);
    constexpr size_t kRomBytes = 20;
    libspectrum_byte *data = alloc_bytes(kRomBytes);
    for (size_t i = 0; i < kRomBytes; i++) data[i] = i == 0 ? 0xFF : fast_byte(9, i);
    libspectrum_tape_block_set_data_length(rom, kRomBytes);
    libspectrum_tape_block_set_data(rom, data);
    libspectrum_tape_block_set_pause(rom, 100);
    libspectrum_tape_block *level = block_of(LIBSPECTRUM_TAPE_BLOCK_SET_SIGNAL_LEVEL);
    libspectrum_tape_block_set_level(level, 1);
    libspectrum_tape_block *loop = block_of(LIBSPECTRUM_TAPE_BLOCK_LOOP_START);
    libspectrum_tape_block_set_count(loop, 3);
    return tape_of({
        text_block(LIBSPECTRUM_TAPE_BLOCK_GROUP_START, "every kind"),
        rom,
        text_block(LIBSPECTRUM_TAPE_BLOCK_COMMENT, "fast bits next"),
        fast_turbo(1, 30, 16),
        tone(kFastPilot, 40),
        pulses({kFastSync1, kFastSync2, 300}),
        pure_data(2, 12),
        recording(3, 4),
        level,
        loop,
        tone(900, 7),
        block_of(LIBSPECTRUM_TAPE_BLOCK_LOOP_END),
        block_of(LIBSPECTRUM_TAPE_BLOCK_STOP48),
        tone(700, 11),
        tone(0, 1),  // a pulse of no length
        block_of(LIBSPECTRUM_TAPE_BLOCK_GROUP_END),
        fast_turbo(4, 20, 8),
    });
}

// tail: blocks in the .tzx format's own bytes, after the library's, for the kinds its writer
// does not write.
bool save(libspectrum_tape *tape, libspectrum_id_t type, const std::string &path,
          const std::vector<uint8_t> &tail = {}) {
    libspectrum_byte *buffer = nullptr;
    size_t length = 0;
    if (libspectrum_tape_write(&buffer, &length, tape, type) != LIBSPECTRUM_ERROR_NONE) return false;
    FILE *f = std::fopen(path.c_str(), "wb");
    bool ok = f && std::fwrite(buffer, 1, length, f) == length &&
              (tail.empty() || std::fwrite(tail.data(), 1, tail.size(), f) == tail.size());
    if (f) ok = std::fclose(f) == 0 && ok;
    libspectrum_free(buffer);
    libspectrum_tape_free(tape);
    return ok;
}

std::string read_all(const char *path) {
    std::string bytes;
    FILE *f = std::fopen(path, "rb");
    if (!f) return bytes;
    for (int c; (c = std::fgetc(f)) != EOF;) bytes += char(c);
    std::fclose(f);
    return bytes;
}

int game_tape(const char *blocks, const char *binary, const char *out) {
    std::string tap = read_all(blocks), bin = read_all(binary);
    libspectrum_tape *tape = libspectrum_tape_alloc();
    if (tap.empty() || bin.empty() ||
        libspectrum_tape_read(tape, reinterpret_cast<const libspectrum_byte *>(tap.data()),
                              tap.size(), LIBSPECTRUM_ID_TAPE_TAP, blocks) != LIBSPECTRUM_ERROR_NONE) {
        std::fprintf(stderr, "make_test_tapes: cannot read %s or %s\n", blocks, binary);
        return 1;
    }
    libspectrum_tape_block *b = libspectrum_tape_block_alloc(LIBSPECTRUM_TAPE_BLOCK_TURBO);
    set_turbo_timings(b);
    libspectrum_byte *data = alloc_bytes(bin.size());
    std::memcpy(data, bin.data(), bin.size());
    libspectrum_tape_block_set_data_length(b, bin.size());
    libspectrum_tape_block_set_data(b, data);
    libspectrum_tape_append_block(tape, b);
    return save(tape, LIBSPECTRUM_ID_TAPE_TZX, out) ? 0 : 1;
}

// The stop block right after the second block's last edge, with no pause between: nothing
// the loader could hear comes before the tape stops.
int stop_tape(const char *in, const char *out) {
    std::string tap = read_all(in);
    libspectrum_tape *tape = libspectrum_tape_alloc();
    if (tap.empty() ||
        libspectrum_tape_read(tape, reinterpret_cast<const libspectrum_byte *>(tap.data()),
                              tap.size(), LIBSPECTRUM_ID_TAPE_TAP, in) != LIBSPECTRUM_ERROR_NONE ||
        libspectrum_tape_insert_block(tape, block_of(LIBSPECTRUM_TAPE_BLOCK_STOP48), 2) !=
            LIBSPECTRUM_ERROR_NONE) {
        std::fprintf(stderr, "make_test_tapes: cannot read %s\n", in);
        return 1;
    }
    libspectrum_tape_iterator it;
    libspectrum_tape_iterator_init(&it, tape);
    libspectrum_tape_block_set_pause(libspectrum_tape_iterator_next(&it), 0);
    return save(tape, LIBSPECTRUM_ID_TAPE_TZX, out) ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc == 5 && std::strcmp(argv[1], "--game") == 0) {
        libspectrum_init();
        return game_tape(argv[2], argv[3], argv[4]);
    }
    if (argc == 4 && std::strcmp(argv[1], "--stop") == 0) {
        libspectrum_init();
        return stop_tape(argv[2], argv[3]);
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <directory>\n", argv[0]);
        return 2;
    }
    std::string dir = argv[1];
    libspectrum_init();

    libspectrum_tape *turbo = libspectrum_tape_alloc();
    libspectrum_tape_block *b = libspectrum_tape_block_alloc(LIBSPECTRUM_TAPE_BLOCK_TURBO);
    set_turbo_timings(b);
    libspectrum_byte *data = alloc_bytes(kTurboBytes);
    for (size_t i = 0; i < kTurboBytes; i++) data[i] = libspectrum_byte(i * 29 + (i >> 3) + 7);
    libspectrum_tape_block_set_data_length(b, kTurboBytes);
    libspectrum_tape_block_set_data(b, data);
    libspectrum_tape_append_block(turbo, b);

    libspectrum_tape *bad = libspectrum_tape_alloc();
    b = libspectrum_tape_block_alloc(LIBSPECTRUM_TAPE_BLOCK_ROM);
    constexpr size_t kBadBytes = 102;  // flag, 100 bytes, checksum
    data = alloc_bytes(kBadBytes);
    libspectrum_byte sum = 0;
    for (size_t i = 0; i + 1 < kBadBytes; i++) {
        data[i] = i == 0 ? 0xFF : libspectrum_byte(i * 13);
        sum ^= data[i];
    }
    data[kBadBytes - 1] = libspectrum_byte(sum ^ 0x5A);
    libspectrum_tape_block_set_data_length(b, kBadBytes);
    libspectrum_tape_block_set_data(b, data);
    libspectrum_tape_block_set_pause(b, 1000);
    libspectrum_tape_append_block(bad, b);

    libspectrum_tape *stop = libspectrum_tape_alloc();
    libspectrum_tape_append_block(stop, tone(kStopTonePulse, kStopTonePulses));
    libspectrum_tape_append_block(stop, libspectrum_tape_block_alloc(LIBSPECTRUM_TAPE_BLOCK_STOP48));
    libspectrum_tape_append_block(stop, tone(2 * kStopTonePulse, kStopTonePulses));

    const libspectrum_id_t tzx = LIBSPECTRUM_ID_TAPE_TZX;
    bool ok = save(turbo, tzx, dir + "/turbo.tzx") &&
              save(bad, LIBSPECTRUM_ID_TAPE_TAP, dir + "/bad_checksum.tap") &&
              save(stop, tzx, dir + "/stop.tzx") &&
              save(tape_of({fast_turbo(0, kFastPilotPulses, kFastBytes),
                            fast_turbo(1, kFastPilotPulses, kFastBytes)}),
                   tzx, dir + "/fast.tzx") &&
              save(chain_tape(), tzx, dir + "/chain.tzx") &&
              save(tape_of({tone(kFastPilot, kFastPilotPulses), pulses({kFastSync1, kFastSync2}),
                            pure_data(0, kFastBytes)}),
                   tzx, dir + "/tone_data.tzx") &&
              save(tape_of({fast_turbo(0, kFastPilotPulses, kFastBytes), recording(1, kFastBytes),
                            fast_turbo(2, kFastPilotPulses, kFastBytes)}),
                   tzx, dir + "/recording.tzx") &&
              save(tape_of({fast_turbo(0, kFastPilotPulses, kFastBytes),
                            block_of(LIBSPECTRUM_TAPE_BLOCK_STOP48),
                            fast_turbo(1, kFastPilotPulses, kFastBytes)}),
                   tzx, dir + "/fast_stop.tzx") &&
              save(every_kind_tape(), tzx, dir + "/every_kind.tzx", every_kind_tail(5, 6));
    if (!ok) std::fprintf(stderr, "make_test_tapes: could not write the tapes to %s\n", argv[1]);
    return ok ? 0 : 1;
}
