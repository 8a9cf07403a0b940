// One file decoded in a process of its own, which the program starts, watches between frames
// and ends: whatever the file holds, the decoding takes at most kDecodeMemory bytes of
// memory and kDecodeCpuSeconds of processor time, and the program never waits for it.
#pragma once

#include <sys/resource.h>
#include <sys/time.h>
#include <sys/types.h>

#include <cstddef>

#include "decode/decode_result.h"

constexpr size_t kDecodeMemory = 256u << 20;  // address space of the decoder
constexpr int kDecodeCpuSeconds = 10;
// Wall-clock time, for a decoder that waits rather than computes, with room for a busy
// machine: its processor time runs out first when it computes.
constexpr int kDecodeWallSeconds = 30;
// A decoded tape (TZX) is at most this large: the decoder can write no more.
constexpr size_t kDecodedMax = kDecodeMemory;

struct DecodeJob {
    pid_t pid;       // 0: no decoding under way
    int out;         // the file the decoder writes its record to
    timeval started;
    // Once it has ended: its resources, and its wall-clock time in microseconds.
    rusage usage;
    long long micros;
};

enum DecodeState {
    kDecodeIdle,     // none was started, or it was taken or ended
    kDecodeRunning,
    kDecodeDone,     // the record is in the DecodedFile
    kDecodeFailed,   // out of bounds, killed, crashed, or a record that does not check out
};

// Starts the decoder command (argv: the program and any arguments before the file, ended by
// nullptr) on path, with the bounds set, standard input and error on /dev/null and the
// record going to a file of memory. Any decoding under way is abandoned first. 0, or the
// error number of what failed (the job stays idle).
int decode_start(DecodeJob *job, const char *const *command, const char *path,
                 const timeval *now);

// Whether the decoder has ended (never waiting for it); kills it once its wall-clock time is
// out. kDecodeDone fills file; after kDecodeDone or kDecodeFailed the job is idle again.
DecodeState decode_poll(DecodeJob *job, const timeval *now, DecodedFile *file);

// Ends a decoding under way at once; the job is idle after.
void decode_abandon(DecodeJob *job);

bool decode_running(const DecodeJob *job);

// The decoder installed with the program: tavisk-decode beside the running program, else in
// ../libexec/tavisk from its folder. False when neither exists.
bool decoder_path(char *path, size_t size);
