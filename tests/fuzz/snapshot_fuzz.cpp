// Arbitrary bytes through both snapshot loaders. Beyond the sanitizers' checks (no access
// outside the bytes given, no undefined behaviour), a load must never write the ROM, and a
// refused file must leave registers and RAM as they were.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "machine/machine.h"
#include "snapshot/sna_file.h"
#include "snapshot/snapshot_files.h"
#include "snapshot/z80_loader.h"

namespace {

Machine machine;
uint8_t image[kMemorySize];
uint8_t rom_copy[kRomSize];
uint8_t ram_copy[kRamSize];
uint8_t padded[kSnaFileSize];

// The register fields, a to sp, lie together in the record.
uint8_t *regs_begin() { return &machine.a; }
size_t regs_size() { return size_t(reinterpret_cast<uint8_t *>(&machine.sp + 1) - &machine.a); }

void check(bool ok) {
    if (!ok) std::abort();
}

void load_checked(int (*load)(Machine *, const uint8_t *, size_t), const uint8_t *data,
                  size_t size) {
    uint8_t regs[64];
    check(regs_size() <= sizeof regs);
    std::memcpy(regs, regs_begin(), regs_size());
    std::memcpy(ram_copy, machine.ram, kRamSize);
    if (load(&machine, data, size) != 0) {
        check(std::memcmp(regs, regs_begin(), regs_size()) == 0);
        check(std::memcmp(ram_copy, machine.ram, kRamSize) == 0);
    }
    check(std::memcmp(rom_copy, machine.rom, kRomSize) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (!machine.rom) {
        for (int a = 0; a < kRomSize; a++) image[a] = uint8_t(a * 7 + 3);
        std::memcpy(rom_copy, image, kRomSize);
        machine.rom = image;
        machine.ram = image + kRomSize;
        machine.portfe = 0xFF;
    }
    if (size > kSnapshotBufferSize) size = kSnapshotBufferSize;
    load_checked(load_z80, data, size);
    load_checked(load_sna, data, size);
    // Short inputs repeated to a whole .sna, so that its header and PC pop see arbitrary bytes.
    if (size > 0) {
        for (size_t k = 0; k < kSnaFileSize; k++) padded[k] = data[k % size];
        load_checked(load_sna, padded, kSnaFileSize);
    }
    return 0;
}
