#include "display/text.h"

#include <SDL/SDL.h>

#include "display/palette.h"
#include "display/panel_font.h"
#include "display/screen_render.h"
#include "display/spec_font.h"

namespace {

// Callers keep their text on the screen; a stray coordinate is dropped here rather than
// written past the pixel memory.
inline void put(Machine *m, int x, int y, uint16_t colour) {
    if (unsigned(x) < unsigned(kScreenWidth) && unsigned(y) < unsigned(kScreenHeight))
        m->pixels[x + kScreenWidth * y] = colour;
}

// A scale x scale block of screen pixels.
inline void put_block(Machine *m, int x, int y, int scale, uint16_t colour) {
    for (int dy = 0; dy < scale; dy++)
        for (int dx = 0; dx < scale; dx++) put(m, x + dx, y + dy, colour);
}

const PanelGlyph *panel_glyph(int code) {
    if (code < kPanelFontFirst || code >= kPanelFontFirst + kPanelFontGlyphs) return nullptr;
    const PanelGlyph *g = &panelfont[code - kPanelFontFirst];
    return g->width ? g : nullptr;
}

// One panel glyph with every pixel drawn as a scale x scale block; returns its advance.
int draw_panel_glyph(Machine *m, int x, int y, int code, uint32_t colour, int scale) {
    const PanelGlyph *g = panel_glyph(code);
    if (!g) return 0;
    for (int r = 0; r < 5; r++)
        for (int c = 0; c < g->width; c++)
            if (g->rows[r] & (1 << c))
                put_block(m, x + scale * c, y + scale * r, scale, uint16_t(colour));
    return scale * (code < kPanelArtFirst ? g->width + 1 : g->width);
}

// The 8x8 font's glyph index of code; codes without one show '!'.
int spec_glyph(int code) {
    int index = code - kSpecFontFirst;
    return index < 0 || index >= kSpecFontGlyphs ? '!' - kSpecFontFirst : index;
}

void draw_panel_text(Machine *m, const char *text, int x, int y, uint32_t colour, int scale) {
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; p++)
        x += draw_panel_glyph(m, x, y, *p, colour, scale);
}

}  // namespace

int panel_char(Machine *m, int x, int y, int code, uint32_t colour) {
    return draw_panel_glyph(m, x, y, code, colour, 1);
}

int panel_char2x(Machine *m, int x, int y, int code, uint32_t colour) {
    return draw_panel_glyph(m, x, y, code, colour, 2);
}

void panel_text(Machine *m, const char *text, int x, int y, uint32_t colour) {
    draw_panel_text(m, text, x, y, colour, 1);
}

void panel_text2x(Machine *m, const char *text, int x, int y, uint32_t colour) {
    draw_panel_text(m, text, x, y, colour, 2);
}

int spec_text2x(Machine *m, const char *text, int x, int y, uint32_t colour) {
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; p++, x += 16) {
        const uint8_t *glyph = &specfont[8 * spec_glyph(*p)];
        for (int j = 0; j < 8; j++)
            for (int i = 0; i < 8; i++)
                if (glyph[j] & (0x80 >> i)) put_block(m, x + 2 * i, y + 2 * j, 2, uint16_t(colour));
    }
    return x;
}

void spec_plot(Machine *m, int x, int y, int colour) {
    put_block(m, 2 * x, kSpecAreaY + 2 * y, 2, palette_colour(colour));
}

void spec_char(Machine *m, int column, int row, int colour, int code) {
    const uint8_t *glyph = &specfont[8 * spec_glyph(code)];
    for (int j = 0; j < 8; j++)
        for (int b = 7; b >= 0; b--)
            if (glyph[j] & (1 << b)) spec_plot(m, 8 * column + 7 - b, 8 * row + j, colour);
}

void spec_text(Machine *m, int column, int row, int colour, const char *text) {
    if (!text || column > 31) return;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p && column <= 31;
         p++, column++)
        spec_char(m, column, row, colour, *p);
}

void spec_fillrect(Machine *m, int x, int y, int w, int h, int colour) {
    SDL_Rect rect;
    rect.x = Sint16(2 * x);
    rect.y = Sint16(2 * y + kSpecAreaY);
    rect.w = Uint16(2 * w);
    rect.h = Uint16(2 * h);
    SDL_FillRect(m->surface, &rect, palette[colour & 15]);
}
