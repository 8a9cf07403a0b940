#include "tape/tape_position.h"

#include <libspectrum.h>

int tape_put_back(TapeDeck *deck, const TapeDeck *taken) {
    if (taken->tape != deck->tape || taken->track.lost) return -1;
    if (deck->tape) {
        // The library's place is what its calls since the anchor made it: made again.
        const TapeTrack &track = taken->track;
        libspectrum_tape_nth_block(deck->tape, track.block);
        libspectrum_dword delay = 0;
        int flags = 0;
        uint32_t edges = 0;
        for (uint32_t k = 0; k <= track.pass_count; k++) {
            uint32_t until = k < track.pass_count ? track.passes[k] : track.edges;
            for (; edges < until; edges++) libspectrum_tape_get_next_edge(&delay, &flags, deck->tape);
            if (k < track.pass_count)
                libspectrum_tape_set_state(deck->tape, LIBSPECTRUM_TAPE_STATE_PAUSE);
        }
    }
    *deck = *taken;
    return 0;
}
