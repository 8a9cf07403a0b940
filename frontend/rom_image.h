// Finding and reading the 16 KB Spectrum ROM.
#pragma once

#include <cstdint>

// The working directory's "spectrum.rom" first, then the data directory's copy. Reads up to
// 16384 bytes into image (a short file leaves the rest as it was). Returns 0, or -1 when
// neither file opens.
int load_rom(uint8_t *image);

// The data-directory path of the ROM, fixed when the program is built.
const char *rom_data_path();
