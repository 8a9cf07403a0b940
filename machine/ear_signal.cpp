#include "machine/ear_signal.h"

namespace {
constexpr uint8_t kEarBit = 0x40;
}  // namespace

uint8_t ear_port_read(EarSignal *ear, uint8_t keys, uint32_t t) {
    while (ear->next < ear->count && ear->edge[ear->next] <= t) {
        ear->level ^= 1;
        ear->next++;
    }
    if (t / kEarStretch < 64) ear->heard |= uint64_t(1) << (t / kEarStretch);
    return uint8_t((keys & ~kEarBit) | (ear->level ? kEarBit : 0));
}

uint8_t ear_loader_read(EarSignal *ear, uint8_t keys, uint32_t t, uint16_t pc, uint16_t sp) {
    if (ear->trap_armed && pc == kLoaderFirstInEnd) {
        ear->trapped = 1;
        ear->trap_sp = sp;
    }
    return ear_port_read(ear, keys, t);
}
