// Runs every case of the single-instruction Z80 test vectors through run_frame and compares
// registers, memory, T-states, the port latch and the sound frame with the measured result.
//
// Where this machine deliberately differs from the silicon, a named rule of kRules adjusts
// the expectation to the value this machine defines (or skips a case it cannot set up), and
// counts how often it did so. Everything a rule does not touch is compared exactly.
//
// Usage: z80_single_step <vector directory> [file-name filter]
// Z80SS_VERBOSE=1 prints every failing case with the fields that differed, the failures per
// file and the rule counts.

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "machine/machine.h"
#include "machine/ports.h"
#include "machine/run_frame.h"

namespace {

using nlohmann::json;

struct Regs {
    uint16_t pc, sp, ix, iy, af_, bc_, de_, hl_;
    uint8_t a, f, b, c, d, e, h, l, i, r, im, iff1, iff2;
};

struct PortAccess {
    uint16_t port;
    uint8_t value;
    char dir;  // 'r' or 'w'
};

// The instruction a vector file holds, from its name: "ed b0", "dd cb __ 46", "3e".
struct Opcode {
    uint8_t prefix;  // 0, 0xCB, 0xDD, 0xED or 0xFD
    bool indexcb;    // DD CB d x / FD CB d x
    uint8_t op;      // the byte that selects the operation
};

struct Case {
    std::string name;
    std::string file;
    Opcode opc;
    Regs init, fin;
    std::vector<std::pair<uint16_t, uint8_t>> ram_init, ram_final;
    std::vector<PortAccess> ports;
    uint32_t cycles;
};

// What the run must produce. Memory holds the whole 64 KB image.
struct Expect {
    Regs regs;
    uint32_t tstates;
    uint8_t mem[kMemorySize];
    uint8_t portfe;
    uint8_t fill;  // every sample of ring frame sndread
    uint8_t keyrows[8];
    uint8_t joystick;
};

// The image before the run: zero except the bytes the case lists.
uint8_t g_before[kMemorySize];

uint8_t before(uint16_t a) { return g_before[a]; }

uint8_t parity_even(uint8_t v) { return (__builtin_popcount(v) & 1) ? 0 : 1; }
uint8_t s53(uint8_t v) { return v & 0xA8; }

bool is(const Case &c, uint8_t prefix, uint8_t op) {
    return !c.opc.indexcb && c.opc.prefix == prefix && c.opc.op == op;
}
bool is_any(const Case &c, uint8_t prefix, std::initializer_list<int> ops) {
    for (int op : ops)
        if (is(c, prefix, uint8_t(op))) return true;
    return false;
}
// An unprefixed opcode, or the same opcode behind DD/FD where the prefix does not change it.
bool is_plain(const Case &c, uint8_t op) {
    return !c.opc.indexcb && c.opc.op == op &&
           (c.opc.prefix == 0 || c.opc.prefix == 0xDD || c.opc.prefix == 0xFD);
}

uint16_t hl_of(const Regs &r) { return uint16_t(r.h << 8 | r.l); }

// Opcode fetches counted for the refresh register: every prefix byte and the operation byte,
// but neither the displacement nor the operation byte of DDCB/FDCB.
int fetches_of(const Opcode &o) { return o.prefix ? 2 : 1; }

// Rule outcomes.
constexpr int kNotApplied = 0;
constexpr int kAdjusted = 1;
constexpr int kSkipped = 2;

struct Rule {
    const char *name;
    const char *reason;
    int (*apply)(const Case &c, Expect *e);
};

int rule_rom_writes(const Case &c, Expect *e) {
    int n = kNotApplied;
    for (auto [addr, v] : c.ram_final)
        if (addr < 0x4000 && v != before(addr)) {
            e->mem[addr] = before(addr);
            n = kAdjusted;
        }
    return n;
}

// Address of the word the instruction writes, or -1.
int word_write_address(const Case &c) {
    const Regs &i = c.init;
    uint16_t pc = i.pc;
    if (c.opc.indexcb) return -1;
    bool pushes = false;
    switch (c.opc.prefix) {
        case 0:
            if (c.opc.op == 0x22)
                return g_before[uint16_t(pc + 1)] | g_before[uint16_t(pc + 2)] << 8;
            if (c.opc.op == 0xE3) return i.sp;
            pushes = c.opc.op == 0xC5 || c.opc.op == 0xD5 || c.opc.op == 0xE5 || c.opc.op == 0xF5 ||
                     c.opc.op == 0xCD || (c.opc.op & 0xC7) == 0xC4 || (c.opc.op & 0xC7) == 0xC7;
            break;
        case 0xDD:
        case 0xFD:
            if (c.opc.op == 0x22)
                return g_before[uint16_t(pc + 2)] | g_before[uint16_t(pc + 3)] << 8;
            if (c.opc.op == 0xE3) return i.sp;
            pushes = c.opc.op == 0xE5 || c.opc.op == 0xC5 || c.opc.op == 0xD5 || c.opc.op == 0xF5 ||
                     c.opc.op == 0xCD || (c.opc.op & 0xC7) == 0xC4 || (c.opc.op & 0xC7) == 0xC7;
            break;
        case 0xED:
            if ((c.opc.op & 0xCF) == 0x43)
                return g_before[uint16_t(pc + 2)] | g_before[uint16_t(pc + 3)] << 8;
            break;
    }
    if (pushes && c.fin.sp == uint16_t(i.sp - 2)) return c.fin.sp;
    return -1;
}

int rule_word_at_3fff(const Case &c, Expect *e) {
    if (word_write_address(c) != 0x3FFF) return kNotApplied;
    e->mem[0x4000] = before(0x4000);
    return kAdjusted;
}

int rule_refresh(const Case &c, Expect *e) {
    uint8_t working = c.init.r | 0x80;
    if (is(c, 0xED, 0x4F)) {
        e->regs.r = c.init.a;
    } else if (is(c, 0xED, 0x5F)) {
        uint8_t r = uint8_t((working & 0x80) | (fetches_of(c.opc) & 0x7F));
        e->regs.r = r;
        e->regs.a = r;
        e->regs.f =
            uint8_t(s53(r) | (r ? 0 : kFlagZ) | (c.init.iff2 ? kFlagPV : 0) | (c.init.f & kFlagC));
    } else {
        e->regs.r = working;
    }
    return kAdjusted;
}

// Replaces the F bits of drop with the value this machine defines.
void set_flags(Expect *e, uint8_t drop, uint8_t value) {
    e->regs.f = uint8_t((e->regs.f & ~drop) | (value & drop));
}

int rule_bit_memory(const Case &c, Expect *e) {
    uint16_t addr;
    if (c.opc.indexcb && (c.opc.op & 0xC0) == 0x40) {
        uint16_t xy = c.opc.prefix == 0xDD ? c.init.ix : c.init.iy;
        addr = uint16_t(xy + int8_t(g_before[uint16_t(c.init.pc + 2)]));
    } else if (!c.opc.indexcb && c.opc.prefix == 0xCB && (c.opc.op & 0xC7) == 0x46) {
        addr = hl_of(c.init);
    } else {
        return kNotApplied;
    }
    set_flags(e, kFlag5 | kFlag3, before(addr));
    return kAdjusted;
}

// Register field 0-7 of an opcode; H and L become the index halves and (HL) becomes (IX+d)
// when index says so. operand is the address of the byte after the opcode.
uint8_t field_value(const Case &c, int field, bool index, uint16_t operand) {
    const Regs &r = c.init;
    uint16_t xy = c.opc.prefix == 0xDD ? r.ix : r.iy;
    switch (field) {
        case 0: return r.b;
        case 1: return r.c;
        case 2: return r.d;
        case 3: return r.e;
        case 4: return index ? uint8_t(xy >> 8) : r.h;
        case 5: return index ? uint8_t(xy) : r.l;
        case 6: return index ? before(uint16_t(xy + int8_t(before(operand)))) : before(hl_of(r));
        default: return r.a;
    }
}

int rule_cp_53(const Case &c, Expect *e) {
    if (c.opc.indexcb || (c.opc.prefix != 0 && c.opc.prefix != 0xDD && c.opc.prefix != 0xFD))
        return kNotApplied;
    bool index = c.opc.prefix != 0;
    uint16_t operand = uint16_t(c.init.pc + (index ? 2 : 1));
    uint8_t v;
    if (c.opc.op == 0xFE)
        v = before(operand);
    else if ((c.opc.op & 0xF8) == 0xB8)
        v = field_value(c, c.opc.op & 7, index, operand);
    else
        return kNotApplied;
    set_flags(e, kFlag5 | kFlag3, uint8_t(c.init.a - v));
    return kAdjusted;
}

bool is_bit(const Case &c) {
    return (c.opc.indexcb || c.opc.prefix == 0xCB) && (c.opc.op & 0xC0) == 0x40;
}

int rule_bit_sign(const Case &c, Expect *e) {
    if (!is_bit(c)) return kNotApplied;
    set_flags(e, kFlagS, 0);
    return kAdjusted;
}

int rule_index_bit_copy(const Case &c, Expect *e) {
    if (!c.opc.indexcb || (c.opc.op & 0xC0) != 0x40 || (c.opc.op & 7) == 6) return kNotApplied;
    uint16_t xy = c.opc.prefix == 0xDD ? c.init.ix : c.init.iy;
    uint8_t v = before(uint16_t(xy + int8_t(before(uint16_t(c.init.pc + 2)))));
    uint8_t *regs[8] = {&e->regs.b, &e->regs.c, &e->regs.d, &e->regs.e,
                        &e->regs.h, &e->regs.l, nullptr,    &e->regs.a};
    *regs[c.opc.op & 7] = v;
    return kAdjusted;
}

int rule_scf_ccf(const Case &c, Expect *e) {
    if (!is_plain(c, 0x37) && !is_plain(c, 0x3F)) return kNotApplied;
    set_flags(e, kFlag5 | kFlag3, c.init.a);
    return kAdjusted;
}

int rule_block_load(const Case &c, Expect *e) {
    if (!is_any(c, 0xED, {0xA0, 0xA8, 0xB0, 0xB8})) return kNotApplied;
    set_flags(e, kFlag5 | kFlag3, before(hl_of(c.init)));
    return kAdjusted;
}

int rule_block_compare(const Case &c, Expect *e) {
    if (!is_any(c, 0xED, {0xA1, 0xA9, 0xB1, 0xB9})) return kNotApplied;
    uint8_t d = uint8_t(c.init.a - before(hl_of(c.init)));
    set_flags(e, kFlag5 | kFlag3, d);
    return kAdjusted;
}

int rule_block_io(const Case &c, Expect *e) {
    bool in = is_any(c, 0xED, {0xA2, 0xAA, 0xB2, 0xBA});
    bool out = is_any(c, 0xED, {0xA3, 0xAB, 0xB3, 0xBB});
    if (!in && !out) return kNotApplied;
    bool repeats = c.opc.op >= 0xB0;
    uint8_t nb = uint8_t(c.init.b - 1);
    uint8_t f = uint8_t(s53(nb) | (nb ? 0 : kFlagZ) | kFlagN);
    if (in) {
        uint8_t pv = uint8_t(((c.init.c >> 2) & 1) ^ parity_even(nb));
        if (c.opc.op & 0x08) pv ^= 1;  // IND, INDR
        f |= pv ? kFlagPV : 0;
    } else {
        f |= uint8_t(kFlagH | (c.init.f & kFlagC));
    }
    uint8_t keep = repeats ? (kFlagS | kFlagZ) : (kFlagS | kFlagZ | kFlag5 | kFlag3);
    set_flags(e, uint8_t(~keep), f);
    return kAdjusted;
}

int rule_daa_subtract(const Case &c, Expect *e) {
    uint8_t a = c.init.a, f = c.init.f;
    if (!is_plain(c, 0x27) || !(f & kFlagN) || a <= 0x99 || (f & kFlagC)) return kNotApplied;
    uint8_t corr = 0;
    if ((f & kFlagH) || (a & 0x0F) > 9) corr = 0x06;
    if ((f & kFlagC) || (a >> 4) > 9) corr += 0x60;
    unsigned res = unsigned(a - corr) & 0x1FF;
    uint8_t r8 = uint8_t(res);
    e->regs.a = r8;
    e->regs.f = uint8_t(s53(r8) | (r8 ? 0 : kFlagZ) | ((a & 0x0F) < (corr & 0x0F) ? kFlagH : 0) |
                        (parity_even(r8) ? kFlagPV : 0) | kFlagN | ((res >> 8) & 1) | (f & kFlagC));
    return kAdjusted;
}

int rule_im_4e_6e(const Case &c, Expect *e) {
    if (!is_any(c, 0xED, {0x4E, 0x6E})) return kNotApplied;
    e->regs.im = 1;
    return kAdjusted;
}

int rule_reti_iff1(const Case &c, Expect *e) {
    if (!is_any(c, 0xED, {0x4D, 0x55, 0x5D, 0x65, 0x6D, 0x75, 0x7D})) return kNotApplied;
    e->regs.iff1 = c.init.iff1;
    return kAdjusted;
}

int rule_halt(const Case &c, Expect *e) {
    if (!is_plain(c, 0x76)) return kNotApplied;
    e->tstates = c.cycles - 4 + kHaltTstates;
    return kAdjusted;
}

// The value a port read must return, set up through the input bytes when the decoding can
// give it at all.
int rule_port_input(const Case &c, Expect *e) {
    int n = kNotApplied;
    for (const PortAccess &p : c.ports) {
        if (p.dir != 'r') continue;
        uint8_t low = uint8_t(p.port), high = uint8_t(p.port >> 8), v = p.value;
        if (low == 0x1F) {
            if (v & 0xE0) return kSkipped;  // bits 5-7 of the joystick byte are always 0
            e->joystick = v ^ 0x1F;
        } else if (low == 0xFE) {
            if (v == 0xFF) continue;
            if ((v & 0xE0) != 0xE0 || high == 0xFF) return kSkipped;  // rows read 1 in 5-7
            for (int k = 0; k < 8; k++)
                if (!(high & (1 << k))) e->keyrows[k] = v;
        } else if (v != 0xFF) {
            return kSkipped;  // nothing else answers
        }
        n = kAdjusted;
    }
    return n;
}

const Rule kRules[] = {
    {"rom-writes", "writes below 0x4000 are discarded, so such a byte keeps its value",
     rule_rom_writes},
    {"word-at-3fff", "a word write is decided by its first address: at 0x3FFF it is dropped whole",
     rule_word_at_3fff},
    {"refresh-count",
     "R is written back as the working R (r | 0x80 or what LD R,A / LD A,R stored); LD A,R "
     "loads A, and sets F, from the fetch count",
     rule_refresh},
    {"bit-memory-53", "BIT n,(HL) and BIT n,(IX+d) copy F bits 5 and 3 from the tested byte",
     rule_bit_memory},
    {"cp-53", "CP copies F bits 5 and 3 from the difference, not from the operand", rule_cp_53},
    {"bit-sign", "BIT always clears S, BIT 7 included", rule_bit_sign},
    {"index-bit-copy",
     "DDCB/FDCB BIT with a register field other than 6 copies the tested byte into it",
     rule_index_bit_copy},
    {"scf-ccf-53", "SCF and CCF copy F bits 5 and 3 from A", rule_scf_ccf},
    {"block-load-53", "LDI/LDD and their repeats copy F bits 5 and 3 from the moved byte",
     rule_block_load},
    {"block-compare-53", "CPI/CPD and their repeats take F bits 5 and 3 from A minus the byte",
     rule_block_compare},
    {"block-io-flags",
     "INI/IND/OUTI/OUTD define H, P/V, N and C by their own formulas (the repeats also 5 and 3); "
     "S and Z are the hardware's",
     rule_block_io},
    {"daa-subtract",
     "DAA after a subtraction with A above 0x99 and C clear sets C only on a borrow",
     rule_daa_subtract},
    {"im-4e-6e", "ED 4E and ED 6E select interrupt mode 1", rule_im_4e_6e},
    {"reti-iff1", "ED 4D/55/5D/65/6D/75/7D leave iff1 unchanged", rule_reti_iff1},
    {"halt", "HALT adds 100,000,004 T-states to end the frame", rule_halt},
    {"port-input",
     "a port read can only return what the keyboard rows, the joystick or an absent device give",
     rule_port_input},
};
constexpr int kRuleCount = sizeof kRules / sizeof kRules[0];
int g_adjusted[kRuleCount];
int g_skipped[kRuleCount];

// Not compared at all: wz (MEMPTR), p, q and ei are hardware internals this machine does not
// keep.

Opcode parse_opcode(const std::string &file) {
    Opcode o{0, false, 0};
    std::vector<std::string> tok;
    std::string base = file.substr(0, file.find('.'));
    size_t pos = 0;
    while (pos < base.size()) {
        size_t sp = base.find(' ', pos);
        if (sp == std::string::npos) sp = base.size();
        tok.push_back(base.substr(pos, sp - pos));
        pos = sp + 1;
    }
    if (tok.size() == 1) {
        o.op = uint8_t(std::stoul(tok[0], nullptr, 16));
    } else {
        o.prefix = uint8_t(std::stoul(tok[0], nullptr, 16));
        o.indexcb = tok.size() == 4;
        o.op = uint8_t(std::stoul(tok.back(), nullptr, 16));
    }
    return o;
}

Regs parse_regs(const json &j) {
    Regs r;
    r.pc = j["pc"], r.sp = j["sp"], r.ix = j["ix"], r.iy = j["iy"];
    r.af_ = j["af_"], r.bc_ = j["bc_"], r.de_ = j["de_"], r.hl_ = j["hl_"];
    r.a = j["a"], r.f = j["f"], r.b = j["b"], r.c = j["c"], r.d = j["d"], r.e = j["e"];
    r.h = j["h"], r.l = j["l"], r.i = j["i"], r.r = j["r"];
    r.im = j["im"], r.iff1 = j["iff1"], r.iff2 = j["iff2"];
    return r;
}

void set_machine(Machine *m, const Regs &r) {
    m->pc = r.pc, m->sp = r.sp, m->ix = r.ix, m->iy = r.iy;
    m->a = r.a, m->f = r.f, m->b = r.b, m->c = r.c, m->d = r.d, m->e = r.e, m->h = r.h, m->l = r.l;
    m->alta = uint8_t(r.af_ >> 8), m->altf = uint8_t(r.af_);
    m->altb = uint8_t(r.bc_ >> 8), m->altc = uint8_t(r.bc_);
    m->altd = uint8_t(r.de_ >> 8), m->alte = uint8_t(r.de_);
    m->alth = uint8_t(r.hl_ >> 8), m->altl = uint8_t(r.hl_);
    m->i = r.i, m->r = r.r, m->im = r.im, m->iff1 = r.iff1, m->iff2 = r.iff2;
}

Regs get_machine(const Machine *m) {
    Regs r;
    r.pc = m->pc, r.sp = m->sp, r.ix = m->ix, r.iy = m->iy;
    r.a = m->a, r.f = m->f, r.b = m->b, r.c = m->c, r.d = m->d, r.e = m->e, r.h = m->h, r.l = m->l;
    r.af_ = uint16_t(m->alta << 8 | m->altf), r.bc_ = uint16_t(m->altb << 8 | m->altc);
    r.de_ = uint16_t(m->altd << 8 | m->alte), r.hl_ = uint16_t(m->alth << 8 | m->altl);
    r.i = m->i, r.r = m->r, r.im = m->im, r.iff1 = m->iff1, r.iff2 = m->iff2;
    return r;
}

Machine g_machine;
uint8_t g_image[kMemorySize];
Expect g_expect;
bool g_verbose = false;

struct Diff {
    std::string text;
    void field(const char *name, unsigned want, unsigned got) {
        if (want == got) return;
        char buf[96];
        std::snprintf(buf, sizeof buf, " %s want 0x%02X got 0x%02X;", name, want, got);
        text += buf;
    }
};

// Runs one case; returns kAdjusted on pass, kSkipped when a rule skips it, 0 on failure.
int run_case(const Case &c) {
    std::memset(g_image, 0, sizeof g_image);
    std::memset(g_before, 0, sizeof g_before);
    machine_power_on(&g_machine, g_image);
    for (auto [addr, v] : c.ram_init) g_before[addr] = g_image[addr] = v;

    Expect *e = &g_expect;
    e->regs = c.fin;
    e->tstates = c.cycles;
    std::memcpy(e->mem, g_before, sizeof e->mem);
    for (auto [addr, v] : c.ram_final) e->mem[addr] = v;
    std::memcpy(e->keyrows, g_machine.keyrows, sizeof e->keyrows);
    e->joystick = g_machine.joystick;
    e->portfe = g_machine.portfe;
    e->fill = 0;
    for (const PortAccess &p : c.ports)
        if (p.dir == 'w' && !(p.port & 1)) {
            e->portfe = p.value;
            e->fill = (p.value & 0x10) ? 0 : kSpeakerLevel;
        }

    for (int k = 0; k < kRuleCount; k++) {
        int got = kRules[k].apply(c, e);
        if (got == kSkipped) {
            g_skipped[k]++;
            return kSkipped;
        }
        if (got == kAdjusted) g_adjusted[k]++;
    }

    set_machine(&g_machine, c.init);
    std::memcpy(g_machine.keyrows, e->keyrows, sizeof e->keyrows);
    g_machine.joystick = e->joystick;
    g_machine.counter = 0;
    g_machine.tstates = 0;
    g_machine.tslimit = 0;
    std::memset(g_machine.sndring + g_machine.sndread * kFrameSamples, 0xA5, kFrameSamples);
    run_frame(&g_machine);

    Regs got = get_machine(&g_machine);
    const Regs &w = e->regs;
    Diff d;
    // The refresh model stands on the fetch rules: the measured R must have advanced by the
    // same count of opcode fetches.
    if (!is(c, 0xED, 0x4F)) {
        uint8_t advanced = uint8_t((c.init.r & 0x80) | ((c.init.r + fetches_of(c.opc)) & 0x7F));
        d.field("data r", advanced, c.fin.r);
    }
    d.field("a", w.a, got.a), d.field("f", w.f, got.f), d.field("b", w.b, got.b);
    d.field("c", w.c, got.c), d.field("d", w.d, got.d), d.field("e", w.e, got.e);
    d.field("h", w.h, got.h), d.field("l", w.l, got.l), d.field("i", w.i, got.i);
    d.field("r", w.r, got.r), d.field("im", w.im, got.im), d.field("iff1", w.iff1, got.iff1);
    d.field("iff2", w.iff2, got.iff2), d.field("pc", w.pc, got.pc), d.field("sp", w.sp, got.sp);
    d.field("ix", w.ix, got.ix), d.field("iy", w.iy, got.iy), d.field("af'", w.af_, got.af_);
    d.field("bc'", w.bc_, got.bc_), d.field("de'", w.de_, got.de_);
    d.field("hl'", w.hl_, got.hl_);
    d.field("tstates", e->tstates, g_machine.tstates);
    d.field("portfe", e->portfe, g_machine.portfe);
    if (std::memcmp(e->mem, g_image, kMemorySize) != 0) {
        for (int a = 0; a < kMemorySize; a++)
            if (e->mem[a] != g_image[a]) {
                char name[16];
                std::snprintf(name, sizeof name, "mem[%04X]", a);
                d.field(name, e->mem[a], g_image[a]);
            }
    }
    const uint8_t *frame = g_machine.sndring + g_machine.sndread * kFrameSamples;
    for (int s = 0; s < kFrameSamples; s++)
        if (frame[s] != e->fill) {
            char name[24];
            std::snprintf(name, sizeof name, "sample[%d]", s);
            d.field(name, e->fill, frame[s]);
            break;
        }
    if (d.text.empty()) return kAdjusted;
    if (g_verbose) std::printf("FAIL %s [%s]:%s\n", c.name.c_str(), c.file.c_str(), d.text.c_str());
    return 0;
}

bool load_file(const std::string &dir, const std::string &file, std::vector<Case> *out) {
    std::ifstream in(dir + "/" + file);
    if (!in) return false;
    json doc = json::parse(in, nullptr, false);
    if (doc.is_discarded() || !doc.is_array()) return false;
    Opcode opc = parse_opcode(file);
    for (const json &j : doc) {
        Case c;
        c.name = j["name"];
        c.file = file;
        c.opc = opc;
        c.init = parse_regs(j["initial"]);
        c.fin = parse_regs(j["final"]);
        for (const json &p : j["initial"]["ram"]) c.ram_init.emplace_back(p[0], p[1]);
        for (const json &p : j["final"]["ram"]) c.ram_final.emplace_back(p[0], p[1]);
        if (j.contains("ports"))
            for (const json &p : j["ports"]) c.ports.push_back({p[0], p[1], std::string(p[2])[0]});
        c.cycles = uint32_t(j["cycles"].size());
        out->push_back(std::move(c));
    }
    return true;
}

}  // namespace

