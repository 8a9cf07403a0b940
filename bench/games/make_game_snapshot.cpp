// Writes a 48K snapshot, with libspectrum's own writer, of a program about to start: its
// code (a binary file) at the origin, the rest of RAM clear, PC at the origin, interrupts off.
// Usage: make_game_snapshot <code.bin> <origin> <out.z80>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <libspectrum.h>

namespace {

constexpr size_t kPage = 0x4000;
// The 48K machine's RAM as libspectrum numbers its 16 KB pages: 5 at 0x4000, 2 at 0x8000,
// 0 at 0xC000.
constexpr int kPageAt[3] = {5, 2, 0};

bool write_file(const char *path, const libspectrum_byte *bytes, size_t length) {
    FILE *f = std::fopen(path, "wb");
    bool ok = f && std::fwrite(bytes, 1, length, f) == length;
    if (f) ok = std::fclose(f) == 0 && ok;
    return ok;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <code.bin> <origin> <out.z80>\n", argv[0]);
        return 2;
    }
    static libspectrum_byte ram[3 * kPage];
    long origin = std::strtol(argv[2], nullptr, 0);
    FILE *in = std::fopen(argv[1], "rb");
    if (!in || origin < 0x4000 || origin > 0xFFFF) {
        std::fprintf(stderr, "%s: cannot place %s at %s\n", argv[0], argv[1], argv[2]);
        return 1;
    }
    size_t room = 0x10000 - size_t(origin);
    size_t length = std::fread(ram + (origin - 0x4000), 1, room, in);
    bool whole = std::fgetc(in) == EOF;
    std::fclose(in);
    if (!length || !whole) {
        std::fprintf(stderr, "%s: %s is empty or does not fit\n", argv[0], argv[1]);
        return 1;
    }
    if (libspectrum_init() != LIBSPECTRUM_ERROR_NONE) return 1;
    libspectrum_snap *snap = libspectrum_snap_alloc();
    libspectrum_snap_set_machine(snap, LIBSPECTRUM_MACHINE_48);
    for (int k = 0; k < 3; k++) {
        auto *page = static_cast<libspectrum_byte *>(libspectrum_malloc(kPage));
        std::memcpy(page, ram + k * kPage, kPage);
        libspectrum_snap_set_pages(snap, kPageAt[k], page);
    }
    libspectrum_snap_set_pc(snap, libspectrum_word(origin));
    libspectrum_snap_set_sp(snap, 0xFF00);
    libspectrum_snap_set_im(snap, 1);
    libspectrum_snap_set_out_ula(snap, 7);
    libspectrum_byte *buffer = nullptr;
    size_t written = 0;
    int lost = 0;
    bool ok = libspectrum_snap_write(&buffer, &written, &lost, snap, LIBSPECTRUM_ID_SNAPSHOT_Z80,
                                     nullptr, 0) == LIBSPECTRUM_ERROR_NONE &&
              write_file(argv[3], buffer, written);
    libspectrum_free(buffer);
    libspectrum_snap_free(snap);
    if (!ok) std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[3]);
    return ok ? 0 : 1;
}
