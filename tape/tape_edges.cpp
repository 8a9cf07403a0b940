#include "tape/tape_edges.h"

namespace {

void anchor(TapeTrack *track, int block) {
    track->block = block;
    track->edges = 0;
    track->pass_count = 0;
    track->lost = 0;
}

int library_edge(libspectrum_tape *tape, libspectrum_dword *delay) {
    int flags = 0;
    *delay = 0;
    if (libspectrum_tape_get_next_edge(delay, &flags, tape) != LIBSPECTRUM_ERROR_NONE)
        return LIBSPECTRUM_TAPE_FLAGS_BLOCK | LIBSPECTRUM_TAPE_FLAGS_STOP |
               LIBSPECTRUM_TAPE_FLAGS_TAPE;
    const int forced = LIBSPECTRUM_TAPE_FLAGS_LEVEL_LOW | LIBSPECTRUM_TAPE_FLAGS_LEVEL_HIGH;
    if (*delay == 0 && !(flags & forced)) flags |= LIBSPECTRUM_TAPE_FLAGS_NO_EDGE;
    return flags;
}

}  // namespace

int edge_take(TapeDeck *deck, libspectrum_dword *delay) {
    int flags = library_edge(deck->tape, delay);
    deck->track.edges++;
    // After a block's last edge the library stands at the next block's start as if sent
    // there, unless a loop or a jump keeps a count of its own.
    if ((flags & LIBSPECTRUM_TAPE_FLAGS_BLOCK) && !deck->loops) {
        int position = 0;
        libspectrum_tape_position(&position, deck->tape);
        anchor(&deck->track, position);
    }
    return flags;
}

void edge_seek(TapeDeck *deck, int block) {
    libspectrum_tape_nth_block(deck->tape, block);
    anchor(&deck->track, block);
}

bool edge_pass_data(TapeDeck *deck) {
    if (libspectrum_tape_set_state(deck->tape, LIBSPECTRUM_TAPE_STATE_PAUSE) !=
        LIBSPECTRUM_ERROR_NONE)
        return false;
    TapeTrack *track = &deck->track;
    if (track->pass_count < kTrackPasses)
        track->passes[track->pass_count++] = track->edges;
    else
        track->lost = 1;
    return true;
}

uint8_t edge_level(uint8_t level, int flags) {
    if (flags & LIBSPECTRUM_TAPE_FLAGS_LEVEL_LOW) return 0;
    if (flags & LIBSPECTRUM_TAPE_FLAGS_LEVEL_HIGH) return 1;
    if (flags & LIBSPECTRUM_TAPE_FLAGS_NO_EDGE) return level;
    return uint8_t(level ^ 1);
}

int edge_block_state(libspectrum_tape *tape, int flags) {
    // After a block's last edge the library already stands on the next block.
    if (flags & LIBSPECTRUM_TAPE_FLAGS_BLOCK) return 0;
    libspectrum_tape_block *block = libspectrum_tape_current_block(tape);
    if (!block) return 0;
    switch (libspectrum_tape_block_type(block)) {
    case LIBSPECTRUM_TAPE_BLOCK_ROM:
    case LIBSPECTRUM_TAPE_BLOCK_TURBO:
    case LIBSPECTRUM_TAPE_BLOCK_PURE_DATA:
    case LIBSPECTRUM_TAPE_BLOCK_RAW_DATA:
        return libspectrum_tape_state(tape);
    default:
        return 0;
    }
}

void edge_fetch(TapeDeck *deck) {
    libspectrum_dword delay = 0;
    int flags = edge_take(deck, &delay);
    int position = 0;
    libspectrum_tape_position(&position, deck->tape);
    deck->next.time = deck->last_time + delay;
    deck->next.flags = flags;
    deck->next.state = edge_block_state(deck->tape, flags);
    deck->next.position = position;
    deck->has_next = true;
}

void tape_park(TapeDeck *deck, int block, TapePlace place, bool ended, uint8_t level) {
    deck->block = block;
    deck->place = place;
    deck->motor = ended ? kMotorEnded : kMotorStopped;
    deck->stop = kStopNone;
    deck->quiet = 0;
    deck->has_next = false;
    deck->carry_count = 0;
    deck->last_time = 0;
    deck->level = level;
    deck->queued_level = level;
}
