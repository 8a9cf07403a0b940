// Tapes in the front end: inserting one restarts the machine and types the ROM's load
// command; around each frame the deck is driven and the status line told how far it got.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tape/autostart.h"

struct FrontEnd;
struct TapeDeck;

// What the deck's area of the panel shows.
enum DeckFace { kDeckBlack, kDeckShowsPlay, kDeckShowsStop };

struct TapeFront {
    Autostart autostart;
    int playing;      // real-time playback was under way after the last frame
    int fast_before;  // the FAST mode in force when playback started
    int block_shown;  // the block number last put on the status line, 0 none
    int end_shown;    // the end of the inserted tape has been said
    DeckFace face;
};

// A tape the decoder read (a TZX image of size bytes and spare zeros after, named name):
// inserts it, restarts the machine from power-on with the keys of its game and starts
// typing the load command; or, when the image is refused, says why on the status line and
// keeps the machine.
void tape_open_decoded(FrontEnd *fe, const char *name, const uint8_t *tzx, size_t size);

// The front end's one tape deck.
TapeDeck *tape_front_deck();

// The machine was replaced or reset under the load command: stops typing it, letting go of
// the key it holds, so that nothing is typed into what runs now.
void tape_autostart_cancel(FrontEnd *fe);

// Before a frame run: the next key of the load command, the deck's signal for the run.
void tape_frame_start(FrontEnd *fe);

// After a frame run: the deck moves on, the status line follows its blocks. While a tape
// plays in real time the emulation runs unpaced, one frame in four drawn; the FAST mode in
// force before comes back when it stops.
void tape_frame_end(FrontEnd *fe);

// A tap on the deck's button action (REW, PLAY or STOP, FWD, EJECT), handled between two
// frames and so at the next frame boundary: the deck moves, the status line says where it
// stands ("Tape ejected: <name>" for EJECT) and the buttons show what a tap does now.
// Without a tape it does nothing.
void tape_button(FrontEnd *fe, int action);
