#include "keymaps/game_keys.h"

#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "keymaps/keys_store.h"

namespace {

constexpr char kDefaultName[] = "default";

void name_map(MapInForce *inforce, const char *name, int yours) {
    std::snprintf(inforce->name, sizeof inforce->name, "%s", name);
    inforce->yours = yours;
}

// Whether the user has a keys file for game: anything standing at its place counts, so
// that what is wrong with it is told.
bool user_file(const char *game, char *path, size_t size) {
    return keys_path(game, false, path, size) == 0 && access(path, F_OK) == 0;
}

}  // namespace

void game_name_of(const char *base, char *game, size_t size) {
    const char *dot = std::strrchr(base, '.');
    size_t length = dot && dot != base ? size_t(dot - base) : std::strlen(base);
    if (length >= size) length = size - 1;
    std::memcpy(game, base, length);
    game[length] = '\0';
}

void default_keys(KeyMap *map, MapInForce *inforce, KeysProblems *problems, FILE *log) {
    *map = kKeyProfiles[0].map;
    name_map(inforce, kDefaultName, 0);
    char path[PATH_MAX];
    if (keys_path("", false, path, sizeof path) == 0 && keys_read(path, map, problems, log))
        inforce->yours = 1;
}

void game_keys(const char *base, const char *game, KeyMap *map, MapInForce *inforce,
               KeysProblems *problems, FILE *log) {
    // A game without a name has the map of no game.
    if (!game[0]) {
        default_keys(map, inforce, problems, log);
        return;
    }
    const KeyProfile *profile = profile_for(base);
    char path[PATH_MAX];
    if (!user_file(game, path, sizeof path)) {
        if (profile) {
            *map = profile->map;
            name_map(inforce, profile->name, 0);
        }
        return;
    }
    MapInForce under;
    if (profile)
        *map = profile->map;
    else
        default_keys(map, &under, problems, log);
    keys_read(path, map, problems, log);
    name_map(inforce, game, 1);
}

int builtin_keys(const char *game, KeyMap *map, MapInForce *inforce) {
    const KeyProfile *profile = game[0] ? profile_for(game) : nullptr;
    if (!profile) profile = &kKeyProfiles[0];
    *map = profile->map;
    name_map(inforce, profile->name, 0);
    char path[PATH_MAX];
    int error = keys_path(game, false, path, sizeof path);
    if (error) return error;
    return unlink(path) == 0 || errno == ENOENT ? 0 : errno;
}

int assign_key(const char *game, int index, int code, KeyMap *map, MapInForce *inforce) {
    map->keys[index] = uint8_t(code);
    name_map(inforce, game[0] ? game : kDefaultName, 1);
    char path[PATH_MAX];
    int error = keys_path(game, true, path, sizeof path);
    return error ? error : keys_save(path, map);
}
