// What the key map tests share: a map whose every key is marked, parsing with the problems
// caught, and a config folder of the test's own.
#pragma once

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "keymaps/keys_file.h"

// No line of a test gives '~' (the key '~' is SYMBOL SHIFT with I): a key still marked was
// left alone.
constexpr KeyMap kMarkedMap = {{'~', '~', '~', '~', '~', '~', '~', '~', '~', '~', '~'}};

struct Parsed {
    KeysProblems problems = {};
    std::string log;  // what went to the log, every problem on a line
};

// The problems told while f runs with a log of its own.
template <typename F>
std::string logged(F f) {
    char *buffer = nullptr;
    size_t size = 0;
    FILE *log = open_memstream(&buffer, &size);
    f(log);
    std::fclose(log);
    std::string text(buffer, size);
    free(buffer);
    return text;
}

inline Parsed parse(const std::string &text, KeyMap *map, const char *file = "test.keys") {
    Parsed got;
    got.log = logged(
        [&](FILE *log) { keys_parse(text.data(), text.size(), file, map, &got.problems, log); });
    return got;
}
