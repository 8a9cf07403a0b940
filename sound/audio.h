// The beeper through SDL's audio device, fed from the machine's sample ring.
#pragma once

#include <cstdint>

#include "machine/machine.h"

struct AudioState {
    int32_t fast;    // FAST mode 0, 1, 2
    int32_t opened;  // the device has been opened
    int32_t armed;   // sound is to play once enough frames lead
    int32_t playing; // the device was unpaused and has not been paused or closed since
};

// Opens the device when it is not open, then arms the sound from the ring's start. Returns
// -1 when the device failed to open at this call (said on standard error), else 0.
int sound_open(AudioState *audio, Machine *m);
void sound_pause(AudioState *audio);
void sound_resume(AudioState *audio);
void sound_close(AudioState *audio);
// The SDL audio callback; user data is the Machine.
void sound_fill(void *machine, uint8_t *stream, int len);
