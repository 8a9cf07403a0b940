#include "machine/machine.h"

#include <cstring>

void machine_power_on(Machine *m, uint8_t *image) {
    m->surface = nullptr;
    m->pixels = nullptr;
    m->rom = image;
    m->ram = image + kRomSize;
    m->tstates = 0;
    m->tslimit = kFrameTstates;
    m->counter = 0;
    m->synccounter = 0;
    m->sndwrite = 0;
    m->sndread = 0;
    std::memset(m->sndring, 0, sizeof m->sndring);
    m->scounter = 0;
    machine_cold_start(m);
}

void machine_cold_start(Machine *m) {
    std::memset(m->ram, 0, kRamSize);
    m->a = m->f = m->b = m->c = m->d = m->e = m->h = m->l = 0;
    m->alta = m->altf = m->altb = m->altc = m->altd = m->alte = m->alth = m->altl = 0;
    m->i = 0;
    machine_reset(m);  // r, im, pc, iff1, iff2
    m->ix = 0;
    m->iy = 0;
    m->sp = 0;
    std::memset(m->keyrows, 0xFF, sizeof m->keyrows);
    m->joystick = 0x1F;
    m->portfe = 0xFF;
    m->speaker = 0;
    std::memset(&m->ear, 0, sizeof m->ear);
}

void machine_reset(Machine *m) {
    m->r = 0x80;
    m->im = 1;
    m->pc = 0;
    m->iff1 = 0;
    m->iff2 = 0;
}
