// The rewind ring over long runs: which state each choice goes back to, the oldest dropped
// once the ring is full, and a state put back exactly as it was taken.
#include <gtest/gtest.h>

#include <cstring>

#include "saves/rewind_ring.h"
#include "snapshot/snapshot_fixture.h"

namespace {

// A machine that writes its frame number into RAM and a register: what it runs after a
// state shows which state was put back.
struct Rig {
    RewindRing ring;
    TapeDeck deck;
    Autostart autostart;
    RewindSubject subject;
};

void run_frames(Rig *rig, int frames) {
    Machine *m = rig->subject.m;
    for (int k = 0; k < frames; k++) {
        int64_t frame = rig->ring.frames + 1;
        std::memcpy(m->ram + 0x8000, &frame, sizeof frame);
        m->ix = uint16_t(frame);
        m->iff2 = uint8_t(frame & 1);  // a .sna would not keep it apart from IFF1
        rewind_after_frame(&rig->ring, &rig->subject);
    }
}

int64_t frame_in(const Machine *m) {
    int64_t frame;
    std::memcpy(&frame, m->ram + 0x8000, sizeof frame);
    return frame;
}

TEST(RewindRing, EachChoiceGoesBackToTheNewestStateThatOld) {
    struct Case {
        int frames;      // run from the start
        int seconds;     // asked
        int64_t found;   // the frame whose state it goes back to, -1: not offered
    };
    // States are taken after frame 1, then every 50 frames; the ring holds 61.
    const Case cases[] = {
        {200, 5, -1},          // 4 s run: not that far yet
        {300, 5, 1},           // the first state, 5.98 s old
        {4000, 5, 3701},       // a minute and a bit: every choice offered
        {4000, 30, 2451},
        {4000, 60, 951},       // the oldest kept
        {4000, 61, -1},        // what is older is gone
        {30000, 60, 26951},    // long after the ring went round
    };
    static Rig rig;
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.frames) + " frames, " + std::to_string(c.seconds) + " s");
        Machine *m = fresh_machine();
        set_regs(m, kSampleRegs);
        rig.deck = TapeDeck{};
        rig.autostart = Autostart{};
        rig.subject = {m, &rig.deck, &rig.autostart};
        rig.ring.frames = 0;
        rewind_clear(&rig.ring);
        run_frames(&rig, c.frames);
        const RewindState *state = rewind_find(&rig.ring, c.seconds);
        ASSERT_EQ(state ? state->frame : -1, c.found);
        if (!state) continue;

        // Put back: the machine as it was after that frame, the ring's clock with it, and
        // the states newer than it gone.
        Regs taken = regs_of(m);
        taken.ix = uint16_t(c.found);
        taken.iff2 = uint8_t(c.found & 1);
        ASSERT_EQ(rewind_to(&rig.ring, state, &rig.subject), 0);
        EXPECT_EQ(frame_in(m), c.found);
        EXPECT_EQ(regs_of(m), taken);
        EXPECT_EQ(rig.ring.frames, c.found);
        EXPECT_EQ(rewind_find(&rig.ring, 0), state);
        run_frames(&rig, 50);
        EXPECT_EQ(rewind_find(&rig.ring, 0)->frame, c.found + 50) << "not taken on from there";
    }
}

}  // namespace
