// Replacing a file whole or not at all: the new contents go to a temporary file beside it,
// which is then renamed over it.
#pragma once

#include <cstddef>
#include <cstdint>

struct FilePart {
    const uint8_t *data;
    size_t size;
};

// What becomes of a file the user may write when no temporary file can be made beside it.
enum ReplaceMode {
    kReplaceOrOverwrite,  // written over in place: a save somewhere beats none
    kReplaceWhole,        // left as it is: the save fails
};

// Writes the count parts, one after the other, as the file at path (through a symbolic
// link, the file it names). The previous file stays as it was on any failure, except where
// no temporary file can be created beside a file the user may write and mode allows it:
// that file is then written over in place. Temporary files that killed runs left in the
// folder are removed first. Returns 0, or the error number of the failure.
int replace_file(const char *path, const FilePart *parts, int count,
                 ReplaceMode mode = kReplaceOrOverwrite);

// Whether a folder entry's name is one of replace_file's temporary files.
bool is_replace_temporary(const char *name);
