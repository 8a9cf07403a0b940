#include "frontend/run_state.h"

#include <SDL/SDL.h>
#include <sys/time.h>

#include <cstdio>

#include "display/control_panel.h"
#include "frontend/pacing.h"
#include "frontend/panel_status.h"
#include "frontend/status_line.h"

void run_state_set(FrontEnd *fe, int paused, int fast) {
    bool fast_changed = fast != fe->audio->fast;
    if (fast_changed) {
        fe->audio->fast = fast;
        redraw_button_digit(fe->m, kActionFast, fast);
    }
    // The line says the machine is paused for as long as it is; the browser's box says so
    // by itself.
    if (paused && !fe->browsing)
        status_hint(fe->m, kPausedHint);
    else
        status_restore(fe->m);
    fe->paused = paused;
    if (fast_changed ? fast != 0 : paused != 0) {
        sound_pause(fe->audio);
        return;
    }
    timeval now;
    gettimeofday(&now, nullptr);
    pacing_resync(fe->m, &fe->synctime, &now);
    if (fe->options->sound) sound_on(fe);
}

void sound_on(FrontEnd *fe) {
    if (sound_open(fe->audio, fe->m) == 0) return;
    // The reason went to standard error with these words already.
    char text[256];
    std::snprintf(text, sizeof text, "Couldn't open audio: %s", SDL_GetError());
    status_show(fe->m, text);
}
