#include "frontend/pacing.h"

#include <bit>

namespace {

// Wall time still owed before the next frame: the frames run since the resync at 20 ms each,
// less the time passed since it. A frame is due once this is negative. Whole seconds and
// microseconds apart, so that no product grows with the run; the products are widened anyway
// because a machine that has fallen far behind makes ahead very negative.
int64_t micros_owed(const Machine *m, const timeval *now, const timeval *synctime) {
    int32_t dsec = int32_t(now->tv_sec - synctime->tv_sec);
    int32_t dusec = int32_t(now->tv_usec - synctime->tv_usec);
    int64_t ahead = int64_t(m->counter - m->synccounter) - int64_t(kFramesPerSecond) * dsec;
    return int64_t(kFrameMicros) * ahead - dusec;
}

// Frames run back to back: unpaced, or the sound consumer at most one frame behind.
bool unpaced(const Machine *m, int32_t fast) { return fast != 0 || m->counter - m->scounter <= 1; }

// The frame periods one wake-up covers.
int32_t doze_frames(const Doze *doze) {
    return std::popcount(doze->recent) <= 1 ? kDozeFrames : 1;
}

}  // namespace

void pacing_resync(Machine *m, timeval *synctime, const timeval *now) {
    *synctime = *now;
    m->synccounter = m->counter;
}

int frame_due(const Machine *m, int32_t fast, const timeval *now, const timeval *synctime,
              int32_t early) {
    return unpaced(m, fast) || micros_owed(m, now, synctime) < int64_t(kFrameMicros) * early;
}

int32_t frame_wait_micros(const Machine *m, int32_t fast, const timeval *now,
                          const timeval *synctime, int32_t longest) {
    if (unpaced(m, fast)) return 0;
    int64_t owed = micros_owed(m, now, synctime);
    // Due strictly after the owed time has passed, hence one microsecond more.
    if (owed < 0) return 0;
    int64_t most = int64_t(kFrameMicros) * longest;
    return int32_t(owed + 1 < most ? owed + 1 : most);
}


int doze_frame_due(Doze *doze, const Machine *m, int32_t fast, const timeval *now,
                   const timeval *synctime) {
    int32_t early = doze->burst ? doze_frames(doze) - 1 : 0;
    if (!frame_due(m, fast, now, synctime, early)) return 0;
    doze->burst = 1;
    return 1;
}

int32_t doze_wait_micros(Doze *doze, const Machine *m, int32_t fast, const timeval *now,
                         const timeval *synctime) {
    int32_t frames = doze_frames(doze);
    if (doze->burst && frame_due(m, fast, now, synctime, frames - 1)) return 0;
    doze->burst = 0;
    return frame_wait_micros(m, fast, now, synctime, frames);
}

int frame_drawn(const Machine *m, int32_t fast) {
    if (m->counter - m->scounter <= 0) return 0;
    return fast != kFastQuarter || m->counter % 4 == 0;
}
