#include "tape/instant_load.h"

#include <libspectrum.h>

#include "tape/rom_loader.h"
#include "tape/tape_edges.h"

namespace {

// The ROM saver's timings, in T-states: pilot pulse, the two sync pulses, a 0 and a 1 bit's
// pulses; and the pilot pulses it writes before a data block (the shorter of its two tones).
constexpr libspectrum_dword kPilot = 2168, kSync1 = 667, kSync2 = 735, kBit0 = 855, kBit1 = 1710;
constexpr size_t kMinPilotPulses = 3223;

// LD-EDGE-1 gives up on an edge after its 358 T-state delay and at most 80 samples of 59
// T-states, entered within some 150 T-states of the last edge: an edge this far away is
// never seen by the loader that waits for a block's next bit.
constexpr libspectrum_dword kLoaderPatience = 6000;

// The return addresses that LD-8-BITS's CALL LD-EDGE-2 and LD-EDGE-2's CALL LD-EDGE-1 leave
// below the loader's stack pointer: every way out of LD-BYTES passes through both last.
constexpr uint16_t kAfterEdge2Call = 0x05CD, kAfterEdge1Call = 0x05E6;

// Edges the library may give for one block before the deck stops trusting it: some twenty
// times the edges of a whole 48 KB standard block (about 800,000).
constexpr long kMaxBlockEdges = 1L << 24;

bool standard_block(libspectrum_tape_block *b) {
    switch (libspectrum_tape_block_type(b)) {
        case LIBSPECTRUM_TAPE_BLOCK_ROM: return libspectrum_tape_block_data_length(b) > 0;
        case LIBSPECTRUM_TAPE_BLOCK_TURBO:
            return libspectrum_tape_block_data_length(b) > 0 &&
                   libspectrum_tape_block_pilot_length(b) == kPilot &&
                   libspectrum_tape_block_pilot_pulses(b) >= kMinPilotPulses &&
                   libspectrum_tape_block_sync1_length(b) == kSync1 &&
                   libspectrum_tape_block_sync2_length(b) == kSync2 &&
                   libspectrum_tape_block_bit0_length(b) == kBit0 &&
                   libspectrum_tape_block_bit1_length(b) == kBit1 &&
                   libspectrum_tape_block_bits_in_last_byte(b) == 8;
        default: return false;
    }
}

// Block n (0-based), it left on it for the blocks after; null past the end.
libspectrum_tape_block *nth_block(libspectrum_tape *tape, int n, libspectrum_tape_iterator *it) {
    libspectrum_tape_block *b = libspectrum_tape_iterator_init(it, tape);
    for (int k = 0; b && k < n; k++) b = libspectrum_tape_iterator_next(it);
    return b;
}

// Metadata and pauses carry no data for a loader to wait for (a pause of 0 stops the tape).
bool silent_block(libspectrum_tape_block *b) {
    if (libspectrum_tape_block_metadata(b)) return true;
    return libspectrum_tape_block_type(b) == LIBSPECTRUM_TAPE_BLOCK_PAUSE &&
           libspectrum_tape_block_pause(b) > 0;
}

// The first block from k on that is not silent, or -1.
int next_sound_block(libspectrum_tape *tape, int k, int blocks) {
    libspectrum_tape_iterator it;
    libspectrum_tape_block *b = nth_block(tape, k, &it);
    for (; b && k < blocks; k++, b = libspectrum_tape_iterator_next(&it))
        if (!silent_block(b)) return k;
    return -1;
}

// The block the loader would hear next: the one about to start, or the one after the gap
// that is playing. -1 in mid-block.
int next_data_block(const TapeDeck *d) {
    if (d->place == kInBlock) return -1;
    return next_sound_block(d->tape, d->place == kInGap ? d->block + 1 : d->block, d->blocks);
}

// Runs the tape without a listener from where the deck stands to the start of block k: the
// edges handed to the run but not reached, the rest of the gap that plays, and the blocks
// without sound between. Returns the level there.
uint8_t play_silently_to(TapeDeck *d, int k) {
    uint8_t level = d->level;
    for (uint32_t i = 0; i < d->carry_count; i++) level ^= 1;
    libspectrum_dword delay = 0;
    int flags = 0;
    if (d->place == kAtBlockStart) {
        edge_seek(d, d->block);  // drops an edge fetched ahead
    } else {
        if (d->has_next) {
            flags = d->next.flags;
            level = edge_level(level, flags);
        }
        for (long n = 0; !(flags & LIBSPECTRUM_TAPE_FLAGS_BLOCK) && n < kMaxBlockEdges; n++) {
            flags = edge_take(d, &delay);
            level = edge_level(level, flags);
        }
    }
    int position = 0;
    libspectrum_tape_position(&position, d->tape);
    for (long n = 0; position < k && n < kMaxBlockEdges; n++) {
        flags = edge_take(d, &delay);
        level = edge_level(level, flags);
        libspectrum_tape_position(&position, d->tape);
    }
    return level;
}

}  // namespace

