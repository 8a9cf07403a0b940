#include "sound/audio.h"

#include <SDL/SDL.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "sound/ring_position.h"

namespace {

// Owned by the callback; sound_open moves ringpos back to 0 under the audio lock.
int32_t ringpos = 0;
int32_t ringrem = 0;

// One 20 ms ring frame per callback buffer. Kept static so that reopening the device
// allocates nothing.
SDL_AudioSpec wanted;
SDL_AudioSpec obtained;

}  // namespace

int32_t sound_ringpos() { return ringpos; }
int32_t sound_ringrem() { return ringrem; }

void sound_set_ring(int32_t pos, int32_t rem) {
    ringpos = pos;
    ringrem = rem;
}

int sound_open(AudioState *audio, Machine *m) {
    int result = 0;
    if (!audio->opened) {
        audio->opened = 1;
        audio->playing = 0;  // SDL opens the device paused
        std::memset(&wanted, 0, sizeof wanted);
        wanted.freq = 22050;
        wanted.format = AUDIO_U8;
        wanted.channels = 1;
        wanted.samples = kFrameSamples;
        wanted.callback = sound_fill;
        wanted.userdata = m;
        // SDL leaves the record untouched when the open fails: show zeros, not stale values.
        std::memset(&obtained, 0, sizeof obtained);
        if (SDL_OpenAudio(&wanted, &obtained) < 0) {
            std::fprintf(stderr, "Couldn't open audio: %s\n", SDL_GetError());
            result = -1;
        }
        std::fprintf(stderr, "Obtained audio: freq=%i format=%i channels=%i samples=%i\n",
                     obtained.freq, int(obtained.format), int(obtained.channels),
                     int(obtained.samples));
    }
    // A focus regain may find the device playing: keep the callback out while the
    // positions move.
    SDL_LockAudio();
    m->sndwrite = 0;
    m->sndread = 0;
    ringpos = 0;
    audio->armed = 1;
    m->speaker = 0;
    m->scounter = m->counter;
    SDL_UnlockAudio();
    return result;
}

void sound_pause(AudioState *audio) {
    SDL_PauseAudio(1);
    audio->armed = 0;
    audio->playing = 0;
}

void sound_resume(AudioState *audio) {
    SDL_PauseAudio(0);
    audio->armed = 1;
    audio->playing = 1;
}

void sound_close(AudioState *audio) {
    SDL_PauseAudio(1);
    usleep(100000);  // lets the last buffer drain before the device goes
    SDL_CloseAudio();
    audio->opened = 0;
    audio->playing = 0;
}

void sound_fill(void *machine, uint8_t *stream, int len) {
    Machine *m = static_cast<Machine *>(machine);
    // Counted in bytes, so buffer sizes other than 441 still advance scounter on average.
    int32_t total = ringrem + len;
    m->scounter += total / kFrameSamples;
    ringrem = total % kFrameSamples;
    // SDL's buffer (at most 65535 one-byte samples) is always shorter than the ring, so at
    // most one wrap is needed.
    if (ringpos + len <= kRingBytes) {
        std::memcpy(stream, m->sndring + ringpos, len);
        ringpos += len;
        return;
    }
    int32_t tail = kRingBytes - ringpos;
    std::memcpy(stream, m->sndring + ringpos, tail);
    int32_t rest = len - tail;
    if (rest > 0) std::memcpy(stream + tail, m->sndring, rest);
    ringpos = rest;
}
