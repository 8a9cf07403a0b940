// The timings of the tapes that make_test_tapes writes, shared with the tests that play them.
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
