// Common reporting: items are frames (or renders), and x_realtime is that rate over the
// Spectrum's 50 frames a second.
#pragma once

#include <benchmark/benchmark.h>

inline void report_frames(benchmark::State &state) {
    state.SetItemsProcessed(state.iterations());
    state.counters["x_realtime"] =
        benchmark::Counter(double(state.iterations()) / 50.0, benchmark::Counter::kIsRate);
}
