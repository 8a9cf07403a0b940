#include "frontend/tape_control.h"

#include <SDL/SDL.h>

#include <cstdio>

#include "display/control_panel.h"
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
        t->block_shown = 0;  // a block after the end (the user's REW) is said again
        std::snprintf(text, sizeof text, "Tape ended: %s", tape_name(&deck));
    } else {
        t->end_shown = 0;
        if (tape_block(&deck) == t->block_shown) return;
        t->block_shown = tape_block(&deck);
        std::snprintf(text, sizeof text, "Block %d/%d %s", tape_block(&deck), tape_blocks(&deck),
                      tape_name(&deck));
    }
    status_say(fe->m, text);
}

// The emulation runs unpaced while the tape plays, in the FAST mode it had before otherwise.
void follow_playback(FrontEnd *fe) {
    TapeFront *t = &fe->tape;
    int playing = tape_playing(&deck) ? 1 : 0;
    if (playing == t->playing) return;
    t->playing = playing;
    if (playing) t->fast_before = fe->audio->fast;
    run_state_set(fe, fe->paused, playing ? kFastQuarter : t->fast_before);
}

// The deck's buttons as the deck stands, redrawn when that changes.
void show_deck(FrontEnd *fe) {
    DeckFace face = !tape_inserted(&deck) ? kDeckBlack
                    : tape_engaged(&deck) ? kDeckShowsStop
                                          : kDeckShowsPlay;
    if (face == fe->tape.face || !fe->m->surface) return;
    fe->tape.face = face;
    draw_deck(fe->m, face != kDeckBlack, face == kDeckShowsStop);
    SDL_UpdateRect(fe->m->surface, kDeckAreaX, kDeckAreaY, kDeckAreaWidth, kDeckAreaHeight);
}

void eject(FrontEnd *fe) {
    char text[kTextSize];
    std::snprintf(text, sizeof text, "Tape ejected: %s", tape_name(&deck));
    tape_autostart_cancel(fe);
    tape_eject(&deck, fe->m);
    // The states the ring holds played this tape, which is gone.
    rewind_clear(fe->ring);
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
    show_deck(fe);
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
    follow_playback(fe);
    show_deck(fe);
}

void tape_button(FrontEnd *fe, int action) {
    if (!tape_inserted(&deck)) return;
    switch (action) {
        case kDeckRewind: tape_rewind(&deck); break;
        case kDeckPlay:
            if (tape_engaged(&deck))
                tape_stop(&deck);
            else
                tape_play(&deck);
            break;
        case kDeckForward: tape_forward(&deck); break;
        case kDeckEject: eject(fe); break;
    }
    if (tape_inserted(&deck)) say_progress(fe);
    follow_playback(fe);
    show_deck(fe);
}