bool instant_load(TapeDeck *d, Machine *m) {
    if (!rom_loader_waiting(m)) return false;
    int k = next_data_block(d);
    if (k < 0) return false;
    libspectrum_tape_iterator it;
    libspectrum_tape_block *block = nth_block(d->tape, k, &it);
    if (!standard_block(block)) return false;
    const uint8_t *data = libspectrum_tape_block_data(block);
    size_t size = libspectrum_tape_block_data_length(block);

    // The registers as LD-BYTES holds them after its first port read: A' and F' from its
    // EX AF,AF', DE and IX as its caller set them; C from that read of the steady level.
    uint8_t level0 = d->level;
    LoaderRegs regs{};
    regs.d = m->d;
    regs.e = m->e;
    regs.ix = m->ix;
    regs.alta = m->alta;
    regs.altf = m->altf;
    LoaderRegs trial = regs;
    LoaderOutcome dry = rom_loader_run(&trial, m, data, size, false);
    // A short block leaves the loader waiting for more: only a pause longer than its patience
    // makes that wait end the same way whatever follows.
    if (dry.timed_out && libspectrum_tape_block_pause_tstates(block) < kLoaderPatience)
        return false;

    uint8_t level = play_silently_to(d, k);
    libspectrum_dword delay = 0;
    int flags = 0;
    long edges = 0;
    bool synced = false;
    // Pilot and sync: the loader's C follows the level at every edge it sees by complementing
    // its first value, so after the second sync pulse it is C0 or ~C0 by the level alone.
    while (!synced && !(flags & LIBSPECTRUM_TAPE_FLAGS_BLOCK) && edges++ < kMaxBlockEdges) {
        flags = edge_take(d, &delay);
        level = edge_level(level, flags);
        synced = edge_block_state(d->tape, flags) == LIBSPECTRUM_TAPE_STATE_DATA1;
    }
    uint8_t c0 = uint8_t(0x02 | (level0 ? 0x20 : 0));  // IN; RRA; AND 20; OR 02; LD C,A
    regs.c = level == level0 ? c0 : uint8_t(~c0);
    // The data: two edges a bit leave the level as the sync left it. The tape stops in the
    // pause after it, as a real one stands when the loader returns; the library's own way
    // of passing over the data for loads like this one is to set the pause state.
    bool in_gap = synced && edge_pass_data(d);

    rom_loader_run(&regs, m, data, size, true);
    m->a = regs.a;
    m->f = regs.f;
    m->b = regs.b;
    m->c = regs.c;
    m->d = regs.d;
    m->e = regs.e;
    m->h = regs.h;
    m->l = regs.l;
    m->ix = regs.ix;
    m->alta = regs.alta;
    m->altf = regs.altf;
    m->portfe = uint8_t((regs.edge_c & 0x07) | 0x08);  // LD-EDGE-1's border OUT, MIC bit set
    uint16_t sp = m->ear.trap_sp;
    memory_write16(m->rom, uint16_t(sp - 2), kAfterEdge2Call);
    memory_write16(m->rom, uint16_t(sp - 4), kAfterEdge1Call);
    m->pc = memory_read16(m->rom, sp);  // its RET: to SA/LD-RET after LD-BYTES's own PUSH
    m->sp = uint16_t(sp + 2);

    int position = 0;
    libspectrum_tape_position(&position, d->tape);
    bool ended =
        (flags & LIBSPECTRUM_TAPE_FLAGS_TAPE) || next_sound_block(d->tape, k + 1, d->blocks) < 0;
    tape_park(d, position, in_gap ? kInGap : kAtBlockStart, ended, level);
    return true;
}
