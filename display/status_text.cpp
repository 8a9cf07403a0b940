#include "display/status_text.h"

#include <SDL/SDL.h>

#include "display/panel_font.h"
#include "display/text.h"

namespace {

// The panel-font code that shows byte c: capitals for lower-case letters, '?' for anything
// without a glyph of its own (control bytes, the bytes of UTF-8 names, { | } ~), because
// the codes from 128 are the keyboard's line-art pieces.
int status_code(unsigned char c) {
    if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
    if (c < kPanelFontFirst || c >= 'a' || panelfont[c - kPanelFontFirst].width == 0) return '?';
    return c;
}

}  // namespace

void draw_status_text(Machine *m, const char *text) {
    SDL_Rect band;
    band.x = kStatusX;
    band.y = kStatusY;
    band.w = kStatusWidth;
    band.h = kStatusHeight;
    SDL_FillRect(m->surface, &band, 0);
    int x = kStatusTextX;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; p++) {
        int code = status_code(*p);
        if (x + 2 * panelfont[code - kPanelFontFirst].width > kScreenWidth) break;
        x += panel_char2x(m, x, kStatusTextY, code, kStatusColour);
    }
}
