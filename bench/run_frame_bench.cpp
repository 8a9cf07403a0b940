// Whole frames of the Z80 core: a fixed instruction mix in RAM, and the ROM from power-on.
#include <benchmark/benchmark.h>

#include "bench/bench_counters.h"
#include "bench/workloads.h"
#include "machine/machine.h"

namespace {

// Static like the program's own: the ring makes the record too big for the stack.
uint8_t image[kMemorySize];
Machine machine;

void BM_run_frame_mix(benchmark::State &state) {
    Machine *m = &machine;
    if (!workload_mix_start(m, image)) {
        state.SkipWithError("the instruction mix left its loop");
        return;
    }
    for (auto _ : state) workload_frame(m);
    report_frames(state);
}
BENCHMARK(BM_run_frame_mix);

// The first kRomFrames frames after power-on, over and over.
void BM_run_frame_rom(benchmark::State &state) {
    Machine *m = &machine;
    if (!workload_rom_load(image)) {
        state.SkipWithError("no ROM image at " TAVISK_DEFAULT_ROM);
        return;
    }
    machine_power_on(m, image);
    for (auto _ : state) {
        workload_frame(m);
        if (m->counter == kRomFrames) {
            state.PauseTiming();
            machine_power_on(m, image);
            state.ResumeTiming();
        }
    }
    report_frames(state);
}
BENCHMARK(BM_run_frame_rom);

}  // namespace
