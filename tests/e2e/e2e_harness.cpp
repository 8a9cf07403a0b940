#include "e2e_harness.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

double now_seconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void sleep_seconds(double s) { std::this_thread::sleep_for(std::chrono::duration<double>(s)); }

TempDir::TempDir() {
    char templ[] = "/tmp/tavisk-e2e-XXXXXX";
    if (mkdtemp(templ)) path = templ;
}

TempDir::~TempDir() {
    if (path.empty()) return;
    if (keep) {
        std::fprintf(stderr, "test folder kept: %s\n", path.c_str());
        return;
    }
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

Child::~Child() {
    if (pid > 0 && running()) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
}

bool Child::running() {
    if (pid <= 0) return false;
    if (status != -1) return false;
    int st;
    pid_t r = waitpid(pid, &st, WNOHANG);
    if (r == pid) {
        status = st;
        return false;
    }
    return r == 0;
}

bool Child::wait_exit(double seconds) {
    double deadline = now_seconds() + seconds;
    while (running()) {
        if (now_seconds() > deadline) return false;
        sleep_seconds(0.01);
    }
    return true;
}

void Child::signal(int sig) {
    if (running()) kill(pid, sig);
}

namespace {

void exec_child(const std::vector<std::string> &argv, const std::string &dir,
                const std::vector<std::string> &env, const std::string &out,
                const std::string &err, int keep_fd) {
    // Dies with the test, whatever happens to it.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() == 1) _exit(127);
    if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(127);
    for (const std::string &e : env) {
        size_t eq = e.find('=');
        std::string name = e.substr(0, eq), value = e.substr(eq + 1);
        if (value.empty())
            unsetenv(name.c_str());
        else
            setenv(name.c_str(), value.c_str(), 1);
    }
    int o = open(out.empty() ? "/dev/null" : out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int e = open(err.empty() ? "/dev/null" : err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int in = open("/dev/null", O_RDONLY);
    if (o < 0 || e < 0 || in < 0) _exit(127);
    dup2(in, 0);
    dup2(o, 1);
    dup2(e, 2);
    for (int fd = 3; fd < 1024; fd++)
        if (fd != keep_fd) close(fd);
    std::vector<char *> args;
    for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
}

void spawn_keeping(Child *child, const std::vector<std::string> &argv, const std::string &dir,
                   const std::vector<std::string> &env, const std::string &out,
                   const std::string &err, int keep_fd) {
    // The caller's entries come after the folder's places, so that they win.
    std::vector<std::string> entries = dir.empty() ? std::vector<std::string>{} : user_places(dir);
    entries.insert(entries.end(), env.begin(), env.end());
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) exec_child(argv, dir, entries, out, err, keep_fd);
    child->pid = pid;
    child->status = -1;
}

uint32_t be32(const std::string &s, size_t at) {
    return uint32_t(uint8_t(s[at])) << 24 | uint32_t(uint8_t(s[at + 1])) << 16 |
           uint32_t(uint8_t(s[at + 2])) << 8 | uint32_t(uint8_t(s[at + 3]));
}

}  // namespace

std::vector<std::string> user_places(const std::string &dir) {
    struct Place {
        const char *variable, *folder;
    };
    static const Place kPlaces[] = {{"XDG_RUNTIME_DIR", "run"},
                                    {"XDG_CONFIG_HOME", "config"},
                                    {"XDG_DATA_HOME", "data"},
                                    {"HOME", "home"}};
    std::vector<std::string> entries;
    for (const Place &p : kPlaces) {
        std::string folder = dir + "/user/" + p.folder;
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        // A runtime folder is its user's alone.
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ec);
        entries.push_back(std::string(p.variable) + "=" + folder);
    }
    return entries;
}

void spawn(Child *child, const std::vector<std::string> &argv, const std::string &dir,
           const std::vector<std::string> &env, const std::string &out, const std::string &err) {
    spawn_keeping(child, argv, dir, env, out, err, -1);
}

bool XServer::start(double seconds) {
    int fds[2];
    if (pipe(fds) != 0) return false;
    // The server writes its display number to the pipe once it accepts connections.
    spawn_keeping(&child,
                  {"/usr/bin/Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                   "800x480x16", "-noreset", "-nolisten", "tcp"},
                  "", {}, "", "", fds[1]);
    close(fds[1]);
    std::string got;
    double deadline = now_seconds() + seconds;
    while (got.find('\n') == std::string::npos && now_seconds() < deadline) {
        pollfd p = {fds[0], POLLIN, 0};
        if (poll(&p, 1, 100) > 0) {
            char buf[32];
            ssize_t n = read(fds[0], buf, sizeof buf);
            if (n <= 0) break;
            got.append(buf, size_t(n));
        }
    }
    close(fds[0]);
    if (got.find('\n') == std::string::npos) return false;
    display = std::atoi(got.c_str());
    return true;
}

XServer::~XServer() {
    child.signal(SIGTERM);
    if (!child.wait_exit(10)) child.signal(SIGKILL);
    child.wait_exit(10);
}

std::string read_file(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

void copy_file(const std::string &from, const std::string &to) {
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
}

bool screenshot(const XServer &x, const std::string &path, Image *image, std::string *why) {
    Child xwd;
    spawn(&xwd, {"/usr/bin/xwd", "-root", "-silent", "-display", x.name()}, "", {}, path, "");
    if (!xwd.wait_exit(60) || !WIFEXITED(xwd.status) || WEXITSTATUS(xwd.status) != 0) {
        *why = "xwd failed";
        return false;
    }
    std::string s = read_file(path);
    if (s.size() < 100) {
        *why = "short xwd file";
        return false;
    }
    uint32_t header = be32(s, 0), depth = be32(s, 12), width = be32(s, 16),
             height = be32(s, 20), order = be32(s, 28), bpp = be32(s, 44),
             line = be32(s, 48), ncolors = be32(s, 76);
    if (depth != 16 || bpp != 16) {
        *why = "not a 16-bit screen: depth " + std::to_string(depth);
        return false;
    }
    size_t data = size_t(header) + size_t(ncolors) * 12;
    if (s.size() < data + size_t(line) * height) {
        *why = "truncated xwd file";
        return false;
    }
    image->width = int(width);
    image->height = int(height);
    image->pixels.resize(size_t(width) * height);
    for (uint32_t y = 0; y < height; y++)
        for (uint32_t px = 0; px < width; px++) {
            uint8_t b0 = uint8_t(s[data + size_t(y) * line + 2 * px]);
            uint8_t b1 = uint8_t(s[data + size_t(y) * line + 2 * px + 1]);
            image->pixels[size_t(y) * width + px] =
                order == 0 ? uint16_t(b0 | b1 << 8) : uint16_t(b0 << 8 | b1);
        }
    return true;
}

void save_png(const std::string &xwd_path) {
    Child convert;
    spawn(&convert, {"/usr/bin/convert", "xwd:" + xwd_path, "png:" + xwd_path + ".png"}, "", {},
          "", "");
    convert.wait_exit(60);
}

int xdotool(const XServer &x, const std::vector<std::string> &args, double seconds) {
    std::vector<std::string> argv = {"/usr/bin/xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    Child tool;
    spawn(&tool, argv, "", {"DISPLAY=" + x.name()}, "", "");
    if (!tool.wait_exit(seconds) || !WIFEXITED(tool.status)) return -1;
    return WEXITSTATUS(tool.status);
}
