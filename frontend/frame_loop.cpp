#include "frontend/frame_loop.h"

#include <SDL/SDL.h>
#include <limits.h>
#include <time.h>

#include <cstdio>
#include <cstring>

#include "display/control_panel.h"
#include "display/screen_update.h"
#include "frontend/continue_game.h"
#include "frontend/event_dispatch.h"
#include "frontend/file_open.h"
#include "frontend/key_map_actions.h"
#include "frontend/menu_actions.h"
#include "frontend/pacing.h"
#include "frontend/panel_status.h"
#include "frontend/run_state.h"
#include "frontend/snapshot_actions.h"
#include "frontend/tape_control.h"
#include "machine/run_frame.h"

namespace {

constexpr int64_t kFrameCountMicros = 2000000;

int64_t micros_between(const timeval *from, const timeval *to) {
    return int64_t(to->tv_sec - from->tv_sec) * 1000000 + (to->tv_usec - from->tv_usec);
}

// A signal cuts the sleep short; the loop then simply passes once more.
void sleep_micros(int32_t micros) {
    if (micros <= 0) return;
    timespec span = {0, long(micros) * 1000};
    nanosleep(&span, nullptr);
}

}  // namespace

void start_panel(FrontEnd *fe) {
    draw_panel(fe->m, kPanelFull);
    std::memset(fe->holds, 0, sizeof fe->holds);
    draw_button_digit(fe->m, kActionSound, fe->options->sound);
    draw_button_digit(fe->m, kActionFast, fe->options->faststart);
    SDL_Flip(fe->m->surface);
}

void start_loop_state(FrontEnd *fe) {
    fe->audio->fast = fe->options->faststart;
    fe->quit = 0;
    fe->audio->opened = 0;
    fe->audio->armed = 0;
    fe->audio->playing = 0;
    fe->paused = 0;
    fe->browsing = 0;
    fe->lasttap = 0;
    fe->pendingshift = 0;
    fe->holdactive = false;
    // Where "tmp.sna" goes when neither the working folder nor $HOME takes it.
    if (!getcwd(fe->startfolder, sizeof fe->startfolder)) fe->startfolder[0] = '\0';
}

void start_snapshot(FrontEnd *fe, int argc, char **argv) {
    start_keys(fe);
    file_open_start(fe);
    continue_start(fe, argc <= 1);
    if (argc > 1) file_open(fe, argv[1]);
}

void start_clock(FrontEnd *fe) {
    gettimeofday(&fe->synctime, nullptr);
    fe->fpstime = fe->synctime;
    fe->fpsbase = fe->m->counter;
}

void start_sound(FrontEnd *fe) {
    if (fe->options->sound && fe->audio->fast == 0) sound_on(fe);
}

void show_frame_count(FrontEnd *fe) { draw_frame_count(fe->m, fe->m->counter - fe->fpsbase); }

int publish_frame(FrontEnd *fe) {
    ScreenBands bands;
    int count = render_frame(fe->m, &fe->shown, &bands);
    if (!count) return 0;
    SDL_Rect rects[kMaxBands];
    for (int k = 0; k < count; k++)
        rects[k] = {kSpecAreaX, Sint16(bands.band[k].y), kSpecAreaWidth,
                    Uint16(bands.band[k].height)};
    SDL_UpdateRects(fe->m->surface, count, rects);
    return count;
}

void run_one_frame(FrontEnd *fe) {
    Machine *m = fe->m;
    if (fe->holdactive) hold_countdown(fe);
    tape_frame_start(fe);
    m->tslimit = kFrameTstates;
    m->tstates = 0;
    run_frame(m);
    tape_frame_end(fe);
    rewind_frame_done(fe);
    bool drew = frame_drawn(m, fe->audio->fast) && publish_frame(fe) > 0;
    doze_note(&fe->doze, drew);
    m->counter += 1;
    // Three ring frames (60 ms) ready before the device plays; once playing it is left alone.
    if (fe->audio->armed && !fe->audio->playing && m->counter - m->scounter > 2)
        sound_resume(fe->audio);
    m->sndread = next_ring_frame(m->sndread);
}

void show_pressed_keys(FrontEnd *fe) {
    SDL_Rect rects[kPressedKeyRects];
    int count = draw_pressed_keys(fe->m, &fe->pressed, rects);
    if (count) SDL_UpdateRects(fe->m->surface, count, rects);
}

int handle_event(FrontEnd *fe) {
    SDL_Event event;
    if (!SDL_PollEvent(&event)) return 0;
    doze_wake(&fe->doze);
    dispatch_event(fe, &event);
    return 1;
}

void loop_pass(FrontEnd *fe) {
    Machine *m = fe->m;
    int32_t idle_micros = 0;  // until the next frame is due
    if (file_open_pending(fe)) {
        timeval now;
        gettimeofday(&now, nullptr);
        file_open_poll(fe, &now);
    }
    if (fe->paused) {
        // A file being read is looked at every frame period, paused or not.
        if (file_open_pending(fe))
            idle_micros = kFrameMicros;
        else
            SDL_WaitEvent(nullptr);
    } else {
        timeval now;
        gettimeofday(&now, nullptr);
        if (micros_between(&fe->fpstime, &now) >= kFrameCountMicros) {
            show_frame_count(fe);
            fe->fpstime = now;
            fe->fpsbase = m->counter;
        }
        // A wake-up runs the frame due and, while the picture stands still, the frames owed
        // within kDozeFrames periods after it; then the loop sleeps until the next is due.
        if (doze_frame_due(&fe->doze, m, fe->audio->fast, &now, &fe->synctime)) {
            run_one_frame(fe);
            gettimeofday(&now, nullptr);  // the wait below starts after the run
        }
        idle_micros = doze_wait_micros(&fe->doze, m, fe->audio->fast, &now, &fe->synctime);
    }
    int event = handle_event(fe);
    // Keys change at events and before frames (held taps let go, the load command typed).
    show_pressed_keys(fe);
    // One look at the events and one sleep until the next frame is due, in the same pass as
    // the frame: paced, a frame costs a single event poll and a single wake-up. An event that
    // arrives meanwhile waits at most one frame period (kDozeFrames while the picture stands
    // still); no pass sleeps while frames run back to back (FAST modes, or the sound consumer
    // about to run dry) or events queue.
    if (!event) sleep_micros(idle_micros);
}

void exit_sequence(FrontEnd *fe) {
    if (fe->exited) return;
    fe->exited = 1;
    file_open_abandon(fe, false);
    Machine *m = fe->m;
    std::printf("counter=%i\n scounter=%i\n sndread=%i\n sndwrite=%i\n", m->counter,
                int(m->scounter), m->sndread, m->sndwrite);
    // Written out before the save: an ending forced from outside (a lost display, under the
    // leak checker) may skip the flush at exit.
    std::fflush(stdout);
    sound_close(fe->audio);
    char where[PATH_MAX];
    save_and_say(fe, where);
    if (where[0]) continue_note(fe, where);
}
