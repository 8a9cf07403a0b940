// Reading a tape image's bytes without trusting the path: only a regular file of a bounded
// size is read, and opening never waits on a FIFO or a device.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A direct recording of a long tape (.wav, 44.1 kHz, 16-bit stereo) stays well below this.
constexpr size_t kTapeFileMax = 64u << 20;

// 0 with the file's bytes in data; otherwise an errno value saying why it was not read
// (EISDIR, EFBIG, ENODEV for a FIFO or device, or what open or read reported).
int tape_file_read(const char *path, std::vector<uint8_t> *data);
