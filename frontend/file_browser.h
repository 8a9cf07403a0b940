// The snapshot file browser: the working directory's names in a box over the Spectrum
// picture, two to a line, one highlighted; cursor keys and taps move the highlight, RETURN
// enters a directory or hands a file's full path back.
#pragma once

#include <limits.h>

#include <cstddef>
#include <cstdint>

#include "machine/machine.h"

constexpr int kBrowserSlots = 8192;  // names kept from one listing
// A slot: any whole name a folder can hold, and the NUL.
constexpr int kBrowserNameSize = NAME_MAX + 1;
constexpr int kBrowserPositions = 36;   // names in the box: 18 lines of two
constexpr int kBrowserShownChars = 13;  // characters shown of each name

// The current listing, sorted by plain byte order; it outlives the browser's closing.
struct FileBrowser {
    char names[kBrowserSlots][kBrowserNameSize];
    int32_t count;
    int32_t top;       // name shown at list position 0
    int32_t selected;  // highlighted name
};

// What a key asks of the browser.
enum BrowserCommand {
    kBrowserNone,   // a key the browser does not use: nothing happens
    kBrowserEnter,  // enter the selected directory, or choose the selected file
    kBrowserLeave,  // done without a choice
    kBrowserLeft,   // the previous name
    kBrowserRight,  // the next name
    kBrowserUp,     // one line up
    kBrowserDown,   // one line down
};

// Lists the working directory, selects its first name and draws and presents the box.
// ".." is always offered, also where the folder cannot be listed (no permission, removed
// while it was the working directory), so that the user can always go back up.
void browser_open(FileBrowser *b, Machine *m);

// The list position (0-35) of a tap at screen (x, y), -1 when the tap is outside the list.
int browser_tap_position(int x, int y);

// Applies one command. Returns 1 when the browser is done, with path holding the chosen
// file's full path, or "" after kBrowserLeave; 0 otherwise, path untouched. A path that
// would not fit pathsize bytes is never cut: the choice is refused, with a word on the
// status line, and 0 returned.
int browser_key(FileBrowser *b, Machine *m, BrowserCommand command, char *path, size_t pathsize);

// A tap on list position: selects the name shown there; a tap on the name already selected
// enters or chooses it as kBrowserEnter does, with the same result. A position without a
// name changes nothing and returns 0.
int browser_tap(FileBrowser *b, Machine *m, int position, char *path, size_t pathsize);

// One name of a listing into the table, but "." and the snapshot saver's temporary files.
// A full table drops later names, but not "..", which takes the last slot.
void browser_add(FileBrowser *b, const char *name);
