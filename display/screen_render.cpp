#include "display/screen_render.h"

namespace {

constexpr int kRowBytes = kScreenWidth * 2;  // the pitch is fixed at 1600 bytes
constexpr int kAttrOffset = 0x1800;

// Pixel pairs handled as one value, with GCC's generic vectors: four (16 bytes, one register)
// where the target has a vector unit, else one, which is then a plain 32-bit register. The
// stored form asks only the 4-byte alignment that the pixel pairs have always had and may
// alias the surface's 16-bit pixels.
#if defined(__SSE2__) || defined(__ARM_NEON)
constexpr int kLanes = 4;
#else
constexpr int kLanes = 1;
#endif
constexpr int kGroups = 8 / kLanes;  // values per display byte
typedef uint32_t Pairs __attribute__((vector_size(4 * kLanes)));
typedef uint32_t SurfacePairs __attribute__((vector_size(4 * kLanes), aligned(4), may_alias));

constexpr uint32_t pixel_mask(int b, int k) { return (b >> (7 - k)) & 1 ? 0xFFFFFFFFu : 0; }

// Group g of display byte b's pixel masks: words of all ones where the pixel is set,
// leftmost (bit 7) first. A pixel pair is then paper ^ ((ink ^ paper) & mask): no test per
// bit.
constexpr Pairs masks_of(int b, int g) {
#if defined(__SSE2__) || defined(__ARM_NEON)
    return Pairs{pixel_mask(b, 4 * g), pixel_mask(b, 4 * g + 1), pixel_mask(b, 4 * g + 2),
                 pixel_mask(b, 4 * g + 3)};
#else
    return Pairs{pixel_mask(b, g)};
#endif
}

struct ByteMasks {
    Pairs group[256][kGroups];
};

constexpr ByteMasks make_byte_masks() {
    ByteMasks t{};
    for (int b = 0; b < 256; b++)
        for (int g = 0; g < kGroups; g++) t.group[b][g] = masks_of(b, g);
    return t;
}

constexpr ByteMasks kByteMasks = make_byte_masks();

constexpr Pairs broadcast(uint32_t word) { return Pairs{} + word; }

// Eight pixels of one display byte into two screen rows.
inline void draw_byte(uint8_t *top, uint8_t b, Pairs paper, Pairs diff) {
    SurfacePairs *upper = reinterpret_cast<SurfacePairs *>(top);
    SurfacePairs *lower = reinterpret_cast<SurfacePairs *>(top + kRowBytes);
#pragma GCC unroll 8
    for (int g = 0; g < kGroups; g++) {
        const Pairs v = paper ^ (diff & kByteMasks.group[b][g]);
        upper[g] = v;
        lower[g] = v;
    }
}

// The colours of a cell: paper, and ink ^ paper for the masks to select.
struct CellColours {
    Pairs paper;
    Pairs diff;
};

// Every attribute's colours in each FLASH phase, decoded once at compile time rather than
// once per cell or per call.
struct AttributeColours {
    CellColours phase[2][256];
};

constexpr AttributeColours make_attribute_colours() {
    AttributeColours t{};
    for (int flashphase = 0; flashphase < 2; flashphase++)
        for (int a = 0; a < 256; a++) {
            int ink = (a & 7) | ((a >> 3) & 8);
            int paper = (a >> 3) & 15;
            if (flashphase && (a & 0x80)) {
                int swap = ink;
                ink = paper;
                paper = swap;
            }
            t.phase[flashphase][a].paper = broadcast(palette[paper]);
            t.phase[flashphase][a].diff = broadcast(palette[ink] ^ palette[paper]);
        }
    return t;
}

constexpr AttributeColours kAttributeColours = make_attribute_colours();

}  // namespace

int screen_flash_phase(int32_t counter) { return uint32_t(counter) % 50 > 24; }

void render_lines(Machine *m, const uint8_t line_masks[kCharRows]) {
    const uint8_t *ram = m->ram;
    uint8_t *screen = reinterpret_cast<uint8_t *>(m->pixels) + kSpecAreaY * kRowBytes;
    const CellColours *colours = kAttributeColours.phase[screen_flash_phase(m->counter)];
    // Character row r (0-23) is third r / 8, whose 2048 display bytes hold its pixel line l
    // of cell k at 256 * l + k; its attributes follow the display file in the same order.
    for (int r = 0; r < kCharRows; r++) {
        const unsigned lines = line_masks[r];
        if (!lines) continue;
        const uint8_t *bytes = ram + 2048 * (r >> 3) + 32 * (r & 7);
        const uint8_t *attributes = ram + kAttrOffset + 32 * r;
        // Each character is 16 screen rows high and 32 bytes (16 pixels) wide.
        uint8_t *cell = screen + 16 * r * kRowBytes;
        if (lines == kAllLines) {
            for (int c = 0; c < 32; c++, cell += 32) {
                const CellColours &colour = colours[attributes[c]];
#pragma GCC unroll 8
                for (int l = 0; l < 8; l++)
                    draw_byte(cell + 2 * l * kRowBytes, bytes[256 * l + c], colour.paper,
                              colour.diff);
            }
            continue;
        }
        for (int c = 0; c < 32; c++, cell += 32) {
            const CellColours &colour = colours[attributes[c]];
            for (int l = 0; l < 8; l++)
                if (lines >> l & 1)
                    draw_byte(cell + 2 * l * kRowBytes, bytes[256 * l + c], colour.paper,
                              colour.diff);
        }
    }
}

int render_screen(Machine *m) {
    static constexpr uint8_t every_line[kCharRows] = {
        kAllLines, kAllLines, kAllLines, kAllLines, kAllLines, kAllLines, kAllLines, kAllLines,
        kAllLines, kAllLines, kAllLines, kAllLines, kAllLines, kAllLines, kAllLines, kAllLines,
        kAllLines, kAllLines, kAllLines, kAllLines, kAllLines, kAllLines, kAllLines, kAllLines};
    render_lines(m, every_line);
    return 0;
}
