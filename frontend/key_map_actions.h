// The user's key maps in the front end: the keys of the game now running, and the gesture
// that changes them while the machine is paused.
#pragma once

#include "frontend/front_end.h"

// The start's map: the built-in default with the user's default.keys over it. Said on the
// status line only when there is such a file.
void start_keys(FrontEnd *fe);

// A game was loaded from a file of base name base (a snapshot loaded, a tape inserted): it
// becomes the game now running, and its keys apply (game_keys: the built-in profile its
// name picks, the user's keys file over it). The status line names the map in force, "Keys:
// <name>" with " (yours)" for a map of the user's, then the first problem of a keys file.
void apply_game_keys(FrontEnd *fe, const char *base);

// The same for a game known by its name (a game continued): game becomes the game now
// running, with its keys.
void apply_keys_of_game(FrontEnd *fe, const char *game);

// The built-in keys for the game now running: its keys file removed, the profile its name
// picks (or the built-in default) in force, and named on the status line; or why the file
// could not be removed ("Couldn't remove keys: <reason>").
void use_builtin_keys(FrontEnd *fe);

// The hardware key held down last, or -1 when none is.
int held_hardware_key(const FrontEnd *fe);

// The gesture: hardware key index now gives key code in the game now running. The key code
// it pressed, if any, comes up; the map is saved at once. The status line confirms it ("up =
// q") or says why the map could not be saved ("Couldn't save keys: <reason>"); it applies
// for this run either way.
void map_hardware_key(FrontEnd *fe, int index, int code);
