#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "sound/audio.h"
#include "sound/ring_position.h"

namespace {

Machine *machine() {
    static Machine *m = [] {
        Machine *x = new Machine;
        static uint8_t image[kMemorySize];
        machine_power_on(x, image);
        // Every ring byte differs from its neighbours and from the byte one frame away, so a
        // copy from a wrong position shows.
        for (int i = 0; i < kRingBytes; i++) x->sndring[i] = uint8_t(i * 7 + i / 441 * 13 + 1);
        return x;
    }();
    return m;
}

TEST(SoundFill, CountsWholeFramesInBytes) {
    struct Case {
        const char *name;
        int len;
        std::vector<int> deltas;  // scounter advance of each request
        std::vector<int> rems;    // ringrem after each request
    };
    const Case cases[] = {
        {"441 bytes, one frame each", 441, {1, 1, 1, 1}, {0, 0, 0, 0}},
        {"512 bytes", 512, {1, 1, 1, 1, 1, 1, 2}, {71, 142, 213, 284, 355, 426, 56}},
        {"1024 bytes", 1024, {2, 2, 2, 3}, {142, 284, 426, 127}},
        {"100 bytes", 100, {0, 0, 0, 0, 1}, {100, 200, 300, 400, 59}},
    };
    Machine *m = machine();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        sound_set_ring(0, 0);
        m->scounter = 40;
        std::vector<uint8_t> stream(c.len);
        int32_t before = m->scounter;
        for (size_t n = 0; n < c.deltas.size(); n++) {
            SCOPED_TRACE(n);
            sound_fill(m, stream.data(), c.len);
            EXPECT_EQ(m->scounter - before, c.deltas[n]);
            EXPECT_EQ(sound_ringrem(), c.rems[n]);
            before = m->scounter;
        }
    }
}

TEST(SoundFill, CopiesFromItsPositionAndWraps) {
    struct Case {
        const char *name;
        int32_t start;
        int len;
        int32_t end;  // ringpos afterwards
    };
    const Case cases[] = {
        {"start of the ring", 0, 441, 441},
        {"middle, no wrap", 300000, 512, 300512},
        {"100 from the end, 341 from the start", 705500, 441, 341},
        {"exactly to the end", 705159, 441, 705600},
        {"at the end continues from 0", 705600, 441, 441},
        {"one byte before the end", 705599, 512, 511},
    };
    Machine *m = machine();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        sound_set_ring(c.start, 0);
        // Guard bytes either side of the request must survive.
        std::vector<uint8_t> buffer(c.len + 32, 0xEE);
        sound_fill(m, buffer.data() + 16, c.len);
        EXPECT_EQ(sound_ringpos(), c.end);
        int wrong = 0;
        for (int i = 0; i < c.len; i++)
            wrong += buffer[16 + i] != m->sndring[(c.start + i) % kRingBytes];
        EXPECT_EQ(wrong, 0) << "stream bytes not taken from the ring in order";
        for (int i = 0; i < 16; i++) {
            EXPECT_EQ(buffer[i], 0xEE);
            EXPECT_EQ(buffer[16 + c.len + i], 0xEE);
        }
    }
}

TEST(SoundFill, ReachingTheEndThenNextRequestStartsAtZero) {
    Machine *m = machine();
    sound_set_ring(705159, 0);
    uint8_t stream[441];
    sound_fill(m, stream, 441);
    sound_fill(m, stream, 441);
    EXPECT_EQ(sound_ringpos(), 441);
    EXPECT_EQ(std::memcmp(stream, m->sndring, 441), 0);
}

std::string open_and_capture(AudioState *audio, Machine *m) {
    testing::internal::CaptureStderr();
    sound_open(audio, m);
    return testing::internal::GetCapturedStderr();
}

void expect_reset(Machine *m, int32_t counter) {
    EXPECT_EQ(m->sndread, 0);
    EXPECT_EQ(m->sndwrite, 0);
    EXPECT_EQ(m->speaker, 0);
    EXPECT_EQ(m->scounter, counter);
    EXPECT_EQ(sound_ringpos(), 0);
}

void disturb(Machine *m, int32_t counter) {
    m->counter = counter;
    m->sndread = 77;
    m->sndwrite = 5;
    m->speaker = 64;
    m->scounter = 3;
    sound_set_ring(9000, 17);
}

TEST(SoundDevice, OpensOnceResetsEveryTimeAndReopensAfterClose) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
    const std::string line = "Obtained audio: freq=22050 format=8 channels=1 samples=441\n";
    Machine *m = machine();
    AudioState audio = {0, 0, 0, 0};

    disturb(m, 100);
    EXPECT_EQ(open_and_capture(&audio, m), line);
    EXPECT_EQ(audio.opened, 1);
    EXPECT_EQ(audio.armed, 1);
    expect_reset(m, 100);
    EXPECT_EQ(sound_ringrem(), 17) << "ringrem is not the open's to reset";

    disturb(m, 250);
    audio.armed = 0;
    EXPECT_EQ(open_and_capture(&audio, m), "") << "an open device is not opened again";
    EXPECT_EQ(audio.armed, 1);
    expect_reset(m, 250);

    // Playing, the callback is handed the machine and counts the frames it takes.
    EXPECT_EQ(audio.playing, 0);
    sound_resume(&audio);
    EXPECT_EQ(audio.armed, 1);
    EXPECT_EQ(audio.playing, 1);
    open_and_capture(&audio, m);
    EXPECT_EQ(audio.playing, 1) << "reset while playing, it plays on";
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (m->scounter < 253 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_GE(m->scounter, 253);
    sound_pause(&audio);
    EXPECT_EQ(audio.armed, 0);
    EXPECT_EQ(audio.playing, 0);

    sound_resume(&audio);
    sound_close(&audio);
    EXPECT_EQ(audio.opened, 0);
    EXPECT_EQ(audio.playing, 0);
    disturb(m, 400);
    EXPECT_EQ(open_and_capture(&audio, m), line);
    expect_reset(m, 400);
    sound_close(&audio);
    SDL_Quit();
}

TEST(SoundDevice, FailedOpenIsReportedAndTheRestCarriesOn) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    Machine *m = machine();
    AudioState audio = {0, 0, 0, 0};
    disturb(m, 60);
    std::string err = open_and_capture(&audio, m);
    const std::string prefix = "Couldn't open audio: ";
    const std::string tail = "\nObtained audio: freq=0 format=0 channels=0 samples=0\n";
    ASSERT_GE(err.size(), prefix.size() + tail.size()) << err;
    EXPECT_EQ(err.substr(0, prefix.size()), prefix);
    EXPECT_EQ(err.substr(err.size() - tail.size()), tail);
    EXPECT_EQ(audio.opened, 1);
    EXPECT_EQ(audio.armed, 1);
    expect_reset(m, 60);
    sound_resume(&audio);
    sound_pause(&audio);
    EXPECT_EQ(m->scounter, 60);
    sound_close(&audio);
    EXPECT_EQ(audio.opened, 0);
    SDL_Quit();
}

}  // namespace
