// The game played last: at each exit that saves "tmp.sna", the game's name and where that
// file went are written to $XDG_DATA_HOME/tavisk/last, so that the next start can offer to
// continue it. A plain text file, one NAME = VALUE a line:
//
//     game = mygame
//     snapshot = /home/me/games/tmp.sna
//     check = 3f2a9c0d11e4b786
//
// game is empty when no game was loaded; check is the FNV-1a 64 hash of the snapshot file
// as written, in hex, so that a file changed since is not taken for the game's.
#pragma once

#include <limits.h>

#include <cstddef>
#include <cstdint>

#include "keymaps/game_keys.h"

constexpr size_t kLastFileLimit = 4096;  // read of a last file at most

struct LastGame {
    char game[kGameNameSize];
    char snapshot[PATH_MAX];  // an absolute path
    uint64_t check;
};

// game's snapshot, just written at the absolute path snapshot, recorded as the last game
// (the folders made as needed; the old record replaced whole or not at all). A name or path
// that a line cannot hold (a line break in it) is not recorded. Returns 0, or the error
// number.
int last_record(const char *game, const char *snapshot);

// The last game recorded, into last: 1 when there is a record naming an absolute snapshot
// path with a check, 0 when there is none (or none that makes sense). Only a regular file
// is read, and only its first kLastFileLimit bytes.
int last_read(LastGame *last);

// Whether the snapshot recorded is still the file that was written: 0 when it is, EILSEQ
// when something else stands there now (other bytes, a larger file, not a regular file),
// else the error number of reading it.
int last_check(const LastGame *last);
