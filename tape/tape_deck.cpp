#include "tape/tape_deck.h"

#include <malloc.h>

#include <bit>
#include <cstdio>
#include <cstring>

#include <libspectrum.h>

#include "machine/run_frame.h"
#include "tape/instant_load.h"
#include "tape/library_errors.h"
#include "tape/rom_loader.h"
#include "tape/tape_edges.h"

namespace {

// Library calls in one go before the deck gives up on a tape that yields nothing but empty
// edges (a loop of metadata): about a frame's worth of a dense direct recording.
constexpr int kMaxFetches = 1 << 16;

const int kStopFlags =
    LIBSPECTRUM_TAPE_FLAGS_STOP | LIBSPECTRUM_TAPE_FLAGS_STOP48 | LIBSPECTRUM_TAPE_FLAGS_TAPE;

// Hands the fetched edge to the run (when it changes the level) and notes where the tape is.
void hand_out(TapeDeck *d, EarSignal *ear) {
    int flags = d->next.flags;
    uint8_t level = edge_level(d->queued_level, flags);
    if (level != d->queued_level) {
        uint32_t t = d->next.time < 0 ? 0 : uint32_t(d->next.time);
        // A level forced back at the T-state of a change: the change never shows.
        if (ear->count > ear->next && ear->edge[ear->count - 1] == t)
            ear->count--;
        else
            ear->edge[ear->count++] = t;
        d->queued_level = level;
    }
    d->last_time = d->next.time;
    d->has_next = false;
    // After the tape's last edge the library stands on its first block again.
    if (!(flags & LIBSPECTRUM_TAPE_FLAGS_TAPE)) d->block = d->next.position;
    if (flags & LIBSPECTRUM_TAPE_FLAGS_BLOCK)
        d->place = kAtBlockStart;
    else
        d->place = d->next.state == LIBSPECTRUM_TAPE_STATE_PAUSE ? kInGap : kInBlock;
    if (flags & kStopFlags) {
        d->stop = (flags & LIBSPECTRUM_TAPE_FLAGS_TAPE) ? kStopEnd : kStopBlock;
        d->stop_time = d->next.time;
    }
}

// Hands out the library's edges up to T-state until of the run.
void pull_edges(TapeDeck *d, EarSignal *ear, int64_t until) {
    for (int n = 0; n < kMaxFetches && d->stop == kStopNone && ear->count < kEarMaxEdges; n++) {
        if (!d->has_next) edge_fetch(d);
        if (d->next.time > until) break;
        hand_out(d, ear);
    }
}

void start_playing(TapeDeck *d) {
    d->motor = kMotorPlaying;
    d->quiet = 0;
}

// After the run: the edges it did not reach by its end are passed or carried into the next
// run, and the tape's clock moves on by the run's length.
void advance(TapeDeck *d, EarSignal *ear, uint32_t end) {
    pull_edges(d, ear, end);  // due edges beyond the horizon, after a run that went past it
    while (ear->next < ear->count && ear->edge[ear->next] <= end) {
        ear->level ^= 1;
        ear->next++;
    }
    d->carry_count = 0;
    // Ascending and distinct, and none beyond the budget plus the horizon: they fit.
    for (uint32_t i = ear->next; i < ear->count && d->carry_count < kEarHorizon; i++)
        d->carry[d->carry_count++] = ear->edge[i] - end;
    d->level = ear->level;
    d->last_time -= end;
    d->stop_time -= end;
    if (d->has_next) d->next.time -= end;
    if (d->stop != kStopNone && d->stop_time <= 0) {
        d->motor = d->stop == kStopEnd ? kMotorEnded : kMotorHeld;
        d->stop = kStopNone;
        d->last_time = 0;  // the motor starts again from the next block's beginning
    }
}

// The program read port 0xFE in at least three of every four stretches of the run: a loader
// timing pulses, which can leave no stretch unread without missing edges (a pilot pulse is
// 2168 T-states), and not a keyboard scan. A run that ended in a HALT counts to the frame's
// end: the program no longer read.
bool listening(const EarSignal *ear, uint32_t length) {
    uint32_t stretches = (length + kEarStretch - 1) / kEarStretch;
    return uint32_t(std::popcount(ear->heard)) * 4 >= stretches * 3;
}

void motor_sense(TapeDeck *d, const EarSignal *ear, uint32_t length) {
    bool heard = listening(ear, length);
    switch (d->motor) {
        case kMotorPlaying:
            d->quiet = heard ? 0 : d->quiet + 1;
            if (d->quiet >= kQuietFrames) d->motor = kMotorStopped;
            break;
        case kMotorHeld:
            if (!heard) d->motor = kMotorStopped;
            break;
        case kMotorStopped:
            if (heard) start_playing(d);
            break;
        case kMotorPaused:
        case kMotorEnded: break;
    }
}

// A block after which the library's place is more than the block it stands on: a loop's
// count, or a jump's target.
bool moves_back(libspectrum_tape_block *b) {
    switch (libspectrum_tape_block_type(b)) {
        case LIBSPECTRUM_TAPE_BLOCK_JUMP:
        case LIBSPECTRUM_TAPE_BLOCK_LOOP_START:
        case LIBSPECTRUM_TAPE_BLOCK_LOOP_END: return true;
        default: return false;
    }
}

// The deck to the start of block k, or the tape's end from the last block on, keeping the
// level; nothing handed out beyond this frame boundary plays. It stands there, paused if the
// user's STOP held it, otherwise until the program asks (an instant load included).
void seek(TapeDeck *d, int k) {
    bool paused = d->motor == kMotorPaused;
    bool ended = k >= d->blocks;
    if (!ended) edge_seek(d, k);
    tape_park(d, ended ? d->blocks - 1 : k, kAtBlockStart, ended, d->level);
    if (!ended && paused) d->motor = kMotorPaused;
}

}  // namespace

