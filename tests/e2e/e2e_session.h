// What every end-to-end test shares: the pattern ROM's picture, the captured sound, polling
// with a deadline, and a session of the real program in its own folder and X server.
#pragma once

#include <SDL/SDL.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>

#include "display/control_panel.h"
#include "display/status_text.h"
#include "e2e_harness.h"
#include "screen_surface.h"

constexpr int kSpecY = 50;
constexpr int kChunk = 441;  // one device buffer, one ring frame
constexpr uint8_t kPausedSilence = 0x80;

inline const uint16_t kColours[16] = {0x0000, 0x0018, 0xC000, 0xC018, 0x0600, 0x0618,
                                      0xC600, 0xC618, 0x0000, 0x001F, 0xF800, 0xF81F,
                                      0x07E0, 0x07FF, 0xFFE0, 0xFFFF};

// The test ROM's screen, Spectrum pixel (x, y), with FLASH cells inverted when phase is 1.
inline uint16_t pattern_pixel(int x, int y, int phase) {
    int c = x / 8;
    int o = ((y & 0xC0) << 5) + ((y & 0x07) << 8) + ((y & 0x38) << 2) + c;
    uint8_t byte = uint8_t((o & 0xFF) ^ (0x40 + (o >> 8)));
    uint8_t a = uint8_t((32 * (y / 8) + c) & 0xFF);
    int bright = (a & 0x40) ? 8 : 0;
    int ink = (a & 7) + bright, paper = ((a >> 3) & 7) + bright;
    if ((a & 0x80) && phase) std::swap(ink, paper);
    return kColours[(byte >> (7 - x % 8)) & 1 ? ink : paper];
}

// Mismatching pixels of the 512x384 area against the pattern in the given phase.
inline int pattern_mismatches(const Image &img, int phase) {
    int wrong = 0;
    for (int y = 0; y < 384; y++)
        for (int x = 0; x < 512; x++)
            wrong += img.at(x, kSpecY + y) != pattern_pixel(x / 2, y / 2, phase);
    return wrong;
}

// 0 or 1: the FLASH phase the area shows exactly; -1: it is not the pattern.
inline int pattern_phase(const Image &img) {
    if (pattern_mismatches(img, 0) == 0) return 0;
    if (pattern_mismatches(img, 1) == 0) return 1;
    return -1;
}

inline bool in_frame_count(int x, int y) { return x >= 640 && x < 690 && y >= 62 && y < 72; }

// The 441-byte device buffers of the capture that carry ring data rather than the
// silence SDL writes while the device is paused.
inline std::vector<std::string> played_chunks(const std::string &audio) {
    std::vector<std::string> chunks;
    for (size_t at = 0; at + kChunk <= audio.size(); at += kChunk) {
        std::string c = audio.substr(at, kChunk);
        if (c != std::string(kChunk, char(kPausedSilence))) chunks.push_back(c);
    }
    return chunks;
}

inline int tone_chunks(const std::string &audio) {
    int n = 0;
    for (const std::string &c : played_chunks(audio)) n += c.find(char(64)) != std::string::npos;
    return n;
}

// Leak checking for the sanitized program, with the one leak of libX11 it cannot avoid
// suppressed (see lsan.supp): whole allocation stacks so that the suppression can name the
// function, as libX11 has no frame pointers.
inline const std::string kLeakCheckOptions = "ASAN_OPTIONS=fast_unwind_on_malloc=0";
inline const std::string kLeakSuppressions = "LSAN_OPTIONS=suppressions=" LSAN_SUPPRESSIONS;

inline bool wait_until(double seconds, const std::function<bool()> &done) {
    double deadline = now_seconds() + seconds;
    while (now_seconds() < deadline) {
        if (done()) return true;
        sleep_seconds(0.05);
    }
    return done();
}

// What the program should show, drawn by its own drawing code into a software surface of
// the screen's shape.
struct Canvas {
    SDL_Surface *surface = nullptr;
    Machine *m = nullptr;
    bool open() {
        // Only for SDL's rectangle calls on the software surface; the program has its own.
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        if (SDL_Init(SDL_INIT_VIDEO) != 0) return false;
        static Machine machine;
        m = &machine;
        surface = attach_screen_surface(m);
        return surface != nullptr;
    }
    ~Canvas() {
        if (surface) SDL_FreeSurface(surface);
        SDL_Quit();
    }
    uint16_t at(int x, int y) const { return m->pixels[x + 800 * y]; }
    // The screen's status line shows text exactly as the program draws it.
    bool status_shows(const Image &img, const std::string &text) {
        draw_status_text(m, text.c_str());
        return same_area(img, kStatusX, kStatusY, kStatusWidth, kStatusHeight);
    }
    // The tape deck's area as the program draws it: black without a tape (shown false),
    // otherwise the buttons, offering STOP or PLAY.
    bool deck_shows(const Image &img, bool shown, bool stop) {
        draw_deck(m, shown, stop);
        return same_area(img, kDeckAreaX, kDeckAreaY, kDeckAreaWidth, kDeckAreaHeight);
    }
    bool same_area(const Image &img, int x0, int y0, int w, int h) const {
        for (int y = y0; y < y0 + h; y++)
            for (int x = x0; x < x0 + w; x++)
                if (img.at(x, y) != at(x, y)) return false;
        return true;
    }
};

struct Session {
    TempDir dir;
    XServer x;
    Child program;

    std::vector<std::string> env() const {
        return {"DISPLAY=" + x.name(),
                "SDL_AUDIODRIVER=disk",
                "SDL_DISKAUDIOFILE=" + dir.file("audio.raw"),
                "SDL_DISKAUDIODELAY=20",
                "SDL_VIDEODRIVER=",
                kLeakCheckOptions,
                kLeakSuppressions};
    }
    void start(const std::string &binary, const std::vector<std::string> &args = {}) {
        std::vector<std::string> argv = {binary};
        argv.insert(argv.end(), args.begin(), args.end());
        std::remove(dir.file("audio.raw").c_str());
        spawn(&program, argv, dir.path, env(), dir.file("stdout.txt"), dir.file("stderr.txt"));
    }
    void stop() {
        program.signal(SIGTERM);
        if (!program.wait_exit(30)) program.signal(SIGKILL);
        program.wait_exit(30);
    }
    bool shot(Image *img, const std::string &name = "screen.xwd") {
        std::string why;
        bool ok = screenshot(x, dir.file(name), img, &why);
        if (!ok) ADD_FAILURE() << why;
        return ok;
    }
    // A picture for whoever looks into a failure, and the folder kept.
    void keep_evidence(const std::string &name = "screen.xwd") {
        save_png(dir.file(name));
        dir.keep = true;
    }
    std::string audio() const { return read_file(dir.file("audio.raw")); }
};

class EndToEnd : public testing::Test {
   protected:
    Session run;
    void SetUp() override {
        ASSERT_FALSE(run.dir.path.empty());
        ASSERT_TRUE(run.x.start(60)) << "Xvfb did not start";
    }
    void TearDown() override {
        run.stop();
        if (HasFailure()) run.dir.keep = true;
    }
    // Screenshots until the area is the pattern in either phase.
    bool wait_for_pattern(double seconds, Image *img) {
        return wait_until(seconds, [&] { return run.shot(img) && pattern_phase(*img) >= 0; });
    }
};
