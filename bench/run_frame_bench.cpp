// Whole frames of the Z80 core: a fixed instruction mix in RAM, and the ROM from power-on.
#include <benchmark/benchmark.h>

#include "bench/bench_counters.h"
#include "bench/workloads.h"
#include "machine/machine.h"
#include "saves/rewind_ring.h"

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

// The rewind ring's work after a second of frames: 49 frames that take nothing and one that
// takes a state of the busy machine. Its time per frame set beside BM_run_frame_mix's is
// what the ring costs a frame on average.
void BM_rewind_per_frame(benchmark::State &state) {
    Machine *m = &machine;
    if (!workload_mix_start(m, image)) {
        state.SkipWithError("the instruction mix left its loop");
        return;
    }
    static RewindRing ring;  // 3 MB
    static TapeDeck deck;
    static Autostart autostart;
    RewindSubject subject = {m, &deck, &autostart};
    for (auto _ : state)
        for (int k = 0; k < kRewindPeriod; k++) rewind_after_frame(&ring, &subject);
    state.SetItemsProcessed(state.iterations() * kRewindPeriod);
}
BENCHMARK(BM_rewind_per_frame);

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
