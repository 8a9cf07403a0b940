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

// A dozing loop: a frame may run up to `early` periods before its time, and a sleep may last
// up to `longest` periods.
TEST(Pacing, ADozeRunsFramesEarlyAndSleepsLonger) {
    struct Case {
        const char *what;
        int64_t elapsed;  // since the resync; three frames (60 ms) are owed
        int32_t early, longest;
        bool due;
        int32_t wait;
    };
    const Case cases[] = {
        {"on time, one period", 30000, 0, 1, false, 20000},
        {"three periods early allowed: due", 30000, 3, 4, true, 30001},
        {"just inside the early limit", 1, 3, 4, true, 59000 + 1000},
        {"exactly the early limit: not yet", 0, 3, 4, false, 60001},
        {"a sleep stops at the longest", 0, 1, 2, false, 40000},
    };
    static Machine m;
    m.counter = 103;
    m.scounter = 0;
    m.synccounter = 100;
    const timeval synctime{1000, 0};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        timeval now = plus_micros(synctime, c.elapsed);
        EXPECT_EQ(frame_due(&m, 0, &now, &synctime, c.early), c.due);
        EXPECT_EQ(frame_wait_micros(&m, 0, &now, &synctime, c.longest), c.wait);
    }
}

// The paced loop's passes over a second of simulated time: how often it wakes, and that no
// frame runs later than its time or earlier than the wake-up it belongs to allows.
TEST(Pacing, AStillPictureWakesTheLoopForEveryFourthFrame) {
    struct Case {
        const char *what;
        uint8_t busy;     // which frames draw, by frame number modulo 8
        uint8_t events;   // which frames an event comes before, likewise
        int wake_ups;     // a second long
    };
    const Case cases[] = {
        {"still", 0x00, 0x00, 12},
        {"a cursor blinking once in eight frames is still", 0x01, 0x00, 12},
        {"moving", 0xFF, 0x00, 50},
        {"two frames in eight drawn", 0x11, 0x00, 50},
        {"the user pressing keys", 0x00, 0x22, 50},
    };
    static Machine m;
    const timeval synctime{1000, 0};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        m.counter = 0;
        m.scounter = -100;  // the sound consumer far behind: the wall rule alone
        m.synccounter = 0;
        Doze doze{0, 0};
        int64_t t = 1;  // microseconds since the resync: frame 0 just due
        int wake_ups = 0;  // sleeps ended while frames 50 to 99 ran: a second in steady state
        while (m.counter < 100) {
            timeval now = plus_micros(synctime, t);
            if (doze_frame_due(&doze, &m, 0, &now, &synctime)) {
                int64_t due = int64_t(m.counter) * kFrameMicros;
                ASSERT_GT(t, due - (kDozeFrames - 1) * kFrameMicros) << m.counter;
                ASSERT_LT(t, due + kFrameMicros) << m.counter << " ran late";
                bool event = c.events >> (m.counter % 8) & 1;
                if (event) doze_wake(&doze);
                doze_note(&doze, event || (c.busy >> (m.counter % 8) & 1));
                m.counter++;
            }
            int32_t wait = doze_wait_micros(&doze, &m, 0, &now, &synctime);
            if (wait && m.counter >= 50 && m.counter < 100) wake_ups++;
            t += wait;
        }
        EXPECT_EQ(wake_ups, c.wake_ups);
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
