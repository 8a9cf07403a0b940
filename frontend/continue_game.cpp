#include "frontend/continue_game.h"

#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "frontend/file_open.h"
#include "frontend/key_map_actions.h"
#include "frontend/status_line.h"
#include "frontend/tape_control.h"
#include "snapshot/snapshot_files.h"

void continue_note(FrontEnd *fe, const char *where) {
    char path[PATH_MAX];
    int error = 0;
    if (where[0] == '/') {
        std::snprintf(path, sizeof path, "%s", where);
    } else {
        char cwd[PATH_MAX];
        if (!getcwd(cwd, sizeof cwd))
            error = errno;
        else if (std::snprintf(path, sizeof path, "%s/%s", cwd, where) >= int(sizeof path))
            error = ENAMETOOLONG;
    }
    if (!error) error = last_record(fe->game, path);
    if (!error) return;
    char text[128];
    std::snprintf(text, sizeof text, "Couldn't note the game to continue: %s",
                  std::strerror(error));
    status_say(fe->m, text);
}

void continue_start(FrontEnd *fe, bool offer) {
    fe->has_last = last_read(&fe->last);
    if (!fe->has_last || !offer) return;
    char text[kGameNameSize + 64];
    std::snprintf(text, sizeof text, "Continue %s: pause, tap the picture",
                  saves_game(fe->last.game));
    status_say(fe->m, text);
}

bool continue_last(FrontEnd *fe) {
    char name[PATH_MAX];
    base_name(fe->last.snapshot, name);
    char message[PATH_MAX + 64];  // a base name and a reason
    int error = last_check(&fe->last);
    if (error == EILSEQ) {
        std::snprintf(message, sizeof message, "Can't read %s: changed since it was saved", name);
    } else if (error) {
        std::snprintf(message, sizeof message, "Can't read %s: %s", name, std::strerror(error));
    } else if (load_snapshot(fe->m, fe->last.snapshot, message, sizeof message) == kLoaded) {
        status_say(fe->m, message);
        file_open_abandon(fe, true);  // the user's last choice wins over a file being read
        tape_autostart_cancel(fe);
        rewind_clear(fe->ring);
        apply_keys_of_game(fe, fe->last.game);
        return true;
    }
    status_say(fe->m, message);
    return false;
}
