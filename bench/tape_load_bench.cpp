// From inserting a tape to its program running, headless and unpaced: power-on, the load
// command typed by the autostart, the deck driven around every frame, until the test game
// has put its marker in RAM.
#include <benchmark/benchmark.h>

#include <libspectrum.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "bench/workloads.h"
#include "machine/machine.h"
#include "machine/run_frame.h"
#include "tape/autostart.h"
#include "tape/tape_deck.h"
#include "tape/tape_file.h"
#include "tests/decode_here.h"
#include "tests/tapes/test_game.h"

namespace {

uint8_t image[kMemorySize];
Machine machine;
TapeDeck deck;

// Far more than any of the tapes needs; a run that gets there has failed.
constexpr int kFrameLimit = 50 * 600;

// Frames from the insert until the game runs, or -1.
int insert_and_run(const char *path) {
    DecodedFile file;
    if (decode_here(path, &file) != 0 || file.header.outcome != kDecodedTape) return -1;
    char text[256];
    if (tape_insert(&deck, file.header.name, file.data(), file.size(), text, sizeof text) != 0)
        return -1;
    machine_power_on(&machine, image);
    Autostart a;
    autostart_begin(&a, &machine);
    for (int frame = 0; frame < kFrameLimit; frame++) {
        if (std::memcmp(machine.ram + (kGameMark - kRomSize), kGameMarker,
                        sizeof kGameMarker - 1) == 0)
            return frame;
        autostart_step(&a, &machine);  // nothing more once the command is typed
        tape_before_frame(&deck, &machine);
        machine.tstates = 0;
        machine.tslimit = kFrameTstates;
        run_frame(&machine);
        machine.counter += 1;
        tape_after_frame(&deck, &machine);
    }
    return -1;
}

// The tape's own playing time in seconds, summed over the library's edges; 0 when unreadable.
double tape_seconds(const char *path) {
    std::vector<uint8_t> bytes;
    if (tape_file_read(path, &bytes) != 0) return 0;
    libspectrum_init();
    libspectrum_tape *tape = libspectrum_tape_alloc();
    double tstates = 0;
    if (libspectrum_tape_read(tape, bytes.data(), bytes.size(), LIBSPECTRUM_ID_UNKNOWN, path) ==
        LIBSPECTRUM_ERROR_NONE) {
        for (int flags = 0; !(flags & LIBSPECTRUM_TAPE_FLAGS_TAPE);) {
            libspectrum_dword edge = 0;
            if (libspectrum_tape_get_next_edge(&edge, &flags, tape) != LIBSPECTRUM_ERROR_NONE)
                break;
            tstates += edge;
        }
    }
    libspectrum_tape_free(tape);
    return tstates / (kFrameTstates * 50.0);
}

// Reported: frames emulated (the program paces them at 50 a second except while a tape
// plays in real time), and the tape's own duration when known.
void BM_TapeInsertToRunning(benchmark::State &state, const char *path) {
    if (!workload_rom_load(image)) {
        state.SkipWithError("no ROM");
        return;
    }
    int frames = 0;
    auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        frames = insert_and_run(path);
        if (frames < 0) {
            state.SkipWithError("the program did not run");
            break;
        }
    }
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.counters["frames"] = frames;
    state.counters["emulated_s"] = frames / 50.0;
    double seconds = tape_seconds(path);
    state.counters["tape_s"] = seconds;
    // Wall time of a run as a fraction of the tape's own duration (below 1: faster than a
    // tape deck), and the other way round.
    double run = wall / double(state.iterations());
    state.counters["wall_over_tape"] = seconds > 0 ? run / seconds : 0;
    state.counters["tape_over_wall"] = run > 0 ? seconds / run : 0;
    tape_eject(&deck, &machine);
}

BENCHMARK_CAPTURE(BM_TapeInsertToRunning, standard_48k, TAPES_DIR "/big.tap")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_TapeInsertToRunning, turbo, TAPES_DIR "/turbo_game.tzx")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace
