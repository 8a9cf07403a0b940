// What a snapshot load came to: loaded, or refused with the machine left as it was.
#pragma once

enum LoadResult {
    kLoaded = 0,
    kNotSnapshot = -1,  // malformed, truncated, the wrong size, or not a regular file
    kNot48K = -2,       // a well-formed header for some other machine
    kUnreadable = -3,   // the file could not be opened or read
};
