// The front end's state for the whole run: the records the entry function owns and the
// loop variables that start-up, the frame loop and the event handling share.
#pragma once

#include <limits.h>
#include <sys/time.h>

#include <cstdint>

#include "display/screen_update.h"
#include "frontend/tape_control.h"
#include "input/options.h"
#include "machine/machine.h"
#include "sound/audio.h"

struct FrontEnd {
    Machine *m;
    Options *options;
    AudioState *audio;
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
    ShownScreen shown;   // the picture on screen, for drawing only what changes
};
