// Opening any file the user names or picks: a .z80 or .sna file at once by the program's own
// loaders; a tape, an archive or another program's snapshot by the decoder, in the
// background, while the machine runs on and the program answers.
#pragma once

#include <limits.h>
#include <sys/time.h>

#include "decode/decode_job.h"

struct FrontEnd;

// A status line about the decoding appears after this long.
constexpr long long kReadingMicros = 500000;

struct FileOpen {
    DecodeJob job;
    char name[kDecodeNameSize];  // base name of the file being decoded
    bool reading_shown;          // "READING <name>" is on the status line
    char decoder[PATH_MAX];      // the decoder program, "" when it was not found
};

// Finds the decoder; once, at start.
void file_open_start(FrontEnd *fe);

// Opens the file at path; any decoding under way is abandoned first.
void file_open(FrontEnd *fe, const char *path);

// Between frames: says "READING <name>" once the decoding takes long, and takes its result
// when it is there: the tape inserted, the snapshot loaded, or the refusal said, with the
// machine, the tape and the key map kept.
void file_open_poll(FrontEnd *fe, const timeval *now);

// Ends a decoding under way (another file, LOAD pressed, the program ending); with say_so,
// a "READING" on the status line is taken back.
void file_open_abandon(FrontEnd *fe, bool say_so);

bool file_open_pending(const FrontEnd *fe);
