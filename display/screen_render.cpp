#include "display/screen_render.h"

namespace {

constexpr int kRowWords = kScreenWidth / 2;  // the pitch is fixed at 1600 bytes
constexpr int kAttrOffset = 0x1800;

// Eight pixels of one display byte into two screen rows, one test and two stores a bit.
inline void draw_byte(uint32_t *top, uint8_t b, uint32_t ink, uint32_t paper) {
    uint32_t *bottom = top + kRowWords;
    uint32_t w;
    w = (b & 0x80) ? ink : paper;
    top[0] = w;
    bottom[0] = w;
    w = (b & 0x40) ? ink : paper;
    top[1] = w;
    bottom[1] = w;
    w = (b & 0x20) ? ink : paper;
    top[2] = w;
    bottom[2] = w;
    w = (b & 0x10) ? ink : paper;
    top[3] = w;
    bottom[3] = w;
    w = (b & 0x08) ? ink : paper;
    top[4] = w;
    bottom[4] = w;
    w = (b & 0x04) ? ink : paper;
    top[5] = w;
    bottom[5] = w;
    w = (b & 0x02) ? ink : paper;
    top[6] = w;
    bottom[6] = w;
    w = (b & 0x01) ? ink : paper;
    top[7] = w;
    bottom[7] = w;
}

}  // namespace

int render_screen(Machine *m) {
    const uint8_t *ram = m->ram;
    uint32_t *screen = reinterpret_cast<uint32_t *>(m->pixels) + kSpecAreaY * kRowWords;
    // A period of 50 frames: the second half shows FLASH cells inverted.
    const bool flashphase = uint32_t(m->counter) % 50 > 24;
    for (int t = 0; t < 3; t++) {
        for (int k = 0; k < 256; k++) {
            const uint8_t a = ram[kAttrOffset + 256 * t + k];
            int ink = (a & 7) | ((a >> 3) & 8);
            int paper = (a >> 3) & 15;
            if (flashphase && (a & 0x80)) {
                int swap = ink;
                ink = paper;
                paper = swap;
            }
            const uint32_t inkword = palette[ink];
            const uint32_t paperword = palette[paper];
            const uint8_t *bytes = ram + 2048 * t + k;
            const int y0 = 64 * t + 8 * (k >> 5);
            uint32_t *cell = screen + 2 * y0 * kRowWords + 8 * (k & 31);
            for (int l = 0; l < 8; l++)
                draw_byte(cell + 2 * l * kRowWords, bytes[256 * l], inkword, paperword);
        }
    }
    return 0;
}
