// Shared by the snapshot tests: one machine, its register fields as a comparable value, and
// a temporary directory per test.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "machine/machine.h"

using Bytes = std::vector<uint8_t>;

// Every field a snapshot format carries.
struct Regs {
    uint8_t a, f, b, c, d, e, h, l, r;
    uint8_t alta, altf, altb, altc, altd, alte, alth, altl;
    uint8_t i, iff1, iff2, im, portfe;
    uint16_t pc, ix, iy, sp;
    bool operator==(const Regs &) const = default;
};

inline std::ostream &operator<<(std::ostream &os, const Regs &x) {
    os << std::hex << "a=" << +x.a << " f=" << +x.f << " bc=" << +x.b << "," << +x.c
       << " de=" << +x.d << "," << +x.e << " hl=" << +x.h << "," << +x.l << " r=" << +x.r
       << " a'=" << +x.alta << " f'=" << +x.altf << " bc'=" << +x.altb << "," << +x.altc
       << " de'=" << +x.altd << "," << +x.alte << " hl'=" << +x.alth << "," << +x.altl
       << " i=" << +x.i << " iff=" << +x.iff1 << "," << +x.iff2 << " im=" << +x.im
       << " portfe=" << +x.portfe << " pc=" << x.pc << " ix=" << x.ix << " iy=" << x.iy
       << " sp=" << x.sp << std::dec;
    return os;
}

inline Regs regs_of(const Machine *m) {
    return {m->a,    m->f,    m->b,    m->c,      m->d,    m->e,    m->h,    m->l,    m->r,
            m->alta, m->altf, m->altb, m->altc,   m->altd, m->alte, m->alth, m->altl, m->i,
            m->iff1, m->iff2, m->im,   m->portfe, m->pc,   m->ix,   m->iy,   m->sp};
}

inline void set_regs(Machine *m, const Regs &x) {
    m->a = x.a, m->f = x.f, m->b = x.b, m->c = x.c, m->d = x.d, m->e = x.e, m->h = x.h;
    m->l = x.l, m->r = x.r, m->alta = x.alta, m->altf = x.altf, m->altb = x.altb;
    m->altc = x.altc, m->altd = x.altd, m->alte = x.alte, m->alth = x.alth, m->altl = x.altl;
    m->i = x.i, m->iff1 = x.iff1, m->iff2 = x.iff2, m->im = x.im, m->portfe = x.portfe;
    m->pc = x.pc, m->ix = x.ix, m->iy = x.iy, m->sp = x.sp;
}

// Distinct values in every field, so that a field loaded from the wrong place shows.
constexpr Regs kSampleRegs = {0x11, 0xD7, 0x22, 0x33, 0x44,   0x55,   0x66,   0x77,  0xB5,
                              0x88, 0x99, 0xAA, 0xBB, 0xCC,   0xDD,   0xEE,   0xF1,  0x3F,
                              1,    1,    2,    0xF3, 0x9ABC, 0x1357, 0x2468, 0x8000};

inline uint8_t rom_byte(int a) { return uint8_t(a * 7 + 3); }

inline Machine g_machine;
inline uint8_t g_image[kMemorySize];

// The machine powered on with a patterned ROM, RAM filled with ram_fill and input fields that
// differ from their start values, so that a loader touching them shows.
inline Machine *fresh_machine(uint8_t ram_fill = 0x55) {
    for (int a = 0; a < kRomSize; a++) g_image[a] = rom_byte(a);
    machine_power_on(&g_machine, g_image);
    std::fill(g_machine.ram, g_machine.ram + kRamSize, ram_fill);
    for (int k = 0; k < 8; k++) g_machine.keyrows[k] = uint8_t(0xF0 + k);
    g_machine.joystick = 0x1A;
    g_machine.counter = 1234;
    g_machine.tstates = 70001;
    g_machine.sndread = 77;
    g_machine.sndring[5] = 64;
    return &g_machine;
}

// What a load must leave alone, and what a refused load must leave alone besides the
// registers and RAM.
struct Untouched {
    uint8_t keyrows[8], joystick, speaker, sndring5;
    int32_t counter, sndread;
    uint32_t tstates, tslimit;
    Bytes rom;
    bool operator==(const Untouched &) const = default;
};

inline Untouched untouched_of(const Machine *m) {
    Untouched u{};
    std::copy(m->keyrows, m->keyrows + 8, u.keyrows);
    u.joystick = m->joystick, u.speaker = m->speaker, u.sndring5 = m->sndring[5];
    u.counter = m->counter, u.sndread = m->sndread, u.tstates = m->tstates;
    u.tslimit = m->tslimit;
    u.rom.assign(m->rom, m->rom + kRomSize);
    return u;
}

inline Bytes ram_of(const Machine *m) { return Bytes(m->ram, m->ram + kRamSize); }

// A directory of its own for each test, removed with everything in it.
class TempDir {
   public:
    TempDir() {
        char name[] = "/tmp/tavisk-snapshot-XXXXXX";
        path_ = mkdtemp(name) ? name : "";
        EXPECT_FALSE(path_.empty()) << "mkdtemp failed";
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    std::string operator/(const std::string &name) const { return path_ + "/" + name; }
    const std::string &path() const { return path_; }

   private:
    std::string path_;
};

inline void write_bytes(const std::string &path, const Bytes &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

constexpr uid_t kNobody = 65534;

// Runs body in a child process that, when this one is the superuser, becomes an ordinary
// user first: permission bits stop only such a user. The child's exit status, 255 for a
// failure to drop the privileges.
inline int as_ordinary_user(const std::function<int()> &body) {
    pid_t pid = fork();
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(255);
        _exit(body());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 254;
}

inline Bytes read_bytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
