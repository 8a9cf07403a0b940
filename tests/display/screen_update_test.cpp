// render_frame against the full renderer: what it publishes, band by band, is what
// render_screen draws for the same memory, frame after frame.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "display/screen_update.h"

namespace {

constexpr int kAreaPixels = kSpecAreaWidth * kSpecAreaHeight;
constexpr uint16_t kSentinel = 0x1234;

// Two machines over one memory image: one draws frame by frame into the screen, the other
// draws every frame whole for comparison. What the screen's bands published is kept as a
// display server would hold it.
struct Rig {
    std::vector<uint8_t> image = std::vector<uint8_t>(kMemorySize);
    std::vector<uint16_t> screen = std::vector<uint16_t>(kScreenWidth * kScreenHeight, kSentinel);
    std::vector<uint16_t> full = std::vector<uint16_t>(kScreenWidth * kScreenHeight);
    std::vector<uint16_t> published = std::vector<uint16_t>(kAreaPixels);
    Machine *m = new Machine;
    Machine *reference = new Machine;
    ShownScreen shown{};
    ScreenBands bands{};

    Rig() {
        machine_power_on(m, image.data());
        machine_power_on(reference, image.data());
        m->pixels = screen.data();
        reference->pixels = full.data();
    }
    ~Rig() {
        delete m;
        delete reference;
    }
    uint8_t *ram() { return m->ram; }
    // One frame at counter: drawn, published, and the full picture drawn beside it.
    int frame(int32_t counter) {
        m->counter = reference->counter = counter;
        int count = render_frame(m, &shown, &bands);
        for (int k = 0; k < count; k++) {
            const ScreenBand &b = bands.band[k];
            for (int y = b.y; y < b.y + b.height; y++)
                std::memcpy(&published[size_t(y - kSpecAreaY) * kSpecAreaWidth],
                            &screen[size_t(y) * kScreenWidth], kSpecAreaWidth * 2);
        }
        render_screen(reference);
        return count;
    }
    // Pixels of the area where the published picture differs from the full render.
    int published_mismatches() const {
        int wrong = 0;
        for (int y = 0; y < kSpecAreaHeight; y++)
            wrong += std::memcmp(&published[size_t(y) * kSpecAreaWidth],
                                 &full[size_t(y + kSpecAreaY) * kScreenWidth],
                                 kSpecAreaWidth * 2) != 0;
        return wrong;
    }
    // Pixels outside the area that were written.
    int outside_writes() const {
        int written = 0;
        for (int y = 0; y < kScreenHeight; y++)
            for (int x = 0; x < kScreenWidth; x++) {
                bool in = x < kSpecAreaWidth && y >= kSpecAreaY && y < kSpecAreaY + kSpecAreaHeight;
                written += !in && screen[size_t(y) * kScreenWidth + x] != kSentinel;
            }
        return written;
    }
    // Bands in order, apart, inside the area, and of whole Spectrum lines.
    bool bands_well_formed() const {
        int below = kSpecAreaY;
        for (int k = 0; k < bands.count; k++) {
            const ScreenBand &b = bands.band[k];
            if (b.y < below || b.height <= 0 || b.y % 2 || b.height % 2) return false;
            below = b.y + b.height + 1;
        }
        return below <= kSpecAreaY + kSpecAreaHeight + 1;
    }
};

// Memory changes of one kind, at random, between frames; after each frame the published
// picture must be the full render, and a frame after no change publishes nothing.
TEST(RenderFrame, PublishesWhatTheFullRendererDrawsFrameAfterFrame) {
    enum Change { kNothing, kBytes, kAttributes, kFlashAttributes, kBlocks, kEverything };
    struct Case {
        const char *name;
        Change change;
        int per_frame;      // changes made before each frame
        int counter_step;   // frames the counter moves between draws (FAST mode 2 draws 1 in 4)
    } cases[] = {
        {"nothing changes, FLASH cells everywhere", kNothing, 0, 1},
        {"a few display bytes", kBytes, 3, 1},
        {"many display bytes", kBytes, 200, 1},
        {"attributes without FLASH", kAttributes, 4, 1},
        {"attributes with and without FLASH", kFlashAttributes, 6, 1},
        {"whole 256-byte blocks", kBlocks, 1, 1},
        {"everything, every frame", kEverything, 1, 1},
        {"bytes and FLASH, one frame in four drawn", kFlashAttributes, 5, 4},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        std::mt19937 rng(unsigned(c.change) * 7 + unsigned(c.per_frame));
        for (int i = 0; i < kScreenMemory; i++) rig.ram()[i] = uint8_t(rng());
        int32_t counter = int32_t(rng() % 50);
        int quiet_frames = 0, quiet_published = 0;
        for (int frame = 0; frame < 300; frame++) {
            uint8_t *ram = rig.ram();
            for (int k = 0; k < c.per_frame; k++) {
                switch (c.change) {
                    case kNothing: break;
                    case kBytes: ram[rng() % 0x1800] = uint8_t(rng()); break;
                    case kAttributes: ram[0x1800 + rng() % 768] = uint8_t(rng() & 0x7F); break;
                    case kFlashAttributes: ram[0x1800 + rng() % 768] = uint8_t(rng()); break;
                    case kBlocks: std::memset(ram + 256 * (rng() % 27), int(rng()), 256); break;
                    case kEverything:
                        for (int i = 0; i < kScreenMemory; i++) ram[i] = uint8_t(rng());
                        break;
                }
                if (c.change != kFlashAttributes) continue;
                ram[rng() % 0x1800] ^= uint8_t(1u << (rng() % 8));
            }
            const bool flips = screen_flash_phase(counter) != rig.shown.flashphase;
            int count = rig.frame(counter);
            if (frame > 0 && c.change == kNothing && !flips) {
                quiet_frames++;
                quiet_published += count;
            }
            ASSERT_EQ(rig.published_mismatches(), 0) << "frame " << frame << ", counter " << counter;
            ASSERT_TRUE(rig.bands_well_formed()) << "frame " << frame;
            counter += c.counter_step;
        }
        EXPECT_EQ(rig.outside_writes(), 0);
        if (c.change == kNothing) {
            EXPECT_GT(quiet_frames, 200);
            EXPECT_EQ(quiet_published, 0) << "unchanged frames published bands";
        }
    }
}

// FLASH turns over at counts 25 and 50 of every 50: only the rows with flashing cells are
// drawn and published, rows closer than kBandGap lines in one band.
TEST(RenderFrame, FlashTurnsOverOnlyTheRowsWithFlashingCells) {
    struct Rows {
        int first, count;  // character rows of a band
    };
    struct Case {
        const char *name;
        std::vector<int> flash_rows;  // character rows with one FLASH cell
        int32_t from, to;             // counter of the frame on screen, then of the next
        std::vector<Rows> want;
    } cases[] = {
        {"no turn within a half", {5}, 25, 26, {}},
        {"turn at 25, row 5", {5}, 24, 25, {{5, 1}}},
        {"turn back at 50, row 5", {5}, 49, 50, {{5, 1}}},
        {"a turn jumped over by a skipped frame", {0}, 22, 26, {{0, 1}}},
        {"two turns jumped over, nothing to draw", {3}, 24, 50, {}},
        {"no FLASH cell, no band", {}, 24, 25, {}},
        {"rows 5 and 6 are one band", {5, 6}, 24, 25, {{5, 2}}},
        {"rows 5 and 7 are a gap of 8 lines apart", {5, 7}, 24, 25, {{5, 1}, {7, 1}}},
        {"rows 0 and 23", {0, 23}, 74, 75, {{0, 1}, {23, 1}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        for (int i = 0; i < 0x1800; i++) rig.ram()[i] = uint8_t(i * 37);
        std::memset(rig.ram() + 0x1800, 0x38, 768);
        for (int row : c.flash_rows) rig.ram()[0x1800 + 32 * row + 9] = 0xB9;
        ASSERT_EQ(rig.frame(c.from), 1);
        int count = rig.frame(c.to);
        ASSERT_EQ(count, int(c.want.size()));
        for (int k = 0; k < count; k++) {
            EXPECT_EQ(rig.bands.band[k].y, kSpecAreaY + 16 * c.want[k].first) << "band " << k;
            EXPECT_EQ(rig.bands.band[k].height, 16 * c.want[k].count) << "band " << k;
        }
        EXPECT_EQ(rig.published_mismatches(), 0);
    }
}

// After screen_drawn_over, and at the first frame, the picture is drawn whole over whatever
// was drawn over it, and published as one band.
TEST(RenderFrame, DrawnOverMeansTheNextFrameIsWhole) {
    Rig rig;
    for (int i = 0; i < kScreenMemory; i++) rig.ram()[i] = uint8_t(i * 13 + 5);
    for (int round = 0; round < 3; round++) {
        SCOPED_TRACE(round);
        if (round > 0) {
            // A box drawn over the picture, as the browser draws, and nothing in memory changed.
            for (int y = 100; y < 300; y++)
                for (int x = 40; x < 400; x++) rig.screen[size_t(y) * kScreenWidth + x] = 0xF81F;
            EXPECT_EQ(rig.frame(7), 0) << "the box is not the renderer's to see";
            screen_drawn_over(&rig.shown);
        }
        ASSERT_EQ(rig.frame(7), 1);
        EXPECT_EQ(rig.bands.band[0].y, kSpecAreaY);
        EXPECT_EQ(rig.bands.band[0].height, kSpecAreaHeight);
        // The band is the whole area: this compares the whole screen, the box's rows too.
        EXPECT_EQ(rig.published_mismatches(), 0) << "rows of the screen left as drawn over";
        EXPECT_EQ(rig.frame(8), 0);
    }
}

}  // namespace
