#include "frontend/run_state.h"

#include <sys/time.h>

#include "display/control_panel.h"
#include "frontend/pacing.h"
#include "frontend/panel_status.h"

void run_state_set(FrontEnd *fe, int paused, int fast) {
    bool fast_changed = fast != fe->audio->fast;
    if (fast_changed) {
        fe->audio->fast = fast;
        redraw_button_digit(fe->m, kActionFast, fast);
    }
    fe->paused = paused;
    if (fast_changed ? fast != 0 : paused != 0) {
        sound_pause(fe->audio);
        return;
    }
    timeval now;
    gettimeofday(&now, nullptr);
    pacing_resync(fe->m, &fe->synctime, &now);
    if (fe->options->sound) sound_open(fe->audio, fe->m);
}
