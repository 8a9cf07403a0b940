// The shapes of the tapes that make_test_tapes writes, shared with the tests that play them.
#pragma once

#include <cstddef>
#include <cstdint>

// The turbo block, in T-states. turbo_loader.asm samples every 50 T-states: a pilot pulse is
// 40 samples (it wants 30), a sync pulse 6 (under 15), a bit's pair 20 or 40 (29 divides).
constexpr uint32_t kTurboPilot = 2000;
constexpr size_t kTurboPilotPulses = 1000;
constexpr uint32_t kTurboSync = 300;
constexpr uint32_t kTurboBit0 = 500;
constexpr uint32_t kTurboBit1 = 1000;
constexpr size_t kTurboBytes = 512;

// stop.tzx: a tone of this pulse, the stop block, then a tone of twice the pulse.
constexpr uint32_t kStopTonePulse = 1000;
constexpr size_t kStopTonePulses = 400;

// The loaders' tapes: the ROM's pilot and sync pulses with fast bits, read by turbo_loader.asm
// (a pair divides at 1450 T-states) and chain_loader.asm (at about 1200).
constexpr uint32_t kFastPilot = 2168;
constexpr uint32_t kFastSync1 = 667;
constexpr uint32_t kFastSync2 = 735;
constexpr uint32_t kFastBit0 = 543;
constexpr uint32_t kFastBit1 = 1086;
constexpr size_t kFastPilotPulses = 600;  // turbo_loader.asm hears 256 of them
constexpr size_t kFastBytes = 400;
// chain.tzx: blocks of two pilot pulses and no pause; the first kChainZeroBlocks hold zeros.
constexpr size_t kChainBlocks = 220;
constexpr size_t kChainBytes = 32;
constexpr size_t kChainZeroBlocks = 90;
// A direct recording samples the signal every this many T-states (44.1 kHz).
constexpr uint32_t kRecordingSample = 79;

// Byte i of the data of the tapes' block n: no two neighbours alike, and no two blocks.
inline uint8_t fast_byte(size_t n, size_t i) { return uint8_t(i * 29 + (i >> 3) + n * 71 + 7); }
