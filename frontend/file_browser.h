// The snapshot file browser: the working directory's names in a box over the Spectrum
// picture, two to a line, one highlighted; cursor keys and taps move the highlight, RETURN
// enters a directory or hands a file's full path back.
#pragma once

#include <dirent.h>
#include <limits.h>

#include <cstddef>
#include <cstdint>

#include "machine/machine.h"

constexpr int kBrowserSlots = 8192;  // names kept from one listing
// A slot: any whole name a folder can hold, and the NUL.
constexpr int kBrowserNameSize = NAME_MAX + 1;
constexpr int kBrowserPositions = 36;   // names in the box: 18 lines of two
constexpr int kBrowserShownChars = 13;  // characters shown of each name

// Commands of browser_key besides the taps.
constexpr int kBrowserEnter = '0';
constexpr int kBrowserLeave = '1';
constexpr int kBrowserLeft = '5';
constexpr int kBrowserDown = '6';
constexpr int kBrowserUp = '7';
constexpr int kBrowserRight = '8';
constexpr int kBrowserTap = 64;  // + list position 0-35

// The current listing, sorted by plain byte order; it outlives the browser's closing.
extern char dirnames[kBrowserSlots][kBrowserNameSize];
extern int32_t dircount;
extern int32_t browsetop;  // name shown at list position 0
extern int32_t browsesel;  // highlighted name

// Lists the working directory, selects its first name and draws and presents the box.
// ".." is always offered, also where the folder cannot be listed (no permission, removed
// while it was the working directory), so that the user can always go back up.
void browser_open(Machine *m);

// The command of a tap at screen (x, y): kBrowserTap + the list position tapped, 0 when the
// tap is outside the list.
int browser_tap_command(int x, int y);

// Applies one command. Returns 1 when the browser is done, with path holding the chosen
// file's full path, or "" after kBrowserLeave; 0 otherwise, path untouched. A path that
// would not fit pathsize bytes is never cut: the choice is refused, with a word on the
// status line, and 0 returned.
int browser_key(Machine *m, int command, char *path, size_t pathsize);

// The directory scan's selection callback: stores every name but "." and the snapshot
// saver's temporary files into the listing and keeps nothing in the scan's own list.
int browser_filter(const struct dirent *entry);