int tape_insert(TapeDeck *deck, const char *name, const uint8_t *tzx, size_t size, char *text,
                size_t textsize) {
    library_start();
    library_clear_error();
    libspectrum_tape *tape = libspectrum_tape_alloc();
    // Read as the TZX it is: the library guesses nothing and unpacks nothing.
    if (libspectrum_tape_read(tape, tzx, size, LIBSPECTRUM_ID_TAPE_TZX, name) !=
            LIBSPECTRUM_ERROR_NONE ||
        !libspectrum_tape_present(tape)) {
        libspectrum_tape_free(tape);
        std::snprintf(text, textsize, "Can't read %s: %s", name,
                      library_reason()[0] ? library_reason() : "no tape in it");
        return -1;
    }
    int blocks = 0;
    bool loops = false;
    libspectrum_tape_iterator it;
    for (auto *b = libspectrum_tape_iterator_init(&it, tape); b;
         b = libspectrum_tape_iterator_next(&it)) {
        blocks++;
        loops = loops || moves_back(b);
    }
    if (deck->tape) {
        libspectrum_tape_free(deck->tape);
        // The old tape's blocks lie amid the heap, below the new one's, where freeing them
        // gives nothing back: a tape inserted again would then hold twice its memory.
        malloc_trim(0);
    }
    std::memset(deck, 0, sizeof *deck);
    deck->tape = tape;
    deck->blocks = blocks;
    deck->loops = loops;
    std::snprintf(deck->name, sizeof deck->name, "%s", name);
    return 0;
}

void tape_eject(TapeDeck *deck, Machine *m) {
    if (deck->tape) libspectrum_tape_free(deck->tape);
    std::memset(deck, 0, sizeof *deck);
    m->ear.active = 0;
    m->ear.trap_armed = 0;
    m->ear.trapped = 0;
    m->ear.count = 0;
    m->ear.next = 0;
}

void tape_before_frame(TapeDeck *deck, Machine *m) {
    EarSignal *ear = &m->ear;
    if (!deck->tape) {
        ear->active = 0;
        ear->trap_armed = 0;
        return;
    }
    ear->active = 1;
    ear->level = deck->level;
    ear->next = 0;
    ear->count = 0;
    ear->heard = 0;
    ear->trapped = 0;
    ear->trap_armed =
        deck->motor != kMotorEnded && deck->motor != kMotorPaused && rom_loader_intact(m->rom);
    if (deck->motor != kMotorPlaying) return;
    for (uint32_t i = 0; i < deck->carry_count; i++) ear->edge[ear->count++] = deck->carry[i];
    deck->carry_count = 0;
    pull_edges(deck, ear, int64_t(m->tslimit) + kEarHorizon);
}

void tape_after_frame(TapeDeck *deck, Machine *m) {
    if (!deck->tape) return;
    EarSignal *ear = &m->ear;
    uint32_t length = run_length(m);
    if (deck->motor == kMotorPlaying) advance(deck, ear, length);
    bool steady = ear->next == 0;  // the level did not change during the run
    if (ear->trapped && deck->motor != kMotorEnded) {
        if (steady && instant_load(deck, m)) return;
        if (deck->motor != kMotorPlaying) start_playing(deck);
        return;
    }
    // The ROM loader went in before a stop block stopped the tape, and waits on: on a 48K
    // Spectrum its user would now press PLAY.
    if (deck->motor == kMotorHeld && ear->trap_armed && rom_loader_waiting(m)) {
        start_playing(deck);
        return;
    }
    motor_sense(deck, ear, length);
}

void tape_play(TapeDeck *deck) {
    if (deck->tape && deck->motor != kMotorEnded) start_playing(deck);
}

void tape_stop(TapeDeck *deck) {
    if (deck->tape && deck->motor != kMotorEnded) deck->motor = kMotorPaused;
}

void tape_rewind(TapeDeck *deck) {
    if (!deck->tape) return;
    bool at_start = tape_at_end(deck) || deck->place == kAtBlockStart;
    int current = tape_at_end(deck) ? deck->blocks : deck->block;
    seek(deck, at_start && current > 0 ? current - 1 : current);
}

void tape_forward(TapeDeck *deck) {
    if (deck->tape && !tape_at_end(deck)) seek(deck, deck->block + 1);
}

bool tape_inserted(const TapeDeck *deck) { return deck->tape != nullptr; }
bool tape_playing(const TapeDeck *deck) { return deck->motor == kMotorPlaying; }
bool tape_engaged(const TapeDeck *deck) {
    return deck->tape && (deck->motor == kMotorPlaying || deck->motor == kMotorStopped);
}
bool tape_at_end(const TapeDeck *deck) { return deck->motor == kMotorEnded; }
int tape_block(const TapeDeck *deck) { return tape_at_end(deck) ? deck->blocks : deck->block + 1; }
int tape_blocks(const TapeDeck *deck) { return deck->blocks; }
const char *tape_name(const TapeDeck *deck) { return deck->name; }
