// Where the user's own files live: settings under the XDG config folder, saved data under
// the XDG data folder, and runtime files (locks) in a folder of the user's alone.
#pragma once

#include <cstddef>

enum UserPlace {
    kUserConfig,   // $XDG_CONFIG_HOME, else $HOME/.config
    kUserData,     // $XDG_DATA_HOME, else $HOME/.local/share
    kUserRuntime,  // $XDG_RUNTIME_DIR, else /tmp/tavisk-<uid>
};

// The program's folder sub (a relative path; "" for the program's folder itself) in place:
// <base>/tavisk/<sub>, or for the runtime place <base>/tavisk when the base comes from the
// environment. A base from the environment counts only when it is an absolute path, as the
// XDG rules say. With make, every missing folder on the way is made (mode 0700). Returns 0
// with the path in folder (size bytes), or the error number: ENOENT when no base is known
// ($HOME unset), ENAMETOOLONG when the path does not fit, or what making a folder gave.
int user_folder(UserPlace place, const char *sub, bool make, char *folder, size_t size);