constexpr int kNoTestData = 77;  // CTest's skip code for this test

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <vector directory> [file filter]\n", argv[0]);
        return 2;
    }
    std::string dir = argv[1];
    std::string filter = argc > 2 ? argv[2] : "";
    const char *verbose = std::getenv("Z80SS_VERBOSE");
    g_verbose = verbose && *verbose && *verbose != '0';

    std::vector<std::string> files;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *ent = readdir(d)) {
            std::string n = ent->d_name;
            if (n.size() > 5 && n.substr(n.size() - 5) == ".json" &&
                n.find(filter) != std::string::npos)
                files.push_back(n);
        }
        closedir(d);
    } else {
        // A checkout without the measured data beside it: reported as skipped, not passed.
        std::printf("z80_single_step: no test data at %s; set TAVISK_SHARED_DIR\n", dir.c_str());
        return kNoTestData;
    }
    std::sort(files.begin(), files.end());

    int cases = 0, passed = 0, skipped = 0, failed = 0, unreadable = 0;
    std::map<std::string, int> failed_per_file;
    for (const std::string &file : files) {
        std::vector<Case> list;
        if (!load_file(dir, file, &list)) {
            std::fprintf(stderr, "z80_single_step: cannot read %s/%s\n", dir.c_str(), file.c_str());
            unreadable++;
            continue;
        }
        for (const Case &c : list) {
            cases++;
            int res = run_case(c);
            if (res == kAdjusted) {
                passed++;
            } else if (res == kSkipped) {
                skipped++;
            } else {
                failed++;
                failed_per_file[file]++;
            }
        }
    }
    if (g_verbose) {
        for (auto &[file, n] : failed_per_file) std::printf("failed in %s: %d\n", file.c_str(), n);
        for (int k = 0; k < kRuleCount; k++)
            std::printf("rule %-16s adjusted %5d skipped %4d  (%s)\n", kRules[k].name,
                        g_adjusted[k], g_skipped[k], kRules[k].reason);
    }
    std::printf("z80_single_step: %d cases, %d passed, %d skipped by rule, %d failed\n", cases,
                passed, skipped, failed);
    bool too_many_skips = skipped * 100 >= cases * 3;
    return (cases == 0 || failed > 0 || unreadable > 0 || too_many_skips) ? 1 : 0;
}
