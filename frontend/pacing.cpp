#include "frontend/pacing.h"

int frame_due(const Machine *m, int32_t fast, const timeval *now, const timeval *synctime) {
    if (fast != 0) return 1;
    if (m->counter - m->scounter <= 1) return 1;
    // Whole seconds and microseconds apart, so that no product grows with the run; the
    // products are widened anyway because a machine that has fallen far behind makes
    // ahead very negative.
    int32_t dsec = int32_t(now->tv_sec - synctime->tv_sec);
    int32_t dusec = int32_t(now->tv_usec - synctime->tv_usec);
    int64_t ahead = int64_t(m->counter - m->synccounter) - int64_t(kFramesPerSecond) * dsec;
    return int64_t(dusec) > int64_t(kFrameMicros) * ahead;
}

int frame_drawn(const Machine *m, int32_t fast) {
    if (m->counter - m->scounter <= 0) return 0;
    return fast != kFastQuarter || m->counter % 4 == 0;
}
