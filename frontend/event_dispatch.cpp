#include "frontend/event_dispatch.h"

#include "display/control_panel.h"
#include "display/keyboard_layout.h"
#include "frontend/file_browser.h"
#include "frontend/file_open.h"
#include "frontend/key_map_actions.h"
#include "frontend/menu_actions.h"
#include "frontend/pacing.h"
#include "frontend/panel_status.h"
#include "frontend/run_state.h"
#include "frontend/tape_control.h"
#include "input/key_matrix.h"
#include "input/key_profiles.h"

namespace {

// The drawn keyboard's inner area, inside its frame.
constexpr int kKeysLeft = kKeyboardX + 1;
constexpr int kKeysRight = kKeyboardX + kKeyboardWidth - 1;
constexpr int kKeysTop = kKeyboardY + 1;
constexpr int kKeysBottom = kKeyboardY + kKeyboardHeight - 1;

void browser_done(FrontEnd *fe) {
    if (fe->path[0]) file_open(fe, fe->path);
    fe->browsing = 0;
    screen_drawn_over(&fe->shown);
    run_state_set(fe, 0, fe->audio->fast);
}

BrowserCommand browser_command(SDLKey symbol) {
    switch (symbol) {
        case SDLK_DOWN: return kBrowserDown;
        case SDLK_RIGHT: return kBrowserRight;
        case SDLK_LEFT: return kBrowserLeft;
        case SDLK_UP: return kBrowserUp;
        case SDLK_RETURN: return kBrowserEnter;
        default: return kBrowserNone;
    }
}

void key_down(FrontEnd *fe, SDLKey symbol) {
    int idx = hwkey_index(symbol);
    if (idx >= 0) {
        fe->hwdown[idx] = ++fe->hwdowns;
        fe->hwpressed[idx] = 0;
    }
    if (fe->browsing) {
        if (browser_key(fe->browser, fe->m, browser_command(symbol), fe->path, sizeof fe->path))
            browser_done(fe);
        return;
    }
    if (fe->menu_open) {
        menu_key(fe, symbol);
        return;
    }
    if (idx < 0) {
        fe->quit = 1;
        return;
    }
    fe->hwpressed[idx] = fe->options->keymap.keys[idx];
    key_press(fe->hwpressed[idx], fe->m);
}

// The key the map gives now comes up, and the one pressed at the key-down too when a new map
// came meanwhile: nothing stays down for a key no longer held.
void key_up(FrontEnd *fe, SDLKey symbol) {
    int idx = hwkey_index(symbol);
    if (idx < 0) return;
    key_release(fe->options->keymap.keys[idx], fe->m);
    if (fe->hwpressed[idx] != fe->options->keymap.keys[idx]) key_release(fe->hwpressed[idx], fe->m);
    fe->hwdown[idx] = 0;
    fe->hwpressed[idx] = 0;
}

void mouse_down(FrontEnd *fe, int x, int y) {
    int position = fe->browsing ? browser_tap_position(x, y) : -1;
    if (position >= 0) {
        if (browser_tap(fe->browser, fe->m, position, fe->path, sizeof fe->path)) browser_done(fe);
        return;
    }
    if (fe->menu_open && menu_tap_at(fe, x, y)) return;
    if (menu_opens_at(fe, x, y)) {
        menu_show(fe);
        return;
    }
    if (x >= kKeysLeft && x <= kKeysRight && y >= kKeysTop && y <= kKeysBottom) {
        int code = keyboard_hit(x - kKeyboardX, y - kKeyboardY);
        // Paused, a tap with a hardware key held maps that key instead of pressing one.
        int held = fe->paused && !fe->browsing ? held_hardware_key(fe) : -1;
        if (fe->menu_open) {
            if (code >= 0) menu_drawn_key_tapped(fe, code);
        } else if (code >= 0 && held >= 0) {
            map_hardware_key(fe, held, code);
        } else if (code >= 0) {
            fe->holds[code] = kHoldTapped;
            key_press(code, fe->m);
            fe->holdactive = true;
            fe->lasttap = code;
        }
    }
    int action = panel_button_at(x, y);
    if (action >= 0) button_action(fe, action);
    int deck_action = deck_button_at(x, y);
    if (deck_action >= 0) tape_button(fe, deck_action);
}

void mouse_up(FrontEnd *fe) {
    if (fe->lasttap == 0) return;
    if (fe->options->stickyshift &&
        (fe->lasttap == kKeyCapsShift || fe->lasttap == kKeySymbolShift)) {
        fe->pendingshift = fe->lasttap;
    } else {
        fe->holds[fe->lasttap] = kHoldLifted;
        if (fe->pendingshift) {
            fe->holds[fe->pendingshift] = kHoldLifted;
            fe->pendingshift = 0;
        }
    }
    fe->lasttap = 0;
}

// Losing the focus closes the sound device, so that another program may have it.
void focus_change(FrontEnd *fe, int gain) {
    // The menu is open only while PAUSE holds the machine, and it still does.
    run_state_set(fe, gain && !fe->menu_open ? 0 : 1, fe->audio->fast);
    // What another program did to the screen meanwhile is not ours to know.
    screen_drawn_over(&fe->shown);
    if (!gain) sound_close(fe->audio);
}

}  // namespace

