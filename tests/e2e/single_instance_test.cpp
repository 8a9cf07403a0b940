// One program at a time: a second start while the first runs is refused and harms nothing.
#include "e2e_session.h"

namespace {

// Both FLASH phases of the pattern seen from now on: the machine is running.
bool keeps_running(Session *run, double seconds) {
    bool seen[2] = {false, false};
    Image img;
    return wait_until(seconds, [&] {
        if (!run->shot(&img)) return false;
        int phase = pattern_phase(img);
        if (phase >= 0) seen[phase] = true;
        return seen[0] && seen[1];
    });
}

TEST_F(EndToEnd, ASecondStartIsRefusedWhileTheFirstRuns) {
    copy_file(TEST_ROM, run.dir.file("spectrum.rom"));
    run.start(TAVISK_BIN);
    Image img;
    ASSERT_TRUE(wait_for_pattern(120, &img)) << "the first run did not start";

    // The same user starts it again, from the same folder.
    Child second;
    double started = now_seconds();
    spawn(&second, {TAVISK_BIN}, run.dir.path, run.env(), run.dir.file("stdout2.txt"),
          run.dir.file("stderr2.txt"));
    ASSERT_TRUE(second.wait_exit(60)) << "the second start did not end";
    double took = now_seconds() - started;
    ASSERT_TRUE(WIFEXITED(second.status));
    EXPECT_EQ(WEXITSTATUS(second.status), 1);
    EXPECT_EQ(read_file(run.dir.file("stderr2.txt")), "Tavisk is already running\n");
    EXPECT_EQ(read_file(run.dir.file("stdout2.txt")), "");
    std::printf("the second start ended after %.2f s\n", took);

    // The first goes on unharmed: its picture whole, its machine running.
    EXPECT_TRUE(run.program.running());
    ASSERT_TRUE(run.shot(&img));
    EXPECT_GE(pattern_phase(img), 0) << "the picture was touched";
    EXPECT_TRUE(keeps_running(&run, 60)) << "the first run stopped";

    // Killed outright, the first leaves its lock file behind; it blocks no later start.
    run.program.signal(SIGKILL);
    ASSERT_TRUE(run.program.wait_exit(30));
    run.start(TAVISK_BIN);
    ASSERT_TRUE(wait_for_pattern(120, &img)) << "a start after a killed run was refused";
    EXPECT_EQ(read_file(run.dir.file("stderr.txt")).find("already running"), std::string::npos);
    if (HasFailure()) run.keep_evidence();
}

}  // namespace
