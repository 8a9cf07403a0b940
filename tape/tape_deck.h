// The tape deck: one inserted tape image, read with libspectrum, played into the EAR bit of
// port 0xFE between frame runs, started and stopped by what the program does and by the
// user's buttons, and loaded straight into memory when the ROM's own loader asks for a
// standard block.
//
// Motor sense. A stopped deck gives no edges (the level stays). It starts playing when the
// program asks for the tape: the ROM loader is entered and the block cannot be loaded at once,
// or the program listens: it reads port 0xFE all through a frame, as every loader does to
// time the pulses, whatever its rate (the ROM's own reads every 59 T-states after a wait of
// 358 from each edge, and so do loaders built on it with other timings), while a keyboard
// scan reads its eight half-rows in one burst. It stops at a stop-the-tape block and at the
// tape's end, and when the program has not listened for kQuietFrames frames, so that a
// multi-load game's later blocks wait until it asks for them; then the tape stands exactly
// where it stopped. After a stop-the-tape block it starts again when the ROM loader is
// entered or still waits in it, or when the program listens after a frame in which it did
// not. The user's STOP holds it whatever the program does, with no instant loads, until PLAY.
#pragma once

#include <cstddef>
#include <cstdint>

#include "machine/machine.h"

struct libspectrum_tape;

// Edges further than this beyond the frame budget are not handed to a run; the last
// instruction of a run can read the port at most a few dozen T-states past the budget.
constexpr uint32_t kEarHorizon = 256;
// Frames of playback without listening before the deck stops. The ROM loader itself stops
// reading for a second once it hears the first edges (LD-WAIT: 1045 x 256 turns of a DJNZ
// loop, 50 frames), and loaders built on it do the same; 1.2 s rides over that. Longer would
// run a multi-load game's tape on into the pilot of a block it asks for later.
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

// What the motor does. Stopped is where a tape starts: it waits for the program to ask.
enum TapeMotor : uint8_t {
    kMotorStopped,  // standing; starts when the program listens or enters the ROM loader
    kMotorPlaying,  // real-time playback
    kMotorHeld,     // stopped by a stop-the-tape block (see Motor sense above)
    kMotorPaused,   // stopped by the user's STOP: nothing but PLAY starts it
    kMotorEnded,    // every block played or loaded
};

// A stop the library has announced with an edge that the runs have not reached yet.
enum TapeStop : uint8_t {
    kStopNone,
    kStopBlock,  // a stop-the-tape block
    kStopEnd,    // the tape's end
};

// The library's next edge, taken but not yet handed to a run.
struct TapeEdge {
    int64_t time;  // T-state relative to the coming run's start
    int flags;
    int state;     // the library's block state just after it
    int position;  // and the block it then stands on
};

struct TapeDeck {
    libspectrum_tape *tape;  // null while no tape is inserted
    char name[kTapeNameSize];
    int blocks;
    uint8_t loops;  // the tape jumps or loops: the library's place is more than its block
    TapeTrack track;
    int block;  // 0-based: the block playing or next to play
    TapePlace place;
    TapeMotor motor;
    TapeStop stop;
    int64_t stop_time;     // the stop's T-state, relative to the coming run's start
    int quiet;             // frames of playback without listening
    uint8_t level;         // the EAR level at the start of the coming run
    uint8_t queued_level;  // the level after every edge handed out so far
    bool has_next;         // next holds an edge
    TapeEdge next;
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

// The user's buttons, between two frame runs. PLAY starts the motor (at the tape's end it
// does nothing); STOP holds it until PLAY. REW goes to the start of the block playing, or of
// the one before when the deck stands at a block's start or the tape's end; FWD to the start
// of the next block, or the tape's end. After REW and FWD the deck stands at the new place:
// held if STOP held it, otherwise until the program asks, as a recorder stands after a wind.
void tape_play(TapeDeck *deck);
void tape_stop(TapeDeck *deck);
void tape_rewind(TapeDeck *deck);
void tape_forward(TapeDeck *deck);

bool tape_inserted(const TapeDeck *deck);
bool tape_playing(const TapeDeck *deck);      // real-time playback under way (front end: unpaced)
// The motor follows the program: playing, or standing until the program asks. The user's
// STOP would hold it; otherwise (held, stopped by the user, at the end) PLAY is what's left.
bool tape_engaged(const TapeDeck *deck);
bool tape_at_end(const TapeDeck *deck);       // every block played or loaded
int tape_block(const TapeDeck *deck);         // 1-based number of the current block
int tape_blocks(const TapeDeck *deck);        // number of blocks
const char *tape_name(const TapeDeck *deck);  // base name of the inserted file
