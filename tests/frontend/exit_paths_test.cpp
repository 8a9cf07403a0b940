// The ways the program ends: the exit sequence once, the hang-up signals, and the status
// line once the screen is gone.
#include <signal.h>

#include <filesystem>

#include "display/status_text.h"
#include "front_end_rig.h"
#include "frontend/exit_signals.h"
#include "frontend/frame_loop.h"
#include "frontend/status_line.h"

namespace {

class ExitPaths : public FrontEndRig {};

TEST_F(ExitPaths, ExitSequenceRunsOnce) {
    testing::internal::CaptureStdout();
    exit_sequence(fe);
    ASSERT_TRUE(std::filesystem::exists("tmp.sna"));
    std::filesystem::remove("tmp.sna");
    exit_sequence(fe);
    EXPECT_FALSE(std::filesystem::exists("tmp.sna"));
    std::string out = testing::internal::GetCapturedStdout();
    // One statistics line, from the first call.
    EXPECT_EQ(out.rfind("counter=", 0), 0u) << out;
    EXPECT_EQ(out.find("sndwrite="), out.rfind("sndwrite=")) << out;
}

TEST_F(ExitPaths, StatusLineWithoutAScreenOnlyWrites) {
    for (int i = 0; i < 800 * 480; i++) m->pixels[i] = 0x1234;
    uint16_t *pixels = m->pixels;
    m->surface = nullptr;
    testing::internal::CaptureStderr();
    status_say(m, "Couldn't save tmp.sna");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Couldn't save tmp.sna\n");
    EXPECT_EQ(pixels[kStatusX + 800 * kStatusY], 0x1234);
    m->surface = surface;
}

void quit_handler(int) {}
void other_handler(int) {}

using Handler = void (*)(int);

Handler handler_of(int sig) {
    struct sigaction a;
    sigaction(sig, nullptr, &a);
    return a.sa_handler;
}

void set_handler(int sig, Handler h) {
    struct sigaction a = {};
    a.sa_handler = h;
    sigaction(sig, &a, nullptr);
}

TEST(HangupSignals, TakeTheQuitHandlerOfSigtermUnlessIgnored) {
    struct Case {
        Handler term, hup, quit;        // before
        Handler hup_after, quit_after;  // after
    };
    const Case cases[] = {
        {quit_handler, SIG_DFL, other_handler, quit_handler, quit_handler},
        {quit_handler, SIG_IGN, SIG_DFL, SIG_IGN, quit_handler},
        {SIG_DFL, SIG_DFL, other_handler, SIG_DFL, other_handler},
        {SIG_IGN, SIG_DFL, SIG_DFL, SIG_DFL, SIG_DFL},
    };
    struct sigaction saved[3];
    const int sigs[3] = {SIGTERM, SIGHUP, SIGQUIT};
    for (int i = 0; i < 3; i++) sigaction(sigs[i], nullptr, &saved[i]);
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(n++);
        set_handler(SIGTERM, c.term);
        set_handler(SIGHUP, c.hup);
        set_handler(SIGQUIT, c.quit);
        quit_on_hangup_signals();
        EXPECT_EQ(handler_of(SIGHUP), c.hup_after);
        EXPECT_EQ(handler_of(SIGQUIT), c.quit_after);
        EXPECT_EQ(handler_of(SIGTERM), c.term);
    }
    for (int i = 0; i < 3; i++) sigaction(sigs[i], &saved[i], nullptr);
}

}  // namespace
