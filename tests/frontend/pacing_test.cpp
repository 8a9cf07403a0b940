// The 50 Hz pacing rule, the time an idle pass sleeps for, and one loop pass that sleeps.
#include "frontend/pacing.h"

#include "front_end_rig.h"
#include "frontend/frame_loop.h"

namespace {

timeval plus_micros(timeval t, int64_t micros) {
    int64_t total = int64_t(t.tv_usec) + micros;
    int64_t sec = total >= 0 ? total / 1000000 : (total - 999999) / 1000000;
    t.tv_sec += time_t(sec);
    t.tv_usec = suseconds_t(total - sec * 1000000);
    return t;
}

struct PaceCase {
    const char *what;
    int32_t fast;
    int32_t counter, scounter, synccounter;
    timeval synctime;
    int64_t elapsed;  // microseconds from synctime to now
    int32_t wait;     // what frame_wait_micros must give
};

// counter - synccounter frames at 20 ms each are owed; a frame is due strictly after that.
const PaceCase kPaceCases[] = {
    {"fast mode 1 never waits", 1, 100, 0, 100, {1000, 0}, 0, 0},
    {"fast mode 2 never waits", 2, 100, 0, 100, {1000, 0}, 0, 0},
    {"consumer one frame behind", 0, 101, 100, 101, {1000, 0}, 0, 0},
    {"consumer ahead of the producer", 0, 90, 100, 90, {1000, 0}, 0, 0},
    {"two frames lead: the wall rule", 0, 102, 100, 101, {1000, 0}, 5000, 15001},
    {"exactly the owed time: not yet", 0, 103, 100, 100, {1000, 0}, 60000, 1},
    {"one microsecond past it", 0, 103, 100, 100, {1000, 0}, 60001, 0},
    {"part of a frame owed", 0, 110, 100, 105, {1000, 0}, 85000, 15001},
    {"across a second boundary", 0, 160, 100, 100, {1000, 990000}, 1195000, 5001},
    {"whole seconds split off", 0, 5100, 5000, 50, {1000, 999999}, 100985000, 15001},
    {"fallen far behind", 0, 200, 100, 100, {1000, 0}, 3600000000LL, 0},
    {"many frames owed: one frame at most", 0, 200, 100, 150, {1000, 0}, 0, kFrameMicros},
};

TEST(Pacing, WaitIsTheTimeUntilTheRuleMakesAFrameDue) {
    static Machine m;  // the sound ring makes it too large for the stack
    for (const PaceCase &c : kPaceCases) {
        SCOPED_TRACE(c.what);
        m.counter = c.counter;
        m.scounter = c.scounter;
        m.synccounter = c.synccounter;
        timeval now = plus_micros(c.synctime, c.elapsed);
        int32_t wait = frame_wait_micros(&m, c.fast, &now, &c.synctime);
        EXPECT_EQ(wait, c.wait);
        EXPECT_EQ(frame_due(&m, c.fast, &now, &c.synctime), wait == 0);
        if (wait == 0) continue;
        timeval woken = plus_micros(now, wait);
        timeval early = plus_micros(now, wait - 1);
        EXPECT_FALSE(frame_due(&m, c.fast, &early, &c.synctime)) << "a sleep never ends late";
        if (wait < kFrameMicros) {
            EXPECT_TRUE(frame_due(&m, c.fast, &woken, &c.synctime)) << "nor early";
        }
    }
}

class LoopPass : public FrontEndRig {
   protected:
    // Mode 0 with the sound consumer well behind, one frame run since a resync `ago`
    // microseconds back: the next frame is due 20 ms after the resync.
    void pace(int64_t ago) {
        m->counter = 500;
        m->scounter = 400;
        m->synccounter = 499;
        timeval now;
        gettimeofday(&now, nullptr);
        fe->synctime = plus_micros(now, -ago);
        fe->fpstime = now;
        fe->fpsbase = m->counter;
        fe->audio->fast = 0;
    }
};

TEST_F(LoopPass, AnIdlePassSleepsUntilTheNextFrameIsDue) {
    pace(5000);
    loop_pass(fe);
    EXPECT_EQ(m->counter, 500) << "no frame was due yet";
    timeval now;
    gettimeofday(&now, nullptr);
    EXPECT_TRUE(frame_due(m, 0, &now, &fe->synctime)) << "the pass returned before it was due";
    loop_pass(fe);
    EXPECT_EQ(m->counter, 501) << "the pass after the sleep runs the frame";
}

// A drag on the touch screen queues a burst of motion events; passes that handle one do not
// sleep, so the burst drains at once rather than at one event per frame period.
TEST_F(LoopPass, PassesThatHandleAnEventDoNotSleep) {
    constexpr int kEvents = 25;
    pace(-1000000);  // the next frame a second away: each sleep would last a whole frame
    for (int i = 0; i < kEvents; i++) {
        SDL_Event motion{};
        motion.type = SDL_MOUSEMOTION;
        motion.motion.type = SDL_MOUSEMOTION;
        ASSERT_EQ(SDL_PushEvent(&motion), 0);
    }
    timeval start, end;
    gettimeofday(&start, nullptr);
    for (int i = 0; i < kEvents; i++) loop_pass(fe);
    gettimeofday(&end, nullptr);
    SDL_Event left;
    EXPECT_EQ(SDL_PollEvent(&left), 0) << "one event per pass";
    EXPECT_EQ(m->counter, 500);
    int64_t took = int64_t(end.tv_sec - start.tv_sec) * 1000000 + (end.tv_usec - start.tv_usec);
    // Sleeping passes would need kEvents whole frames; half of that leaves room for a
    // loaded machine.
    EXPECT_LT(took, kEvents * kFrameMicros / 2);
}

}  // namespace
