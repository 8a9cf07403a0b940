// Snapshots as the user meets them: loaded or saved, with a word on the status line about
// what happened.
#pragma once

#include "frontend/front_end.h"

// Loads the snapshot at path, its game's keys included, or refuses it with the machine and
// the keys kept, and says which.
void load_and_say(FrontEnd *fe, const char *path);

// Says what came of loading a snapshot that the decoder read (result, a LoadResult), naming
// shown, the file the user picked; when loaded, the keys of its game apply, the game named by
// the snapshot's own name (inside an archive, the name there).
void say_decoded_load(FrontEnd *fe, int result, const char *shown, const char *name);

// Saves the machine as "tmp.sna" in the working folder; when that folder cannot take it,
// in $HOME, else in the folder the program started in. Says where it went when that was
// not the working folder, and why when it went nowhere. Where it went into where (PATH_MAX
// bytes): "tmp.sna" or a path; "" when nowhere.
void save_and_say(FrontEnd *fe, char *where);
