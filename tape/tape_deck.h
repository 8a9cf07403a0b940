// The tape deck: one inserted tape image, read with libspectrum, played into the EAR bit of
// port 0xFE between frame runs, started and stopped by what the program does, and loaded
// straight into memory when the ROM's own loader asks for a standard block.
//
// Motor sense. A stopped deck gives no edges (the level stays). It starts playing when the
// program asks for the tape: the ROM loader is entered and the block cannot be loaded at once,
// or the program polls port 0xFE at loader rates (kListenReads reads in a frame). It stops at
// a stop-the-tape block and at the tape's end, and when the program has not polled at that
// rate for kQuietFrames frames, so that a multi-load game's later blocks wait until it asks
// for them; then the tape stands exactly where it stopped. After a stop-the-tape block the
// program must first stop polling before polling starts the tape again.
#pragma once

#include <cstddef>
#include <cstdint>

#include "machine/machine.h"

struct libspectrum_tape;

// Edges further than this beyond the frame budget are not handed to a run; the last
// instruction of a run can read the port at most a few dozen T-states past the budget.
constexpr uint32_t kEarHorizon = 256;
// A loader samples the EAR bit every 60 to 100 T-states: more than 700 reads a frame. A
// keyboard scan reads 8 half-rows, and games scan a few times a frame: a few dozen reads.
constexpr uint32_t kListenReads = 500;
// Frames of playback without loader-rate polling before the deck stops. The ROM loader itself
// stops reading for a second once it hears the first edges (LD-WAIT: 1045 x 256 turns of a
// DJNZ loop, 50 frames), and loaders built on it do the same; 1.2 s rides over that.
constexpr int kQuietFrames = 60;

// A file's base name: up to NAME_MAX (255) bytes and the NUL.
constexpr size_t kTapeNameSize = 256;

// Where the deck stands in the block it plays (block below).
enum TapePlace : uint8_t {
    kAtBlockStart,  // nothing of the block has been played
    kInBlock,       // its pilot, sync or data is playing
    kInGap,         // its data has been played; the pause after it is playing
};

// Data passes (instant loads) a track can hold between two anchors; a tape that loops
// without an anchor may have more, and its place is then lost.
constexpr int kTrackPasses = 8;

// Where the library stands on the tape, told so that it can be found again exactly: it was
// sent to the start of block (or stood there after a block's last edge, on a tape without
// loops), then gave edges; after the passes[k]-th of those it passed over a block's data.
struct TapeTrack {
    int32_t block;
    uint32_t edges;
    uint32_t pass_count;
    uint32_t passes[kTrackPasses];
    uint8_t lost;  // more passes than fit: the place cannot be found again
};

struct TapeDeck {
    libspectrum_tape *tape;  // null while no tape is inserted
    char name[kTapeNameSize];
    int blocks;
    uint8_t loops;  // the tape jumps or loops: the library's place is more than its block
    TapeTrack track;
    int block;  // 0-based: the block playing or next to play
    TapePlace place;
    uint8_t playing;
    uint8_t at_end;
    uint8_t halting;       // the stop-the-tape or final edge has been taken from the library
    uint8_t ending;        // ... and it was the tape's last
    int64_t halt_time;     // its T-state, relative to the coming run's start
    uint8_t need_quiet;    // stopped by a stop-the-tape block: polling must pause first
    int quiet;             // frames of playback without loader-rate polling
    uint8_t level;         // the EAR level at the start of the coming run
    uint8_t queued_level;  // the level after every edge handed out so far
    // The library's next edge, taken but not yet handed out: T-state relative to the coming
    // run's start, its flags, and the library's state and block position just after it.
    uint8_t has_next;
    int next_flags;
    int next_state;
    int next_position;
    int64_t next_time;
    int64_t last_time;  // the library edge before it: its delay counts from here
    // Edges handed to the last run that it did not reach, relative to the coming run's start.
    uint32_t carry_count;
    uint32_t carry[kEarHorizon];
};

// Inserts the tape held in tzx (size bytes of a TZX image, as the decoder hands every tape
// back, followed by spare zero bytes that a reader may run into), named name (a base name).
// 0: the deck now holds it (any previous tape ejected), rewound to block 1, stopped. -1:
// nothing changes; text receives "Can't read <name>: <reason>". The library's own error text
// is never printed.
int tape_insert(TapeDeck *deck, const char *name, const uint8_t *tzx, size_t size, char *text,
                size_t textsize);

// Takes the tape out; m->ear becomes inactive (port reads exactly as without tapes).
void tape_eject(TapeDeck *deck, Machine *m);

// Before each frame run: fills m->ear (active while a tape is inserted, the edges of this run
// while it plays, the loader trap armed when the ROM's loader bytes check out).
void tape_before_frame(TapeDeck *deck, Machine *m);

// After each frame run: instant load when the ROM loader was entered and the next block is a
// standard-speed data block; motor sense (start/stop real-time playback); tape advanced by the
// T-states the run took; stop blocks and the end of the tape.
void tape_after_frame(TapeDeck *deck, Machine *m);

bool tape_inserted(const TapeDeck *deck);
bool tape_playing(const TapeDeck *deck);      // real-time playback under way (front end: unpaced)
bool tape_at_end(const TapeDeck *deck);       // every block played or loaded
int tape_block(const TapeDeck *deck);         // 1-based number of the current block
int tape_blocks(const TapeDeck *deck);        // number of blocks
const char *tape_name(const TapeDeck *deck);  // base name of the inserted file
