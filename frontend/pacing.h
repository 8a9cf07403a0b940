// The 50 Hz pacing rule and the per-frame decisions of the frame loop, free of SDL and
// of the clock so that they can be checked on their own.
#pragma once

#include <sys/time.h>

#include <cstdint>

#include "machine/machine.h"

constexpr int32_t kFrameMicros = 20000;
constexpr int32_t kFramesPerSecond = 50;
// The last FAST mode: unpaced, one frame in four drawn (modes 0 and 1 pace and draw every
// frame, or draw every frame unpaced).
constexpr int32_t kFastQuarter = 2;

// The pacing restarts at now (the caller reads the clock): no catch-up for time spent
// stopped.
void pacing_resync(Machine *m, timeval *synctime, const timeval *now);

// Whether a frame runs in this pass: always in FAST modes 1 and 2 and while the sound
// consumer is at most one frame behind; otherwise once more than 20 ms per frame since the
// resync (synctime, synccounter) have passed.
int frame_due(const Machine *m, int32_t fast, const timeval *now, const timeval *synctime);

// Microseconds from now until frame_due turns true, 0 when it already is, at most one frame
// (kFrameMicros) so that a sleep never outlasts a frame period.
int32_t frame_wait_micros(const Machine *m, int32_t fast, const timeval *now,
                          const timeval *synctime);

// Whether the frame just run (counter not yet advanced) is drawn: only while it leads the
// sound consumer, and in mode 2 only every fourth frame.
int frame_drawn(const Machine *m, int32_t fast);

// The next ring frame after sndread.
inline int32_t next_ring_frame(int32_t sndread) {
    return sndread + 1 == kRingFrames ? 0 : sndread + 1;
}
