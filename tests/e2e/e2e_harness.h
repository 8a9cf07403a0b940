// What the end-to-end tests need around the real program: a private folder, a private
// X server, child processes that cannot outlive the test, screenshots and the disk-audio
// capture.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

// A fresh folder under /tmp; removed at the end unless keep is set (then its path is
// printed so that a failure can be inspected).
struct TempDir {
    std::string path;
    bool keep = false;
    TempDir();
    ~TempDir();
    std::string file(const std::string &name) const { return path + "/" + name; }
};

// A child process, killed and reaped at the latest when this goes out of scope.
struct Child {
    pid_t pid = -1;
    int status = -1;  // wait status once reaped
    ~Child();
    bool running();
    // Waits for the exit; false when the deadline passes first.
    bool wait_exit(double seconds);
    void signal(int sig);
};

// The user's places of a program run in folder dir, made under dir/user: its own
// XDG_RUNTIME_DIR, XDG_CONFIG_HOME, XDG_DATA_HOME and HOME, as "NAME=value" entries.
std::vector<std::string> user_places(const std::string &dir);

// Starts argv[0] in dir with the extra environment entries ("NAME=value"; "NAME=" removes
// NAME), standard output and error into the named files (empty: /dev/null). A child given a
// folder gets that folder's user places first (the entries may override them), so that runs
// in parallel never share a lock, a key map or a save, and none writes into the real home.
void spawn(Child *child, const std::vector<std::string> &argv, const std::string &dir,
           const std::vector<std::string> &env, const std::string &out, const std::string &err);

// Its own Xvfb at 800x480x16 on a display number the server picks; ready when started.
struct XServer {
    Child child;
    int display = -1;
    // False when the server did not report readiness in time.
    bool start(double seconds);
    std::string name() const { return ":" + std::to_string(display); }
    ~XServer();
};

struct Image {
    int width = 0, height = 0;
    std::vector<uint16_t> pixels;  // RGB565, row after row
    uint16_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

// xwd of the root window into path, then read. False, with the reason, on failure.
bool screenshot(const XServer &x, const std::string &path, Image *image, std::string *why);
// The same picture as a PNG next to it, for a person looking into a failure.
void save_png(const std::string &xwd_path);

std::string read_file(const std::string &path);
void copy_file(const std::string &from, const std::string &to);
double now_seconds();
void sleep_seconds(double s);

// Runs /usr/bin/xdotool with args against the server, as a user's input would arrive.
// Its exit status, or -1 when it did not end within the deadline (it is then killed).
int xdotool(const XServer &x, const std::vector<std::string> &args, double seconds = 60);
