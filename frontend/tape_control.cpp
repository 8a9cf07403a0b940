#include "frontend/tape_control.h"

#include <cstdio>

#include "frontend/front_end.h"
#include "frontend/key_map_actions.h"
#include "frontend/pacing.h"
#include "frontend/run_state.h"
#include "frontend/status_line.h"
#include "tape/tape_deck.h"

namespace {

// The front end's one tape deck.
TapeDeck deck;

// A tape's name and a few words around it: the deck's reason for a refusal, or progress.
constexpr size_t kTextSize = kTapeNameSize + 64;

void say_progress(FrontEnd *fe) {
    TapeFront *t = &fe->tape;
    char text[kTextSize];
    if (tape_at_end(&deck)) {
        if (t->end_shown) return;
        t->end_shown = 1;
        std::snprintf(text, sizeof text, "Tape ended: %s", tape_name(&deck));
    } else {
        if (tape_block(&deck) == t->block_shown) return;
        t->block_shown = tape_block(&deck);
        std::snprintf(text, sizeof text, "Block %d/%d %s", tape_block(&deck), tape_blocks(&deck),
                      tape_name(&deck));
    }
    status_say(fe->m, text);
}

}  // namespace

void tape_open_decoded(FrontEnd *fe, const char *name, const uint8_t *tzx, size_t size) {
    char text[kTextSize];
    if (tape_insert(&deck, name, tzx, size, text, sizeof text) != 0) {
        status_say(fe->m, text);
        return;
    }
    // A power-on as at start-up; the screen and the frame and sound counts carry on, so that
    // pacing and sound go on as after loading a snapshot.
    machine_cold_start(fe->m);
    // Nothing from before the tape can be gone back to.
    rewind_clear(fe->ring);
    screen_drawn_over(&fe->shown);
    TapeFront *t = &fe->tape;
    autostart_begin(&t->autostart, fe->m);
    t->block_shown = 0;
    t->end_shown = 0;
    say_progress(fe);
    apply_game_keys(fe, tape_name(&deck));
}

TapeDeck *tape_front_deck() { return &deck; }

void tape_autostart_cancel(FrontEnd *fe) { autostart_cancel(&fe->tape.autostart, fe->m); }

void tape_frame_start(FrontEnd *fe) {
    if (!tape_inserted(&deck)) return;
    autostart_step(&fe->tape.autostart, fe->m);  // does nothing once typed or cancelled
    tape_before_frame(&deck, fe->m);
}

void tape_frame_end(FrontEnd *fe) {
    if (!tape_inserted(&deck)) return;
    tape_after_frame(&deck, fe->m);
    say_progress(fe);
    TapeFront *t = &fe->tape;
    int playing = tape_playing(&deck) ? 1 : 0;
    if (playing == t->playing) return;
    t->playing = playing;
    if (playing) t->fast_before = fe->audio->fast;
    run_state_set(fe, fe->paused, playing ? kFastQuarter : t->fast_before);
}
