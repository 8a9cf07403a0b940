#include "frontend/rom_image.h"

#include <fcntl.h>
#include <unistd.h>

#include "machine/machine.h"

// TAVISK_DATA_DIR comes from the build, one per executable.
const char *rom_data_path() { return TAVISK_DATA_DIR "/roms/spectrum.rom"; }

int load_rom(uint8_t *image) {
    int fd = open("spectrum.rom", O_RDONLY);
    if (fd < 0) fd = open(rom_data_path(), O_RDONLY);
    if (fd < 0) return -1;
    // The count is not checked: whatever the file holds, up to 16 KB, is the ROM.
    ssize_t got = 0;
    while (got < kRomSize) {
        ssize_t n = read(fd, image + got, kRomSize - got);
        if (n <= 0) break;
        got += n;
    }
    close(fd);
    return 0;
}
