// The rewind ring: the machine as it was once a second of emulated time for the last minute,
// kept in memory, so that the user can go back after a mistake. Taken between frames; the
// ring is one record allocated once for the whole run.
#pragma once

#include <cstdint>

#include "saves/machine_state.h"
#include "tape/autostart.h"
#include "tape/tape_deck.h"

constexpr int kRewindPeriod = 50;  // frames between two states: a second of emulated time
// The newest state and the sixty seconds before it: going back a minute is always possible
// once a minute has run.
constexpr int kRewindStates = 61;
// How far back the user may go, in seconds.
constexpr int kRewindChoices = 4;
constexpr int kRewindSeconds[kRewindChoices] = {5, 15, 30, 60};

// Everything that goes back: the machine, the tape's position and the typing of its load
// command.
struct RewindState {
    int64_t frame;  // the ring's frame count when it was taken
    MachineState machine;
    TapeDeck deck;
    Autostart autostart;
};

struct RewindRing {
    RewindState states[kRewindStates];
    int oldest;      // index of the oldest state
    int count;       // states held
    int64_t frames;  // frames run since the start
};

// What the ring takes its states from and puts them back into.
struct RewindSubject {
    Machine *m;
    TapeDeck *deck;
    Autostart *autostart;
};

// Forgets every state: nothing before now can be gone back to (a tape inserted, a machine
// loaded). The frame count goes on.
void rewind_clear(RewindRing *ring);

// After each frame: counts it, and takes a state when the newest is a period old or there is
// none.
void rewind_after_frame(RewindRing *ring, const RewindSubject *subject);

// The newest state at least seconds of emulated time old, or nullptr when the ring does not
// reach that far back.
const RewindState *rewind_find(const RewindRing *ring, int seconds);

// Puts state (one of the ring's) back into the subject; the states newer than it are
// dropped and the frame count goes back to its own. Returns 0, or -1 when the tape cannot
// be put back where it stood (then nothing changes).
int rewind_to(RewindRing *ring, const RewindState *state, const RewindSubject *subject);
