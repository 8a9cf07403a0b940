#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "display/screen_render.h"
#include "display/screen_thumbnail.h"
#include "screen_surface.h"

namespace {

constexpr uint16_t kSentinel = 0x1234;

// One machine and one 800x480x16 software surface shared by the tests of this file.
struct Fixture {
    Machine *m;
    uint8_t *image;
    SDL_Surface *surface;
};

Fixture &fixture() {
    static Fixture f = [] {
        Fixture x;
        x.m = new Machine;
        x.image = new uint8_t[kMemorySize]();
        machine_power_on(x.m, x.image);
        x.surface = attach_screen_surface(x.m);
        return x;
    }();
    return f;
}

uint16_t pixel(int x, int y) { return fixture().m->pixels[y * 800 + x]; }

void clear_all(uint8_t attribute) {
    Fixture &f = fixture();
    std::memset(f.m->ram, 0, 0x1800);
    std::memset(f.m->ram + 0x1800, attribute, 768);
    for (int i = 0; i < 800 * 480; i++) f.m->pixels[i] = kSentinel;
}

// Colour of Spectrum pixel (x, y), worked out from the byte address formula of the display
// file rather than the renderer's cell order.
uint16_t expected_colour(const uint8_t *ram, int x, int y, int32_t counter) {
    int c = x / 8;
    int offset = ((y & 0xC0) << 5) + ((y & 0x07) << 8) + ((y & 0x38) << 2) + c;
    bool set = (ram[offset] >> (7 - x % 8)) & 1;
    uint8_t a = ram[0x1800 + 32 * (y / 8) + c];
    int bright = (a & 0x40) ? 8 : 0;
    int ink = (a & 7) + bright, paper = ((a >> 3) & 7) + bright;
    if ((a & 0x80) && uint32_t(counter) % 50 >= 25) std::swap(ink, paper);
    static const uint16_t colours[16] = {0x0000, 0x0018, 0xC000, 0xC018, 0x0600, 0x0618,
                                         0xC600, 0xC618, 0x0000, 0x001F, 0xF800, 0xF81F,
                                         0x07E0, 0x07FF, 0xFFE0, 0xFFFF};
    return colours[set ? ink : paper];
}

TEST(RenderScreen, MatchesDisplayFileForRandomMemory) {
    Fixture &f = fixture();
    std::mt19937 rng(7);
    for (int i = 0; i < 0x1B00; i++) f.m->ram[i] = uint8_t(rng());
    for (int32_t counter : {0, 24, 25, 49, 50, 75, -1, 0x7FFFFFFF}) {
        SCOPED_TRACE(counter);
        f.m->counter = counter;
        ASSERT_EQ(render_screen(f.m), 0);
        int wrong = 0;
        for (int y = 0; y < 192 && wrong < 5; y++)
            for (int x = 0; x < 256 && wrong < 5; x++) {
                uint16_t want = expected_colour(f.m->ram, x, y, counter);
                for (int dy = 0; dy < 2; dy++)
                    for (int dx = 0; dx < 2; dx++) {
                        uint16_t got = pixel(2 * x + dx, 50 + 2 * y + dy);
                        if (got != want) {
                            ADD_FAILURE() << "spectrum pixel " << x << "," << y << " got " << got
                                          << " want " << want;
                            wrong++;
                        }
                    }
            }
        EXPECT_EQ(f.m->counter, counter);
    }
    // At half size, one screen pixel a Spectrum pixel, FLASH in its first phase: the menu's
    // tiles, here in the panel's place.
    draw_thumbnail(f.m, 544, 0, f.m->ram);
    int wrong = 0;
    for (int y = 0; y < 192; y++)
        for (int x = 0; x < 256; x++) wrong += pixel(544 + x, y) != expected_colour(f.m->ram, x, y, 0);
    EXPECT_EQ(wrong, 0);
}

// Single bytes and attributes, checked at named screen pixels.
TEST(RenderScreen, LayoutColoursAndFlash) {
    struct Case {
        const char *name;
        int offset;  // display-file offset of the one non-zero byte
        uint8_t byte;
        uint8_t attribute;  // for every cell
        int32_t counter;
        int x, y;  // screen pixel checked
        uint16_t want;
    };
    const Case cases[] = {
        {"0x80 at 0 lights (0,50)", 0, 0x80, 0x38, 0, 0, 50, 0x0000},
        {"0x80 at 0 lights (1,51)", 0, 0x80, 0x38, 0, 1, 51, 0x0000},
        {"0x80 at 0 leaves (2,50) paper", 0, 0x80, 0x38, 0, 2, 50, 0xC618},
        {"0x80 at 0 leaves (0,52) paper", 0, 0x80, 0x38, 0, 0, 52, 0xC618},
        {"0x01 is the rightmost pixel", 0, 0x01, 0x38, 0, 15, 51, 0x0000},
        {"offset 0x100 is line 1", 0x100, 0xFF, 0x38, 0, 0, 52, 0x0000},
        {"offset 0x100 is not line 8", 0x100, 0xFF, 0x38, 0, 0, 66, 0xC618},
        {"offset 0x20 is line 8", 0x20, 0xFF, 0x38, 0, 0, 66, 0x0000},
        {"offset 0x800 is line 64", 0x800, 0xFF, 0x38, 0, 0, 178, 0x0000},
        {"offset 0x17FF is the last byte", 0x17FF, 0x01, 0x38, 0, 511, 433, 0x0000},
        {"column 31 at x 496", 31, 0x80, 0x38, 0, 496, 50, 0x0000},
        {"0x47 ink is bright white", 0, 0xFF, 0x47, 0, 0, 50, 0xFFFF},
        {"0x47 paper is black", 0, 0x00, 0x47, 0, 0, 50, 0x0000},
        {"bright paper 0 is black", 0, 0x00, 0x41, 0, 0, 50, 0x0000},
        {"normal blue ink", 0, 0xFF, 0x01, 0, 0, 50, 0x0018},
        {"bright green paper", 0, 0x00, 0x60, 0, 0, 50, 0x07E0},
        {"normal cyan paper", 0, 0x00, 0x28, 0, 0, 50, 0x0618},
        {"0xC7 ink at counter 24", 0, 0xFF, 0xC7, 24, 0, 50, 0xFFFF},
        {"0xC7 ink at counter 25", 0, 0xFF, 0xC7, 25, 0, 50, 0x0000},
        {"0xC7 paper at counter 25", 0, 0x00, 0xC7, 25, 0, 50, 0xFFFF},
        {"0xC7 ink at counter 49", 0, 0xFF, 0xC7, 49, 0, 50, 0x0000},
        {"0xC7 ink at counter 50", 0, 0xFF, 0xC7, 50, 0, 50, 0xFFFF},
        {"0xC7 paper at counter 50", 0, 0x00, 0xC7, 50, 0, 50, 0x0000},
        {"no FLASH bit, counter 25", 0, 0xFF, 0x47, 25, 0, 50, 0xFFFF},
        {"counter 32 is still inverted", 0, 0xFF, 0x87, 32, 0, 50, 0x0000},
    };
    Fixture &f = fixture();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        clear_all(c.attribute);
        f.m->ram[c.offset] = c.byte;
        f.m->counter = c.counter;
        render_screen(f.m);
        EXPECT_EQ(pixel(c.x, c.y), c.want);
    }
}

