#include "tape/tape_deck.h"

#include <malloc.h>

#include <cstdio>
#include <cstring>

#include <libspectrum.h>

#include "tape/instant_load.h"
#include "tape/library_errors.h"
#include "tape/rom_loader.h"
#include "tape/tape_edges.h"

namespace {

// A HALT adds 100,000,004 T-states to end its run at once; a count this large means the run
// ended in a HALT and the machine then waited for the frame's end.
constexpr uint32_t kHaltRunMin = 100000000;

// Library calls in one go before the deck gives up on a tape that yields nothing but empty
// edges (a loop of metadata): about a frame's worth of a dense direct recording.
constexpr int kMaxFetches = 1 << 16;

const int kStopFlags =
    LIBSPECTRUM_TAPE_FLAGS_STOP | LIBSPECTRUM_TAPE_FLAGS_STOP48 | LIBSPECTRUM_TAPE_FLAGS_TAPE;

// The tape time a run took: up to its last T-state, or the whole frame after a HALT.
uint32_t run_end(const Machine *m) { return m->tstates >= kHaltRunMin ? m->tslimit : m->tstates; }

// Hands the fetched edge to the run (when it changes the level) and notes where the tape is.
void hand_out(TapeDeck *d, EarSignal *ear) {
    int flags = d->next_flags;
    uint8_t level = edge_level(d->queued_level, flags);
    if (level != d->queued_level) {
        uint32_t t = d->next_time < 0 ? 0 : uint32_t(d->next_time);
        // Two flips at the same T-state cancel out.
        if (ear->count > ear->next && ear->edge[ear->count - 1] == t)
            ear->count--;
        else
            ear->edge[ear->count++] = t;
        d->queued_level = level;
    }
    d->last_time = d->next_time;
    d->has_next = 0;
    // After the tape's last edge the library stands on its first block again.
    if (!(flags & LIBSPECTRUM_TAPE_FLAGS_TAPE)) d->block = d->next_position;
    if (flags & LIBSPECTRUM_TAPE_FLAGS_BLOCK)
        d->place = kAtBlockStart;
    else
        d->place = d->next_state == LIBSPECTRUM_TAPE_STATE_PAUSE ? kInGap : kInBlock;
    if (flags & kStopFlags) {
        d->halting = 1;
        d->halt_time = d->next_time;
        if (flags & LIBSPECTRUM_TAPE_FLAGS_TAPE) d->ending = 1;
    }
}

// Hands out the library's edges up to T-state until of the run.
void pull_edges(TapeDeck *d, EarSignal *ear, int64_t until) {
    for (int n = 0; n < kMaxFetches && !d->halting && ear->count < kEarMaxEdges; n++) {
        if (!d->has_next) edge_fetch(d);
        if (d->next_time > until) break;
        hand_out(d, ear);
    }
}

void start_playing(TapeDeck *d) {
    d->playing = 1;
    d->quiet = 0;
    d->need_quiet = 0;
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
    d->halt_time -= end;
    if (d->has_next) d->next_time -= end;
    if (d->halting && d->halt_time <= 0) {
        d->playing = 0;
        d->halting = 0;
        d->last_time = 0;  // the motor starts again from the next block's beginning
        if (d->ending)
            d->at_end = 1;
        else
            d->need_quiet = 1;
        d->ending = 0;
    }
}

void motor_sense(TapeDeck *d, const EarSignal *ear) {
    bool listening = ear->reads >= kListenReads;
    if (d->playing) {
        d->quiet = listening ? 0 : d->quiet + 1;
        if (d->quiet >= kQuietFrames) d->playing = 0;
    } else if (!listening) {
        d->need_quiet = 0;
    } else if (!d->need_quiet && !d->at_end) {
        start_playing(d);
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
    ear->reads = 0;
    ear->trapped = 0;
    ear->trap_armed = !deck->at_end && rom_loader_intact(m->rom);
    if (!deck->playing) return;
    for (uint32_t i = 0; i < deck->carry_count; i++) ear->edge[ear->count++] = deck->carry[i];
    deck->carry_count = 0;
    pull_edges(deck, ear, int64_t(m->tslimit) + kEarHorizon);
}

void tape_after_frame(TapeDeck *deck, Machine *m) {
    if (!deck->tape) return;
    EarSignal *ear = &m->ear;
    if (deck->playing) advance(deck, ear, run_end(m));
    bool steady = ear->next == 0;  // the level did not change during the run
    if (ear->trapped && !deck->at_end) {
        if (steady && instant_load(deck, m)) return;
        if (!deck->playing) start_playing(deck);
        return;
    }
    motor_sense(deck, ear);
}

bool tape_inserted(const TapeDeck *deck) { return deck->tape != nullptr; }
bool tape_playing(const TapeDeck *deck) { return deck->playing; }
bool tape_at_end(const TapeDeck *deck) { return deck->at_end; }
int tape_block(const TapeDeck *deck) { return deck->at_end ? deck->blocks : deck->block + 1; }
int tape_blocks(const TapeDeck *deck) { return deck->blocks; }
const char *tape_name(const TapeDeck *deck) { return deck->name; }
