// Keys files on disk: where a game's file lives, reading one whatever is there, and saving
// a map whole or not at all.
#pragma once

#include <cstddef>
#include <cstdio>

#include "keymaps/keys_file.h"

// The keys file of game (a game's name; "" for the map used while no game is loaded,
// "default.keys") in the user's config folder: $XDG_CONFIG_HOME/tavisk/keymaps/<game>.keys.
// With make, the folders are made as needed. Returns 0, or the error number.
int keys_path(const char *game, bool make, char *path, size_t size);

// Reads the keys file at path over map. Returns 1 when there is a file, 0 when there is
// none (nothing is told). Whatever is there, the read is bounded: only a regular file is
// opened, never waited for, and only its first kKeysFileLimit bytes are read (the line cut
// there is dropped). A file that cannot be read, is not a regular file or is larger is a
// problem told under its base name; every readable line applies.
int keys_read(const char *path, KeyMap *map, KeysProblems *problems, FILE *log);

// Writes map as the keys file at path, replacing any earlier one whole or not at all.
// Returns 0, or the error number.
int keys_save(const char *path, const KeyMap *map);
