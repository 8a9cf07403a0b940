// The Spectrum screen drawn into the 800x480 surface memory.
#include <benchmark/benchmark.h>

#include <cstring>

#include "bench/bench_counters.h"
#include "display/screen_render.h"
#include "machine/machine.h"

namespace {

uint8_t image[kMemorySize];
uint16_t pixels[kScreenWidth * kScreenHeight];
Machine machine;

// A busy screen: noise in every bitmap byte; attributes of every colour pair, with FLASH
// and BRIGHT each set in about half the cells.
void fill_screen(uint8_t *ram) {
    uint32_t x = 0x12345678;
    for (int k = 0; k < 0x1B00; k++) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        ram[k] = uint8_t(x >> 8);
    }
}

void BM_render_screen(benchmark::State &state) {
    Machine *m = &machine;
    machine_power_on(m, image);
    m->pixels = pixels;
    fill_screen(m->ram);
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
