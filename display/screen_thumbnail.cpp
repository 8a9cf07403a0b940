#include "display/screen_thumbnail.h"

#include "display/palette.h"
#include "display/screen_render.h"

void draw_thumbnail(Machine *m, int x, int y, const uint8_t *screen) {
    const uint8_t *attributes = screen + 0x1800;
    for (int line = 0; line < kThumbnailHeight; line++) {
        // Third, pixel line within the character, character row: the display file's order.
        const uint8_t *bytes = screen + ((line & 0xC0) << 5) + ((line & 0x07) << 8) +
                               ((line & 0x38) << 2);
        uint16_t *row = m->pixels + (y + line) * kScreenWidth + x;
        for (int c = 0; c < 32; c++) {
            uint8_t a = attributes[32 * (line / 8) + c];
            int bright = (a & 0x40) ? 8 : 0;
            uint16_t ink = palette_colour((a & 7) + bright);
            uint16_t paper = palette_colour(((a >> 3) & 7) + bright);
            for (int b = 0; b < 8; b++) row[8 * c + b] = (bytes[c] << b) & 0x80 ? ink : paper;
        }
    }
}
