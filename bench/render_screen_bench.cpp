// The Spectrum screen drawn into the 800x480 surface memory.
#include <benchmark/benchmark.h>

#include "bench/bench_counters.h"
#include "bench/workloads.h"
#include "display/screen_render.h"
#include "machine/machine.h"

namespace {

uint8_t image[kMemorySize];
uint16_t pixels[kScreenWidth * kScreenHeight];
Machine machine;

void BM_render_screen(benchmark::State &state) {
    Machine *m = &machine;
    machine_power_on(m, image);
    m->pixels = pixels;
    workload_screen_fill(m->ram);
    for (auto _ : state) {
        render_screen(m);
        benchmark::DoNotOptimize(pixels);
        benchmark::ClobberMemory();
        // Both FLASH phases within every 50 renders, as in the running program.
        m->counter++;
    }
    report_frames(state);
}
BENCHMARK(BM_render_screen);

}  // namespace