TEST(RenderScreen, WritesOnlyTheSpectrumRectangle) {
    Fixture &f = fixture();
    std::mt19937 rng(3);
    for (int i = 0; i < 0x1B00; i++) f.m->ram[i] = uint8_t(rng());
    for (int i = 0; i < 800 * 480; i++) f.m->pixels[i] = kSentinel;
    f.m->counter = 30;
    render_screen(f.m);
    int outside = 0, inside = 0;
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 800; x++) {
            bool in = x < 512 && y >= 50 && y < 434;
            if (in)
                inside += pixel(x, y) == kSentinel;
            else
                outside += pixel(x, y) != kSentinel;
        }
    EXPECT_EQ(outside, 0) << "pixels written outside 512x384 at (0,50)";
    EXPECT_EQ(inside, 0) << "pixels of the rectangle left unwritten";
}

// Every display byte value on every pixel line under each third's attribute, in both FLASH
// phases, against the per-bit reference.
TEST(RenderScreen, EveryByteUnderEachAttribute) {
    struct Case {
        const char *name;
        uint8_t attribute[3];  // one per third
    } cases[] = {
        {"bright white on black, FLASH bright, FLASH white paper", {0x47, 0xC7, 0xB9}},
        {"normal pairs, FLASH normal, bright black", {0x0D, 0x96, 0x40}},
    };
    Fixture &f = fixture();
    for (const Case &c : cases) {
        // Line l of cell k holds k ^ (29 * l): each third's 256 cells show all 256 values
        // on every line.
        for (int o = 0; o < 0x1800; o++) f.m->ram[o] = uint8_t((o & 0xFF) ^ (29 * ((o >> 8) & 7)));
        for (int t = 0; t < 3; t++) std::memset(f.m->ram + 0x1800 + 256 * t, c.attribute[t], 256);
        for (int32_t counter : {0, 25}) {
            f.m->counter = counter;
            render_screen(f.m);
            int wrong = 0;
            for (int y = 0; y < 192; y++)
                for (int x = 0; x < 256; x++) {
                    uint16_t want = expected_colour(f.m->ram, x, y, counter);
                    for (int d = 0; d < 4; d++)
                        wrong += pixel(2 * x + (d & 1), 50 + 2 * y + (d >> 1)) != want;
                }
            EXPECT_EQ(wrong, 0) << c.name << ", counter " << counter;
        }
    }
}

}  // namespace
