// Tavisk: a 48K Spectrum for an 800x480 touch-screen handheld.
#include <limits.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frontend/exit_signals.h"
#include "frontend/frame_loop.h"
#include "frontend/instance_lock.h"
#include "frontend/rom_image.h"
#include "frontend/video_setup.h"

namespace {

// Everything lives for the whole run; the machine with its 705,600-byte sound ring is
// far too big for the stack.
uint8_t image[kMemorySize];
Machine machine;
Options options;
AudioState audio;
FileBrowser browser;  // 2 MB of names
RewindRing ring;      // 3 MB of states
PauseMenu menu;
FrontEnd fe;

char wmclass[] = "SDL_VIDEO_X11_WMCLASS=tavisk";
// With the cursor hidden in full screen, SDL's X11 driver otherwise switches to relative
// mouse motion and warps the pointer: after a tap at a screen edge every later tap would be
// reported somewhere else. A touch screen only ever has absolute positions.
char absolute_mouse[] = "SDL_MOUSE_RELATIVE=0";

// Xlib ends the process with exit() when the connection to the X server is lost. The
// machine is saved on the way out all the same, without the screen, which is gone. Runs
// before SDL_Quit, which was registered earlier; after a normal quit it does nothing.
void finish_on_exit() {
    if (fe.exited) return;
    machine.surface = nullptr;
    machine.pixels = nullptr;
    exit_sequence(&fe);
}

// Whether this is the only run of the program for this user. A second start must not touch
// the screen the first one has, so this is decided before SDL starts. Where no lock can be
// had at all, the program runs all the same: a user is never kept out by a missing folder.
bool only_run() {
    int fd, error;
    char path[PATH_MAX];
    switch (instance_lock(&fd, &error, path, sizeof path)) {
        case kLockTaken: return true;  // held until the process ends, however it ends
        case kLockHeld: return false;
        case kLockUnavailable:
            std::fprintf(stderr, "Couldn't take the lock %s: %s\n", path, std::strerror(error));
            return true;
    }
    return true;
}

}  // namespace

int main(int argc, char **argv) {
    if (!only_run()) {
        std::fprintf(stderr, "Tavisk is already running\n");
        return 1;
    }
    putenv(wmclass);
    putenv(absolute_mouse);
    options_defaults(&options);
    if (load_rom(image) != 0) {
        static const char message[] = "No rom, no emu.\n";
        ssize_t ignored = write(2, message, sizeof message - 1);
        (void)ignored;
        return 1;
    }
    // Every start value of the machine at once, the ROM half of the image kept as loaded.
    machine_power_on(&machine, image);
    fe.m = &machine;
    fe.options = &options;
    fe.audio = &audio;
    fe.browser = &browser;
    fe.ring = &ring;
    fe.menu = &menu;
    if (video_open(&machine) != 0) return 1;
    quit_on_hangup_signals();
    std::atexit(finish_on_exit);
    start_panel(&fe);
    start_loop_state(&fe);
    start_snapshot(&fe, argc, argv);
    start_clock(&fe);
    start_sound(&fe);
    while (!fe.quit) loop_pass(&fe);
    exit_sequence(&fe);
    return 0;
}
