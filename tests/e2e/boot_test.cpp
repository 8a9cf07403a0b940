// Start-up under a real X server: finding the ROM, the picture, the beeper, the pace.
#include "e2e_session.h"

namespace {

TEST_F(EndToEnd, NoRomMeansNoEmulator) {
    // The probe build looks for its data-directory ROM under the working directory, which
    // holds nothing here; no display is reachable either, so any SDL call would fail loudly.
    std::vector<std::string> env = {"DISPLAY=:nothing", kLeakCheckOptions, kLeakSuppressions};
    spawn(&run.program, {TAVISK_PROBE_BIN}, run.dir.path, env, run.dir.file("stdout.txt"),
          run.dir.file("stderr.txt"));
    ASSERT_TRUE(run.program.wait_exit(60));
    ASSERT_TRUE(WIFEXITED(run.program.status));
    EXPECT_EQ(WEXITSTATUS(run.program.status), 1);
    EXPECT_EQ(read_file(run.dir.file("stderr.txt")), "No rom, no emu.\n");
    EXPECT_EQ(read_file(run.dir.file("stdout.txt")), "");
    EXPECT_FALSE(std::filesystem::exists(run.dir.file("tmp.sna")));
}

TEST_F(EndToEnd, NoDisplayIsReportedAndEndsWithStatusOne) {
    // A ROM is there, but no X server answers: SDL cannot start its video.
    copy_file(TEST_ROM, run.dir.file("spectrum.rom"));
    std::vector<std::string> env = {"DISPLAY=:nothing", "SDL_VIDEODRIVER=x11", kLeakCheckOptions,
                                    kLeakSuppressions};
    spawn(&run.program, {TAVISK_BIN}, run.dir.path, env, run.dir.file("stdout.txt"),
          run.dir.file("stderr.txt"));
    ASSERT_TRUE(run.program.wait_exit(60));
    ASSERT_TRUE(WIFEXITED(run.program.status));
    EXPECT_EQ(WEXITSTATUS(run.program.status), 1);
    std::string err = read_file(run.dir.file("stderr.txt"));
    EXPECT_EQ(err.rfind("SDL_Init: ", 0), 0u) << err;
    EXPECT_GT(err.size(), std::string("SDL_Init: \n").size()) << "no reason given";
    EXPECT_EQ(read_file(run.dir.file("stdout.txt")), "");
    EXPECT_FALSE(std::filesystem::exists(run.dir.file("tmp.sna")));
}

TEST_F(EndToEnd, WorkingDirectoryRomWinsOverDataDirectory) {
    std::filesystem::create_directories(run.dir.file("datadir/roms"));
    Image img;

    // Only the data directory holds the pattern ROM: it is found there.
    copy_file(TEST_ROM, run.dir.file("datadir/roms/spectrum.rom"));
    run.start(TAVISK_PROBE_BIN);
    if (!wait_for_pattern(90, &img)) {
        run.keep_evidence();
        FAIL() << "the data-directory ROM was not run";
    }
    run.stop();

    // Both places hold a ROM: the working directory's pattern ROM, not the blank one, runs.
    copy_file(BLANK_ROM, run.dir.file("datadir/roms/spectrum.rom"));
    copy_file(TEST_ROM, run.dir.file("spectrum.rom"));
    run.start(TAVISK_PROBE_BIN);
    if (!wait_for_pattern(90, &img)) {
        run.keep_evidence();
        FAIL() << "the working-directory ROM did not win";
    }
    run.stop();

    // And the other way round: the blank ROM in the working directory wins, so the pattern
    // stays away even once the program plays its tone.
    copy_file(TEST_ROM, run.dir.file("datadir/roms/spectrum.rom"));
    copy_file(BLANK_ROM, run.dir.file("spectrum.rom"));
    run.start(TAVISK_PROBE_BIN);
    ASSERT_TRUE(wait_until(90, [&] { return tone_chunks(run.audio()) >= 10; }));
    ASSERT_TRUE(run.shot(&img));
    EXPECT_EQ(pattern_phase(img), -1);
    for (int y = 0; y < 384; y += 7)
        for (int x = 0; x < 512; x += 5) ASSERT_EQ(img.at(x, kSpecY + y), 0) << x << "," << y;
}

TEST_F(EndToEnd, TestRomScreenIsThePatternAndNothingElse) {
    // What the program draws outside the Spectrum area when that area stays black.
    copy_file(BLANK_ROM, run.dir.file("spectrum.rom"));
    run.start(TAVISK_BIN);
    ASSERT_TRUE(wait_until(90, [&] { return tone_chunks(run.audio()) >= 10; }))
        << "the blank ROM never played";
    Image reference;
    ASSERT_TRUE(run.shot(&reference, "reference.xwd"));
    run.stop();
    // The start after an exit offers to continue on the status line; this one starts afresh.
    std::filesystem::remove(run.dir.file("user/data/tavisk/last"));

    copy_file(TEST_ROM, run.dir.file("spectrum.rom"));
    run.start(TAVISK_BIN);
    Image img;
    if (!wait_for_pattern(90, &img)) {
        run.keep_evidence();
        FAIL() << "pattern never shown; mismatches " << pattern_mismatches(img, 0) << " / "
               << pattern_mismatches(img, 1);
    }
    // Every later picture is the pattern too, and FLASH shows both of its phases.
    bool seen[2] = {false, false};
    int shots = 0;
    bool steady = wait_until(90, [&] {
        if (!run.shot(&img)) return true;
        shots++;
        int phase = pattern_phase(img);
        if (phase < 0) return true;
        seen[phase] = true;
        return seen[0] && seen[1];
    });
    if (!steady || pattern_phase(img) < 0) run.keep_evidence();
    ASSERT_TRUE(steady);
    ASSERT_GE(pattern_phase(img), 0) << "picture changed away from the pattern";
    EXPECT_TRUE(seen[0] && seen[1]) << "one FLASH phase only, in " << shots << " pictures";

    int changed = 0, strips = 0;
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 800; x++) {
            if (x < 512 && y >= kSpecY && y < kSpecY + 384) continue;
            if (in_frame_count(x, y)) continue;
            changed += img.at(x, y) != reference.at(x, y);
            if (x < 512) strips += img.at(x, y) != 0;
        }
    EXPECT_EQ(changed, 0) << "pixels outside the Spectrum area depend on the Spectrum screen";
    EXPECT_EQ(strips, 0) << "the strips above and below the Spectrum area are not black";
    if (HasFailure()) run.keep_evidence();
}

