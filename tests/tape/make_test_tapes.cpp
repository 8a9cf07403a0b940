// Writes the tapes that the tools at hand cannot make, with libspectrum's own writer:
//   turbo.tzx         a turbo block with timings of our own, for our turbo loader
//   bad_checksum.tap  a standard block whose last byte does not match the XOR of the rest
//   stop.tzx          two pure tones with a stop-the-tape-on-48K block between them
// Usage: make_test_tapes <directory>
//
// Also a whole turbo-loading game: the standard blocks of a .tap (a BASIC loader and the code
// that calls the turbo loader) followed by one turbo block with these timings carrying a
// binary file. Usage: make_test_tapes --game <blocks.tap> <data.bin> <out.tzx>

#include <cstdio>
#include <cstring>
#include <string>

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

bool save(libspectrum_tape *tape, libspectrum_id_t type, const std::string &path) {
    libspectrum_byte *buffer = nullptr;
    size_t length = 0;
    if (libspectrum_tape_write(&buffer, &length, tape, type) != LIBSPECTRUM_ERROR_NONE) return false;
    FILE *f = std::fopen(path.c_str(), "wb");
    bool ok = f && std::fwrite(buffer, 1, length, f) == length;
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

}  // namespace

int main(int argc, char **argv) {
    if (argc == 5 && std::strcmp(argv[1], "--game") == 0) {
        libspectrum_init();
        return game_tape(argv[2], argv[3], argv[4]);
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

    bool ok = save(turbo, LIBSPECTRUM_ID_TAPE_TZX, dir + "/turbo.tzx") &&
              save(bad, LIBSPECTRUM_ID_TAPE_TAP, dir + "/bad_checksum.tap") &&
              save(stop, LIBSPECTRUM_ID_TAPE_TZX, dir + "/stop.tzx");
    if (!ok) std::fprintf(stderr, "make_test_tapes: could not write the tapes to %s\n", argv[1]);
    return ok ? 0 : 1;
}
