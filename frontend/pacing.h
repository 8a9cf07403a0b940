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
// resync (synctime, synccounter) have passed, less early frame periods: a frame may run up to
// early periods before its time.
int frame_due(const Machine *m, int32_t fast, const timeval *now, const timeval *synctime,
              int32_t early = 0);

// Microseconds from now until frame_due (early 0) turns true, 0 when it already is, at most
// longest frame periods, so that a sleep never outlasts the time the loop means to sleep.
int32_t frame_wait_micros(const Machine *m, int32_t fast, const timeval *now,
                          const timeval *synctime, int32_t longest = 1);

// Frames run in one wake-up while the picture stands still: the paced loop then wakes once
// every kDozeFrames frame periods and runs the frames owed back to back, instead of waking
// for every frame. Nothing moves, so nothing shows the difference; what a still picture
// costs the battery is mostly the wake-ups. Keys pressed meanwhile reach the program up to
// kDozeFrames - 1 frames later.
constexpr int32_t kDozeFrames = 4;

// The paced loop's recent activity, one bit a frame, newest lowest: the frame drew on the
// Spectrum picture, or an event came before it. Starts busy.
struct Doze {
    uint8_t recent = 0xFF;
    uint8_t burst;  // running the frames of one wake-up
};

// Whether the paced loop runs a frame in this pass: the frame due, or, within a wake-up, the
// next one owed within its periods. A wake-up covers kDozeFrames periods while at most one
// of the last eight frames was busy (a cursor or a FLASH turn draws once in a while), one
// otherwise. Running a frame starts or continues the wake-up.
int doze_frame_due(Doze *doze, const Machine *m, int32_t fast, const timeval *now,
                   const timeval *synctime);

// After the pass's frame, if any: 0 while the wake-up runs on, otherwise how long to sleep
// (as frame_wait_micros, up to the periods a wake-up covers); a sleep ends the wake-up.
int32_t doze_wait_micros(Doze *doze, const Machine *m, int32_t fast, const timeval *now,
                         const timeval *synctime);

// The activity of the frame just run (busy: it drew, or an event came).
inline void doze_note(Doze *doze, bool busy) {
    doze->recent = uint8_t(doze->recent << 1 | (busy ? 1 : 0));
}

// An event: the next frames run one per wake-up, so that the program answers at once.
inline void doze_wake(Doze *doze) { doze->recent = 0xFF; }

// Whether the frame just run (counter not yet advanced) is drawn: only while it leads the
// sound consumer, and in mode 2 only every fourth frame.
int frame_drawn(const Machine *m, int32_t fast);

// The next ring frame after sndread.
inline int32_t next_ring_frame(int32_t sndread) {
    return sndread + 1 == kRingFrames ? 0 : sndread + 1;
}
