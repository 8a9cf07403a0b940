#include "frontend/snapshot_actions.h"

#include <cstdlib>

#include "frontend/status_line.h"
#include "frontend/tape_control.h"
#include "snapshot/snapshot_files.h"

void load_and_say(FrontEnd *fe, const char *path) {
    char message[kSnapshotMessageSize];
    // A refusal keeps the machine, and with it a load command still being typed.
    if (load_snapshot(fe->m, path, fe->options, message, sizeof message) == kLoaded) {
        tape_autostart_cancel(fe);
        screen_drawn_over(&fe->shown);
    }
    status_say(fe->m, message);
}

void save_and_say(FrontEnd *fe) {
    const char *folders[] = {std::getenv("HOME"), fe->startfolder, nullptr};
    if (!folders[0]) folders[0] = "";
    char message[kSnapshotMessageSize];
    save_snapshot(fe->m, "tmp.sna", folders, message, sizeof message);
    if (message[0]) status_say(fe->m, message);
}
