#include "frontend/key_map_actions.h"

#include <cstdio>
#include <cstring>

#include "frontend/status_line.h"
#include "input/key_matrix.h"

namespace {

// The map in force named on the status line, then the first problem of the files read
// (told on standard error already, each one).
void say_keys(FrontEnd *fe, const KeysProblems *problems) {
    char text[kGameNameSize + 32];
    std::snprintf(text, sizeof text, "Keys: %s%s", fe->keys.name, fe->keys.yours ? " (yours)" : "");
    status_say(fe->m, text);
    if (problems->count) status_show(fe->m, problems->first);
}

}  // namespace

void start_keys(FrontEnd *fe) {
    KeysProblems problems = {};
    fe->game[0] = '\0';
    default_keys(&fe->options->keymap, &fe->keys, &problems, stderr);
    if (fe->keys.yours || problems.count) say_keys(fe, &problems);
}

void apply_game_keys(FrontEnd *fe, const char *base) {
    KeysProblems problems = {};
    game_name_of(base, fe->game, sizeof fe->game);
    game_keys(base, fe->game, &fe->options->keymap, &fe->keys, &problems, stderr);
    say_keys(fe, &problems);
}

void apply_keys_of_game(FrontEnd *fe, const char *game) {
    KeysProblems problems = {};
    std::snprintf(fe->game, sizeof fe->game, "%s", game);
    // A profile's name prefixes the game's name as it prefixed its file's.
    game_keys(fe->game, fe->game, &fe->options->keymap, &fe->keys, &problems, stderr);
    say_keys(fe, &problems);
}

void use_builtin_keys(FrontEnd *fe) {
    int error = builtin_keys(fe->game, &fe->options->keymap, &fe->keys);
    KeysProblems problems = {};
    if (!error) {
        say_keys(fe, &problems);
        return;
    }
    char text[64];
    std::snprintf(text, sizeof text, "Couldn't remove keys: %s", std::strerror(error));
    status_say(fe->m, text);
}

int held_hardware_key(const FrontEnd *fe) {
    int last = -1;
    for (int i = 0; i < kHardwareKeys; i++)
        if (fe->hwdown[i] && (last < 0 || fe->hwdown[i] > fe->hwdown[last])) last = i;
    return last;
}

void map_hardware_key(FrontEnd *fe, int index, int code) {
    // The key the old map pressed would otherwise stay down: its key-up releases the new one.
    key_release(fe->hwpressed[index], fe->m);
    fe->hwpressed[index] = 0;
    int error = assign_key(fe->game, index, code, &fe->options->keymap, &fe->keys);
    char text[64];
    if (error) {
        std::snprintf(text, sizeof text, "Couldn't save keys: %s", std::strerror(error));
    } else {
        char word[16];
        key_word(code, word);
        std::snprintf(text, sizeof text, "%s = %s", hardware_key_name(index), word);
    }
    status_say(fe->m, text);
}