TEST_F(EndToEnd, TestRomBeeperIsA32EdgeSquareWavePerFrame) {
    copy_file(TEST_ROM, run.dir.file("spectrum.rom"));
    run.start(TAVISK_BIN);
    ASSERT_TRUE(wait_until(120, [&] { return tone_chunks(run.audio()) >= 150; }))
        << "fewer than 150 sound frames of tone";
    run.stop();
    std::vector<std::string> chunks = played_chunks(run.audio());

    // The ROM's loop is locked to the frame interrupt, so every frame of tone is the same.
    std::map<std::string, int> counts;
    int tone = 0;
    for (const std::string &c : chunks)
        if (c.find(char(64)) != std::string::npos) {
            counts[c]++;
            tone++;
        }
    auto modal = counts.begin();
    for (auto it = counts.begin(); it != counts.end(); ++it)
        if (it->second > modal->second) modal = it;
    ASSERT_NE(modal, counts.end());
    const std::string &frame = modal->first;
    // A loaded machine may let the player catch up with a frame now and then.
    EXPECT_GE(modal->second, tone * 9 / 10) << "tone frames differ from each other";

    int high = 0, edges = 0, shortest = kChunk, longest = 0, run_length = 0;
    for (int i = 0; i < kChunk; i++) {
        uint8_t v = uint8_t(frame[i]);
        ASSERT_TRUE(v == 0 || v == 64) << "sample " << int(v) << " at " << i;
        high += v == 64;
    }
    // Edges of the frame repeated end to end; the runs between them are the half periods.
    int first_edge = -1;
    for (int i = 1; i <= kChunk; i++)
        if (frame[i % kChunk] != frame[i - 1]) {
            if (first_edge >= 0) {
                shortest = std::min(shortest, i - first_edge - run_length);
                longest = std::max(longest, i - first_edge - run_length);
            }
            run_length = first_edge >= 0 ? i - first_edge : 0;
            if (first_edge < 0) first_edge = i;
            edges++;
        }
    // 32 writes 2097 T-states apart, 158.731 T-states a sample: half periods of 13.2 samples,
    // the last one of the frame stretched to the next interrupt.
    EXPECT_EQ(edges, 32);
    EXPECT_GE(shortest, 13);
    EXPECT_LE(longest, 40);
    EXPECT_NEAR(high, kChunk / 2, 30) << "duty cycle";
    int halves13or14 = 0;
    for (int i = 0, start = 0; i < kChunk; i++)
        if (i > 0 && frame[i] != frame[i - 1]) {
            int len = i - start;
            halves13or14 += (len == 13 || len == 14);
            start = i;
        }
    EXPECT_GE(halves13or14, 28);
}

