#include "frontend/menu_actions.h"

#include <limits.h>
#include <time.h>

#include <cstdio>
#include <cstring>

#include "display/screen_update.h"
#include "frontend/continue_game.h"
#include "frontend/file_open.h"
#include "frontend/key_map_actions.h"
#include "frontend/run_state.h"
#include "frontend/status_line.h"
#include "frontend/tape_control.h"
#include "menu/menu_draw.h"
#include "snapshot/snapshot_files.h"

namespace {

MenuContext context_of(const FrontEnd *fe) {
    return {fe->game, fe->has_last ? fe->last.game : nullptr, fe->ring, &fe->options->keymap,
            time(nullptr)};
}

RewindSubject subject_of(FrontEnd *fe) {
    return {fe->m, tape_front_deck(), &fe->tape.autostart};
}

void publish_column(Machine *m) {
    if (m->surface) SDL_UpdateRect(m->surface, 0, 0, kMenuWidth, kMenuHeight);
}

void redraw(FrontEnd *fe) {
    menu_draw(fe->m, fe->menu);
    publish_column(fe->m);
}

void resume(FrontEnd *fe) {
    menu_close(fe);
    run_state_set(fe, 0, fe->audio->fast);
}

// Said on the status line, naming the slot and the game it belongs to.
void say_slot(FrontEnd *fe, const char *done, int slot) {
    char text[kGameNameSize + 32];
    std::snprintf(text, sizeof text, "%s slot %d: %s", done, slot, saves_game(fe->game));
    status_say(fe->m, text);
}

bool save_slot(FrontEnd *fe, int slot) {
    int error = slot_save(fe->m, fe->game, slot);
    if (!error) {
        say_slot(fe, "Saved", slot);
        return true;
    }
    char text[128];
    std::snprintf(text, sizeof text, "Couldn't save slot %d: %s", slot, std::strerror(error));
    status_say(fe->m, text);
    return false;
}

// The slot's machine, the game's name and keys kept: the slot is the same game's.
bool load_slot(FrontEnd *fe, int slot) {
    char path[PATH_MAX];
    char message[kSnapshotMessageSize];
    int error = slot_path(fe->game, slot, false, path, sizeof path);
    if (error) {
        std::snprintf(message, sizeof message, "Can't read slot %d: %s", slot,
                      std::strerror(error));
    } else if (load_snapshot(fe->m, path, message, sizeof message) == kLoaded) {
        file_open_abandon(fe, true);  // the user's last choice wins over a file being read
        tape_autostart_cancel(fe);
        rewind_clear(fe->ring);
        say_slot(fe, "Loaded", slot);
        return true;
    }
    status_say(fe->m, message);
    return false;
}

bool go_back(FrontEnd *fe, int seconds) {
    const RewindState *state = rewind_find(fe->ring, seconds);
    RewindSubject subject = subject_of(fe);
    char text[64];
    // The ring may have been cleared under the open menu (a file read meanwhile).
    if (!state || rewind_to(fe->ring, state, &subject) != 0) {
        std::snprintf(text, sizeof text, "Can't go back %d s: %s", seconds,
                      state ? "the tape's place is lost" : "nothing that far back");
        status_say(fe->m, text);
        return false;
    }
    std::snprintf(text, sizeof text, "Back %d s", seconds);
    status_say(fe->m, text);
    return true;
}

void act(FrontEnd *fe, const MenuAction &action) {
    bool done = false;
    switch (action.what) {
        case kMenuStay: break;
        case kMenuResume: done = true; break;
        case kMenuSaveSlot: done = save_slot(fe, action.arg); break;
        case kMenuLoadSlot: done = load_slot(fe, action.arg); break;
        case kMenuGoBack: done = go_back(fe, action.arg); break;
        case kMenuContinue: done = continue_last(fe); break;
        case kMenuGiveKey:
            map_hardware_key(fe, action.arg, action.code);
            menu_keys_changed(fe->menu, &fe->options->keymap);
            break;
        case kMenuBuiltInKeys:
            use_builtin_keys(fe);
            menu_keys_changed(fe->menu, &fe->options->keymap);
            break;
    }
    if (done)
        resume(fe);
    else
        redraw(fe);
}

MenuCommand command_of(SDLKey symbol) {
    switch (symbol) {
        case SDLK_UP: return kMenuUp;
        case SDLK_DOWN: return kMenuDown;
        case SDLK_LEFT: return kMenuLeft;
        case SDLK_RIGHT: return kMenuRight;
        case SDLK_RETURN: return kMenuChoose;
        case SDLK_ESCAPE: return kMenuBack;
        default: return kMenuNone;
    }
}

}  // namespace

bool menu_opens_at(const FrontEnd *fe, int x, int y) {
    return fe->paused && !fe->browsing && !fe->menu_open && x >= kSpecAreaX &&
           x < kSpecAreaX + kSpecAreaWidth && y >= kSpecAreaY && y < kSpecAreaY + kSpecAreaHeight;
}

void menu_show(FrontEnd *fe) {
    MenuContext context = context_of(fe);
    menu_open(fe->menu, &context);
    fe->menu_open = 1;
    screen_drawn_over(&fe->shown);
    redraw(fe);
}

void menu_key(FrontEnd *fe, SDLKey symbol) {
    MenuCommand command = command_of(symbol);
    if (command == kMenuNone) return;
    MenuContext context = context_of(fe);
    act(fe, menu_command(fe->menu, &context, command));
}

bool menu_tap_at(FrontEnd *fe, int x, int y) {
    if (x >= kMenuWidth) return false;
    MenuContext context = context_of(fe);
    act(fe, menu_tap(fe->menu, &context, x, y));
    return true;
}

void menu_drawn_key_tapped(FrontEnd *fe, int code) { act(fe, menu_drawn_key(fe->menu, code)); }

void menu_close(FrontEnd *fe) {
    if (!fe->menu_open) return;
    fe->menu_open = 0;
    Machine *m = fe->m;
    if (!m->surface) return;
    // The menu covered the whole column: black again above and below the picture.
    SDL_Rect above = {0, 0, kMenuWidth, kSpecAreaY};
    SDL_Rect below = {0, kSpecAreaY + kSpecAreaHeight, kMenuWidth,
                      kMenuHeight - kSpecAreaY - kSpecAreaHeight};
    SDL_FillRect(m->surface, &above, 0);
    SDL_FillRect(m->surface, &below, 0);
    ScreenBands bands;
    render_frame(m, &fe->shown, &bands);
    publish_column(m);
}

void rewind_frame_done(FrontEnd *fe) {
    RewindSubject subject = subject_of(fe);
    rewind_after_frame(fe->ring, &subject);
}
