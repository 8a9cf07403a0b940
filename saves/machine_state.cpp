#include "saves/machine_state.h"

#include <cstring>

namespace {

constexpr uint8_t Machine::*kByteFields[kStateBytes] = {
    &Machine::a,    &Machine::f,    &Machine::b,    &Machine::c,    &Machine::d,
    &Machine::e,    &Machine::h,    &Machine::l,    &Machine::r,    &Machine::alta,
    &Machine::altf, &Machine::altb, &Machine::altc, &Machine::altd, &Machine::alte,
    &Machine::alth, &Machine::altl, &Machine::i,    &Machine::iff1, &Machine::iff2,
    &Machine::im,   &Machine::portfe,
};
constexpr uint16_t Machine::*kWordFields[kStateWords] = {&Machine::pc, &Machine::ix,
                                                         &Machine::iy, &Machine::sp};

}  // namespace

void machine_state_take(const Machine *m, MachineState *state) {
    for (int k = 0; k < kStateBytes; k++) state->bytes[k] = m->*kByteFields[k];
    for (int k = 0; k < kStateWords; k++) state->words[k] = m->*kWordFields[k];
    std::memcpy(state->ram, m->ram, kRamSize);
}

void machine_state_put(const MachineState *state, Machine *m) {
    for (int k = 0; k < kStateBytes; k++) m->*kByteFields[k] = state->bytes[k];
    for (int k = 0; k < kStateWords; k++) m->*kWordFields[k] = state->words[k];
    std::memcpy(m->ram, state->ram, kRamSize);
}
