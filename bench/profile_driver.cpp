// Runs one workload for the instruction-count profile (scripts/profile.sh) and prints the
// units that the counted host instructions are divided by: the T-states that the run_frame
// calls executed, the number of render_screen or draw_pressed_keys calls, or the frames of a
// measuring game whose picture render_frame drew (through measured_render_frame, the
// function counted) or of the mix with the rewind ring.
#include <cstdio>
#include <cstring>

#include "bench/workloads.h"
#include "display/control_panel.h"
#include "display/keyboard_layout.h"
#include "display/pressed_keys.h"
#include "display/screen_update.h"
#include "machine/machine.h"
#include "machine/run_frame.h"
#include "saves/rewind_ring.h"
#include "snapshot/load_result.h"
#include "snapshot/snapshot_files.h"

namespace {

uint8_t image[kMemorySize];
uint16_t pixels[kScreenWidth * kScreenHeight];
Machine machine;
ShownScreen shown_screen;

// Enough frames that the two start-up frames of the mix are a small share.
constexpr int kMixFrames = 100;
// Both FLASH phases, as in the running program.
constexpr int kRenderCalls = 50;
// The games: the first frames paint the picture, uncounted; then ten seconds, twenty FLASH
// turns.
constexpr int kGameStartFrames = 50;
constexpr int kGameFrames = 500;
// A frame loop's worth of the pressed keys' check.
constexpr int kKeyCalls = 1000;
// Ten of the rewind ring's states, and the frames between them.
constexpr int kRewindFrames = 10 * kRewindPeriod;

// Every run_frame call is counted, the mix's two start-up frames included.
uint64_t mix_tstates(Machine *m) {
    uint64_t total = workload_mix_start(m, image);
    if (!total) return 0;
    for (int k = 2; k < kMixFrames; k++) total += workload_frame(m);
    return total;
}

uint64_t rom_tstates(Machine *m) {
    if (!workload_rom_load(image)) return 0;
    machine_power_on(m, image);
    uint64_t total = 0;
    for (int k = 0; k < kRomFrames; k++) total += workload_frame(m);
    return total;
}

uint64_t render_calls(Machine *m) {
    machine_power_on(m, image);
    m->pixels = pixels;
    workload_screen_fill(m->ram);
    for (int k = 0; k < kRenderCalls; k++) {
        render_screen(m);
        m->counter++;
    }
    return kRenderCalls;
}

// The drawn keyboard checked once a frame: with no key changing (change 0), or with a key
// going down or coming up at every call (change 1).
uint64_t key_calls(Machine *m, bool change) {
    machine_power_on(m, image);
    m->pixels = pixels;
    // The drawn keyboard, without the buttons, which need an SDL surface.
    draw_keycaps(m);
    draw_keygrid(m, kGridColour);
    draw_keylabels(m, kLabelFunction | kLabelSymbol, kLegendColour);
    PressedKeys shown = {};
    SDL_Rect rects[kPressedKeyRects];
    for (int k = 0; k < kKeyCalls; k++) {
        if (change) m->keyrows[2] ^= 1;  // Q
        draw_pressed_keys(m, &shown, rects);
    }
    return kKeyCalls;
}

// The instruction mix's frames with the rewind ring taking its states after each, as the
// front end does: what the ring costs a busy frame on average.
uint64_t rewind_frames(Machine *m) {
    if (!workload_mix_start(m, image)) return 0;
    static RewindRing ring;  // 3 MB
    static TapeDeck deck;
    static Autostart autostart;
    RewindSubject subject = {m, &deck, &autostart};
    for (int k = 0; k < kRewindFrames; k++) {
        workload_frame(m);
        rewind_after_frame(&ring, &subject);
    }
    return kRewindFrames;
}

}  // namespace

// The one call counted of the game workloads; the start-up frames call render_frame directly.
// Outside the anonymous namespace, so that callgrind finds it by its plain name.
[[gnu::noinline]] int measured_render_frame(Machine *m, ScreenBands *bands) {
    return render_frame(m, &shown_screen, bands);
}

namespace {

uint64_t game_frames(Machine *m, const char *game) {
    machine_power_on(m, image);
    m->pixels = pixels;
    char path[512], message[kSnapshotMessageSize];
    std::snprintf(path, sizeof path, "%s/%s.z80", GAMES_DIR, game);
    if (load_snapshot(m, path, message, sizeof message) != kLoaded) {
        std::fprintf(stderr, "%s\n", message);
        return 0;
    }
    ScreenBands bands;
    for (int k = 0; k < kGameStartFrames + kGameFrames; k++) {
        workload_frame(m);  // counts the frame, so the FLASH phase moves on
        if (k < kGameStartFrames)
            render_frame(m, &shown_screen, &bands);
        else
            measured_render_frame(m, &bands);
    }
    return kGameFrames;
}

}  // namespace

int main(int argc, char **argv) {
    const char *which = argc == 2 ? argv[1] : "";
    uint64_t units = 0;
    if (!std::strcmp(which, "mix"))
        units = mix_tstates(&machine);
    else if (!std::strcmp(which, "rom"))
        units = rom_tstates(&machine);
    else if (!std::strcmp(which, "render"))
        units = render_calls(&machine);
    else if (!std::strcmp(which, "still") || !std::strcmp(which, "sprite"))
        units = game_frames(&machine, which);
    else if (!std::strcmp(which, "keys-rest"))
        units = key_calls(&machine, false);
    else if (!std::strcmp(which, "keys-change"))
        units = key_calls(&machine, true);
    else if (!std::strcmp(which, "rewind"))
        units = rewind_frames(&machine);
    else {
        std::fprintf(stderr,
                     "usage: %s mix|rom|render|still|sprite|keys-rest|keys-change|rewind\n",
                     argv[0]);
        return 2;
    }
    if (!units) {
        std::fprintf(stderr, "%s: the %s workload could not run\n", argv[0], which);
        return 1;
    }
    std::printf("%llu\n", static_cast<unsigned long long>(units));
    return 0;
}
