#include "frontend/snapshot_actions.h"

#include <limits.h>

#include <cstdlib>

#include "frontend/key_map_actions.h"
#include "frontend/status_line.h"
#include "frontend/tape_control.h"
#include "snapshot/snapshot_files.h"

void load_and_say(FrontEnd *fe, const char *path) {
    char message[kSnapshotMessageSize];
    // A refusal keeps the machine, and with it a load command still being typed and the keys.
    bool loaded = load_snapshot(fe->m, path, message, sizeof message) == kLoaded;
    status_say(fe->m, message);
    if (!loaded) return;
    tape_autostart_cancel(fe);
    rewind_clear(fe->ring);
    screen_drawn_over(&fe->shown);
    char base[PATH_MAX];
    base_name(path, base);
    apply_game_keys(fe, base);
}

void say_decoded_load(FrontEnd *fe, int result, const char *shown, const char *name) {
    char message[kSnapshotMessageSize];
    snapshot_message(result, shown, 0, message, sizeof message);
    status_say(fe->m, message);
    if (result != kLoaded) return;
    tape_autostart_cancel(fe);
    rewind_clear(fe->ring);
    screen_drawn_over(&fe->shown);
    apply_game_keys(fe, name);
}

void save_and_say(FrontEnd *fe, char *where) {
    const char *folders[] = {std::getenv("HOME"), fe->startfolder, nullptr};
    if (!folders[0]) folders[0] = "";
    char message[kSnapshotMessageSize];
    save_snapshot(fe->m, "tmp.sna", folders, message, sizeof message, where);
    if (message[0]) status_say(fe->m, message);
}
