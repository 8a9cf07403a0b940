#include "saves/rewind_ring.h"

#include "tape/tape_position.h"

namespace {

int slot_of(const RewindRing *ring, int k) { return (ring->oldest + k) % kRewindStates; }

const RewindState *newest(const RewindRing *ring) {
    return ring->count ? &ring->states[slot_of(ring, ring->count - 1)] : nullptr;
}

}  // namespace

void rewind_clear(RewindRing *ring) {
    ring->oldest = 0;
    ring->count = 0;
}

void rewind_after_frame(RewindRing *ring, const RewindSubject *subject) {
    ring->frames++;
    const RewindState *last = newest(ring);
    if (last && ring->frames - last->frame < kRewindPeriod) return;
    if (ring->count == kRewindStates) {
        ring->oldest = slot_of(ring, 1);
        ring->count--;
    }
    RewindState *state = &ring->states[slot_of(ring, ring->count)];
    ring->count++;
    state->frame = ring->frames;
    machine_state_take(subject->m, &state->machine);
    state->deck = *subject->deck;
    state->autostart = *subject->autostart;
}

const RewindState *rewind_find(const RewindRing *ring, int seconds) {
    int64_t latest = ring->frames - int64_t(seconds) * kRewindPeriod;
    for (int k = ring->count - 1; k >= 0; k--) {
        const RewindState *state = &ring->states[slot_of(ring, k)];
        if (state->frame <= latest) return state;
    }
    return nullptr;
}

int rewind_to(RewindRing *ring, const RewindState *state, const RewindSubject *subject) {
    if (tape_put_back(subject->deck, &state->deck) != 0) return -1;
    machine_state_put(&state->machine, subject->m);
    autostart_put_back(subject->autostart, &state->autostart, subject->m);
    ring->frames = state->frame;
    int k = int(state - ring->states);
    ring->count = (k - ring->oldest + kRewindStates) % kRewindStates + 1;
    return 0;
}
