// From inserting a tape to its program running, headless and unpaced: power-on, the load
// command typed by the autostart, the deck driven around every frame, until the test game
// has put its marker in RAM.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

#include "machine/machine.h"
#include "machine/run_frame.h"
#include "tape/autostart.h"
#include "tape/tape_deck.h"

namespace {

uint8_t image[kMemorySize];
Machine machine;
TapeDeck deck;

// Where the test game (tests/tapes/game.asm) puts its marker once it runs.
constexpr uint16_t kMark = 0xC000;
constexpr char kMarker[] = "TAVISK TAPE GAME";
// Far more than any of the tapes needs; a run that gets there has failed.
constexpr int kFrameLimit = 50 * 600;

bool load_rom() {
    FILE *f = std::fopen(TAVISK_DEFAULT_ROM, "rb");
    if (!f) return false;
    size_t got = std::fread(image, 1, kRomSize, f);
    std::fclose(f);
    return got == size_t(kRomSize);
}

// Frames from the insert until the game runs, or -1.
int insert_and_run(const char *path) {
    char text[256];
    if (tape_insert(&deck, path, text, sizeof text) != 0) return -1;
    machine_power_on(&machine, image);
    Autostart a;
    autostart_begin(&a, &machine);
    bool typing = true;
    for (int frame = 0; frame < kFrameLimit; frame++) {
        if (std::memcmp(machine.ram + (kMark - kRomSize), kMarker, sizeof kMarker - 1) == 0)
            return frame;
        if (typing && autostart_step(&a, &machine)) typing = false;
        tape_before_frame(&deck, &machine);
        machine.tstates = 0;
        machine.tslimit = kFrameTstates;
        run_frame(&machine);
        machine.counter += 1;
        tape_after_frame(&deck, &machine);
    }
    return -1;
}

// Reported: frames emulated (the program paces them at 50 a second except while a tape
// plays in real time), and the tape's own duration when known.
void BM_TapeInsertToRunning(benchmark::State &state, const char *path) {
    if (!load_rom()) {
        state.SkipWithError("no ROM");
        return;
    }
    int frames = 0;
    for (auto _ : state) {
        frames = insert_and_run(path);
        if (frames < 0) {
            state.SkipWithError("the program did not run");
            break;
        }
    }
    state.counters["frames"] = frames;
    state.counters["emulated_s"] = frames / 50.0;
    tape_eject(&deck, &machine);
}

BENCHMARK_CAPTURE(BM_TapeInsertToRunning, standard_48k, TAPES_DIR "/big.tap")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace
