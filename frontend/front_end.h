// The front end's state for the whole run: the records the entry function owns and the
// loop variables that start-up, the frame loop and the event handling share.
#pragma once

#include <limits.h>
#include <sys/time.h>

#include <cstdint>

#include "display/pressed_keys.h"
#include "display/screen_update.h"
#include "frontend/file_browser.h"
#include "frontend/file_open.h"
#include "frontend/pacing.h"
#include "frontend/tape_control.h"
#include "input/options.h"
#include "keymaps/game_keys.h"
#include "machine/machine.h"
#include "menu/pause_menu.h"
#include "saves/last_game.h"
#include "saves/rewind_ring.h"
#include "sound/audio.h"

struct FrontEnd {
    Machine *m;
    Options *options;
    AudioState *audio;
    FileBrowser *browser;
    int quit;            // ends the loop after the current pass
    int paused;          // no frames: each pass waits for an event
    int browsing;        // the snapshot browser is open
    int lasttap;         // key code of the on-screen key tapped last, 0 = none
    int pendingshift;    // latched shift key code, 0 = none
    uint8_t holds[256];  // hold counters of tapped keys, by key code
    bool holdactive;     // some hold counter may be non-zero
    timeval synctime;    // wall-clock time of the last pacing resync (synccounter in m)
    timeval fpstime;     // wall-clock time of the last frame-count display
    int32_t fpsbase;     // counter at the last frame-count display
    char path[256];      // the file the browser chose, "" for none
    int exited;          // the exit sequence has begun: it runs once, however the program ends
    // The working folder at start, "" when unknown: where "tmp.sna" goes at the last.
    char startfolder[PATH_MAX];
    TapeFront tape;      // the inserted tape's autostart and progress
    FileOpen open;       // the file being decoded, if any
    // The game now running: the base name of the snapshot loaded or the tape inserted last,
    // without its extension; "" while none is. It names the game's keys file.
    char game[kGameNameSize];
    MapInForce keys;  // what the key map in force is called
    // The hardware keys held down: the key code each pressed at its key-down, and the count
    // of key-downs at that moment (0 while up), so that the one held last is known.
    uint8_t hwpressed[kHardwareKeys];
    uint32_t hwdown[kHardwareKeys];
    uint32_t hwdowns;
    PressedKeys pressed;  // the keys the drawn keyboard shows down
    ShownScreen shown;    // the picture on screen, for drawing only what changes
    RewindRing *ring;     // the last minute, a state a second
    PauseMenu *menu;
    int menu_open;        // the pause menu covers the picture
    int has_last;         // last holds the game played last, which Continue offers
    LastGame last;
    Doze doze;            // whether the paced loop wakes for every frame or for a few
};
