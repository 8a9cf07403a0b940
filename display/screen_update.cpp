#include "display/screen_update.h"

#include <cstring>

namespace {

constexpr int kLineBytes = 32;
constexpr int kBlockBytes = 256;  // one pixel line of the eight character rows of a third
constexpr int kBlocks = 0x1800 / kBlockBytes;
constexpr int kAttrOffset = 0x1800;

bool differ(const uint8_t *a, const uint8_t *b, size_t n) { return std::memcmp(a, b, n) != 0; }

bool row_flashes(const uint8_t *attributes) {
    uint8_t any = 0;
    for (int c = 0; c < 32; c++) any |= attributes[c];
    return any & 0x80;
}

// The pixel lines whose display bytes differ from what was drawn. The display file is
// walked in its own order, 256-byte blocks first, so that an unchanged block costs one
// compare.
void changed_lines(const uint8_t *ram, const uint8_t *drawn, uint8_t line_masks[kCharRows]) {
    for (int block = 0; block < kBlocks; block++) {
        const int at = block * kBlockBytes;
        if (!differ(ram + at, drawn + at, kBlockBytes)) continue;
        // Block 8t + l holds line l of the character rows 8t to 8t + 7, 32 bytes each.
        const int first_row = 8 * (block >> 3);
        const uint8_t line = uint8_t(1u << (block & 7));
        for (int k = 0; k < 8; k++)
            if (differ(ram + at + kLineBytes * k, drawn + at + kLineBytes * k, kLineBytes))
                line_masks[first_row + k] |= line;
    }
}

// Whole rows whose attributes changed, or whose flashing cells turned over.
void changed_rows(const uint8_t *ram, const uint8_t *drawn, bool flipped,
                  uint8_t line_masks[kCharRows]) {
    for (int r = 0; r < kCharRows; r++) {
        const uint8_t *attributes = ram + kAttrOffset + kLineBytes * r;
        if (differ(attributes, drawn + kAttrOffset + kLineBytes * r, kLineBytes) ||
            (flipped && row_flashes(attributes)))
            line_masks[r] = kAllLines;
    }
}

// Runs of changed lines as screen-row bands, runs less than kBandGap lines apart joined.
int bands_of(const uint8_t line_masks[kCharRows], ScreenBands *bands) {
    bands->count = 0;
    int start = -1, end = -1;  // the open band's lines, end exclusive
    for (int y = 0; y < kPixelLines; y++) {
        if (!(line_masks[y >> 3] >> (y & 7) & 1)) continue;
        if (start >= 0 && y - end >= kBandGap) {
            bands->band[bands->count++] = {kSpecAreaY + 2 * start, 2 * (end - start)};
            start = -1;
        }
        if (start < 0) start = y;
        end = y + 1;
    }
    if (start >= 0) bands->band[bands->count++] = {kSpecAreaY + 2 * start, 2 * (end - start)};
    return bands->count;
}

}  // namespace

void screen_drawn_over(ShownScreen *shown) { shown->known = 0; }

int render_frame(Machine *m, ShownScreen *shown, ScreenBands *bands) {
    const uint8_t *ram = m->ram;
    const int flashphase = screen_flash_phase(m->counter);
    uint8_t line_masks[kCharRows] = {};
    if (!shown->known) {
        std::memset(line_masks, kAllLines, sizeof line_masks);
    } else {
        const bool flipped = flashphase != shown->flashphase;
        // The usual frame of a still picture: one compare and done.
        if (!flipped && !differ(ram, shown->memory, kScreenMemory)) {
            bands->count = 0;
            return 0;
        }
        changed_lines(ram, shown->memory, line_masks);
        changed_rows(ram, shown->memory, flipped, line_masks);
    }
    render_lines(m, line_masks);
    // Lines not redrawn hold what was drawn already, so the whole copy is the changed part's.
    std::memcpy(shown->memory, ram, kScreenMemory);
    shown->known = 1;
    shown->flashphase = flashphase;
    return bands_of(line_masks, bands);
}
