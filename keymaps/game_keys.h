// Which map the hardware keys follow in a game: the built-in profile its file name picks,
// with the user's own keys file for the game laid over it; and the user's changes to it,
// saved at once.
#pragma once

#include <cstddef>
#include <cstdio>

#include "keymaps/keys_file.h"

constexpr size_t kGameNameSize = 256;  // a base name (NAME_MAX) and the NUL

// What the map in force is called: the game whose keys file, or the profile whose table,
// made it ("default" for the map used while no game is loaded), and whether a keys file of
// the user's made it.
struct MapInForce {
    char name[kGameNameSize];
    int yours;
};

// The game's name from its file's base name: the base name without its last extension
// ("mygame" for mygame.tap, mygame.z80 and mygame.sna alike). A dot that begins the name
// starts no extension.
void game_name_of(const char *base, char *game, size_t size);

// The map in force at the start: the built-in default, with the user's default.keys over it.
void default_keys(KeyMap *map, MapInForce *inforce, KeysProblems *problems, FILE *log);

// A game of name game was loaded from a file of base name base. With a keys file of the
// user's for the game, the map is that file over the profile the base name picks, or over
// the default map when none does. Without one, the profile the name picks, or, when none
// does, the map and its name stay as they were. Problems of the files read are counted and
// told to log.
void game_keys(const char *base, const char *game, KeyMap *map, MapInForce *inforce,
               KeysProblems *problems, FILE *log);

// The user's choice of the built-in keys for game ("" when none is loaded): the game's keys
// file is removed, and the map is the profile its name picks, or the built-in default.
// Returns 0, or the error number of the removal (the map changes all the same).
int builtin_keys(const char *game, KeyMap *map, MapInForce *inforce);

// The user's choice: hardware key index gives key code in game ("" when none is loaded).
// The map changes at once and is saved whole as the game's keys file (folders made as
// needed). Returns 0, or the error number of the save: the map applies all the same.
int assign_key(const char *game, int index, int code, KeyMap *map, MapInForce *inforce);
