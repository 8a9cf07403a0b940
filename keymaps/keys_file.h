// The keys file: the user's own map of the eleven hardware keys, as text a person can read
// and edit. One line per hardware key, NAME = KEY, in any order and letter case, spaces
// optional; '#' starts a comment, blank lines are allowed. Lines that name no key leave
// that key's map as it was.
#pragma once

#include <cstddef>
#include <cstdio>

#include "input/key_profiles.h"

constexpr size_t kKeysFileLimit = 64 * 1024;  // read of a file at most
constexpr size_t kKeysLineLimit = 200;        // bytes of a line, its end not counted
constexpr size_t kKeysProblemSize = 320;      // a problem: a file name and a few words

// What was wrong with a keys file: how many problems, and the first, as told.
struct KeysProblems {
    int count;
    char first[kKeysProblemSize];
};

// Counts a problem of file (its name as shown to the user) and writes it to log (when not
// null) as "<file>: <what>", or "<file> line <n>: <what>" when line is above 0.
void keys_problem(KeysProblems *problems, FILE *log, const char *file, int line, const char *what);

// Applies every good line of the size bytes at text to map. Each bad line (no '=', an
// unknown NAME or KEY, over kKeysLineLimit bytes, control bytes) is skipped and told as a
// problem of file.
void keys_parse(const char *text, size_t size, const char *file, KeyMap *map,
                KeysProblems *problems, FILE *log);

// The whole map as a keys file, every hardware key on a line of its own; returns the length
// of the text in out (size bytes; 1 KB is always enough).
size_t keys_format(const KeyMap *map, char *out, size_t size);

// The NAME of hardware key index (0-10): "esc", "f4", ... "select".
const char *hardware_key_name(int index);

// The KEY word of key code, into word (at least 16 bytes): "q", ".", "space", "caps-shift",
// "joy-fire", "none", ...
void key_word(int code, char *word);
