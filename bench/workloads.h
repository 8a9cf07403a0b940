// The workloads that both the benchmarks and the instruction-count profile run: for the Z80
// core a fixed instruction mix in RAM and the ROM from power-on, for the renderer a busy
// screen.
#pragma once

#include <cstdint>

#include "machine/machine.h"

// The ROM workload's length: the first five seconds after power-on, covering the memory
// test, the start-up and then the idle editor with its interrupt.
constexpr int kRomFrames = 250;

// One television frame as the front end runs it. Returns the T-states it executed.
uint32_t workload_frame(Machine *m);

// Powers m on over image with the instruction mix placed in RAM and runs two frames.
// Returns the T-states they executed, or 0 when the mix did not stay in its loop with
// interrupts off, in which case a figure would measure something else.
uint64_t workload_mix_start(Machine *m, uint8_t *image);

// A busy screen for the renderer: noise in every bitmap byte; attributes of every colour
// pair, with FLASH and BRIGHT each set in about half the cells.
void workload_screen_fill(uint8_t *ram);

// Reads the ROM image into image. False when it cannot be read whole.
bool workload_rom_load(uint8_t *image);
