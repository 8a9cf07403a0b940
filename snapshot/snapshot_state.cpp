#include "snapshot/snapshot_state.h"

#include <cstring>

#include "snapshot/load_result.h"

int load_snapshot_state(Machine *m, const SnapshotState *s) {
    if (s->iff1 > 1 || s->iff2 > 1 || s->im > 2 || s->border > 7) return kNotSnapshot;
    std::memcpy(m->ram, s->ram, kRamSize);
    m->a = s->a, m->f = s->f, m->b = s->b, m->c = s->c;
    m->d = s->d, m->e = s->e, m->h = s->h, m->l = s->l;
    m->alta = s->alta, m->altf = s->altf, m->altb = s->altb, m->altc = s->altc;
    m->altd = s->altd, m->alte = s->alte, m->alth = s->alth, m->altl = s->altl;
    m->i = s->i, m->r = s->r, m->iff1 = s->iff1, m->iff2 = s->iff2, m->im = s->im;
    m->ix = s->ix, m->iy = s->iy, m->sp = s->sp, m->pc = s->pc;
    m->portfe = uint8_t((m->portfe & ~7) | s->border);
    return kLoaded;
}