TEST_F(EndToEnd, OpenSeRomBootsToItsStartScreen) {
    ASSERT_TRUE(std::filesystem::exists(OPENSE_ROM)) << OPENSE_ROM;
    std::filesystem::create_symlink(OPENSE_ROM, run.dir.file("spectrum.rom"));
    run.start(TAVISK_BIN);
    sleep_seconds(3);
    Image img;
    int white = 0, black = 0;
    bool booted = wait_until(90, [&] {
        if (!run.shot(&img)) return true;
        white = black = 0;
        for (int y = 0; y < 384; y++)
            for (int x = 0; x < 512; x++) {
                uint16_t p = img.at(x, kSpecY + y);
                white += p == 0xC618;
                black += p == 0x0000;
            }
        // White paper with black text: the copyright line at the bottom.
        return white > 512 * 384 * 3 / 4 && black > 500;
    });
    if (!booted) run.keep_evidence();
    EXPECT_TRUE(booted) << "white " << white << ", black " << black;
}

TEST_F(EndToEnd, SigtermPrintsStatisticsAt50FramesPerSecond) {
    copy_file(TEST_ROM, run.dir.file("spectrum.rom"));
    double spawned = now_seconds();
    run.start(TAVISK_BIN);
    ASSERT_TRUE(wait_until(90, [&] { return tone_chunks(run.audio()) >= 1; }));
    double ready = now_seconds();
    sleep_seconds(4);
    double term = now_seconds();
    run.program.signal(SIGTERM);
    ASSERT_TRUE(run.program.wait_exit(60)) << "no exit after SIGTERM";
    ASSERT_TRUE(WIFEXITED(run.program.status));
    EXPECT_EQ(WEXITSTATUS(run.program.status), 0);

    std::string out = read_file(run.dir.file("stdout.txt"));
    int counter = -1, scounter = -1, sndread = -1, sndwrite = -1, used = 0;
    ASSERT_EQ(std::sscanf(out.c_str(), "counter=%d\n scounter=%d\n sndread=%d\n sndwrite=%d\n%n",
                          &counter, &scounter, &sndread, &sndwrite, &used),
              4)
        << out;
    EXPECT_EQ(size_t(used), out.size()) << out;
    EXPECT_EQ(out.rfind("counter=", 0), 0u);
    // The loop started between the spawn and the first tone.
    EXPECT_GE(counter, 0.8 * 50 * (term - ready)) << out;
    EXPECT_LE(counter, 1.2 * 50 * (term - spawned)) << out;
    EXPECT_LE(scounter, counter);
    EXPECT_GT(scounter, 0);
    EXPECT_EQ(sndread, counter % 1600);
    EXPECT_EQ(sndwrite, 0);
    // The machine is saved on the way out.
    struct stat st;
    ASSERT_EQ(stat(run.dir.file("tmp.sna").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 49179);
}

}  // namespace