void button_action(FrontEnd *fe, int action) {
    Machine *m = fe->m;
    // PAUSE closes the menu as it resumes; the browser takes the picture's place.
    if (action == kActionPause || action == kActionLoad) menu_close(fe);
    switch (action) {
        case kActionReset:
            machine_reset(m);
            tape_autostart_cancel(fe);
            screen_drawn_over(&fe->shown);
            break;
        case kActionSound:
            fe->options->sound = 1 - fe->options->sound;
            redraw_button_digit(m, kActionSound, fe->options->sound);
            if (!fe->options->sound) {
                sound_pause(fe->audio);
            } else if (fe->audio->fast != 0) {
                // Leaving an unpaced mode paces from now: the frames run ahead of the clock
                // would otherwise hold the next frame back until the clock caught up.
                run_state_set(fe, fe->paused, 0);
            } else {
                sound_on(fe);
            }
            break;
        case kActionFast:
            run_state_set(fe, fe->paused, fe->audio->fast == kFastQuarter ? 0 : fe->audio->fast + 1);
            break;
        case kActionQuit: fe->quit = 1; break;
        case kActionPause: run_state_set(fe, 1 - fe->paused, fe->audio->fast); break;
        case kActionLoad:
            // The user goes for another file: the one being read is given up.
            file_open_abandon(fe, true);
            fe->browsing = 1 - fe->browsing;
            run_state_set(fe, fe->browsing, fe->audio->fast);
            // The browser's box covers the picture, which is whole again after it.
            screen_drawn_over(&fe->shown);
            if (fe->browsing) browser_open(fe->browser, m);
            break;
    }
}

void dispatch_event(FrontEnd *fe, const SDL_Event *event) {
    switch (event->type) {
        case SDL_ACTIVEEVENT: focus_change(fe, event->active.gain); break;
        case SDL_KEYDOWN: key_down(fe, event->key.keysym.sym); break;
        case SDL_KEYUP: key_up(fe, event->key.keysym.sym); break;
        case SDL_MOUSEBUTTONDOWN: mouse_down(fe, event->button.x, event->button.y); break;
        case SDL_MOUSEBUTTONUP: mouse_up(fe); break;
        case SDL_QUIT: fe->quit = 1; break;
    }
}

void hold_countdown(FrontEnd *fe) {
    fe->holdactive = false;
    for (int code = 0; code < 256; code++) {
        if (fe->holds[code] == 0) continue;
        if (--fe->holds[code] != 0) {
            fe->holdactive = true;
        } else {
            key_release(code, fe->m);
        }
    }
}
