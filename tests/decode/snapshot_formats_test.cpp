// Snapshots in formats the library reads run as the machine another format holds: the same
// state, written by snapconv as .z80 and as .szx, loads into the same machine, which then
// runs the same frames and saves the same tmp.sna.
#include <cstring>

#include "machine/run_frame.h"
#include "snapshot/sna_file.h"
#include "snapshot/snapshot_files.h"
#include "snapshot/snapshot_state.h"
#include "tests/decode/decode_rig.h"

namespace {

uint8_t image[kMemorySize];
Machine machine;

// A ROM of DI; HALT, and at 0x8000 a loop that counts through memory and writes the border:
// LD HL,0x9000; loop: INC (HL); LD A,(HL); AND 7; OUT (0xFE),A; INC HL; JR loop.
void power_on() {
    std::memset(image, 0, sizeof image);
    image[0] = 0xF3, image[1] = 0x76;
    machine_power_on(&machine, image);
    const uint8_t loop[] = {0x21, 0x00, 0x90, 0x34, 0x7E, 0xE6, 0x07,
                            0xD3, 0xFE, 0x23, 0x18, 0xF7};
    std::memcpy(image + 0x8000, loop, sizeof loop);
    for (int a = 0xA000; a < 0x10000; a++) image[a] = uint8_t(a * 13 + (a >> 8));
}

void run_frames(int n) {
    for (int k = 0; k < n; k++) {
        machine.tstates = 0;
        machine.tslimit = kFrameTstates;
        run_frame(&machine);
        machine.counter++;
        machine.sndread = (machine.sndread + 1) % kRingFrames;
    }
}

TEST(SnapshotFormats, SzxRunsAsTheSameMachineAsZ80) {
    ScratchDir dir;
    power_on();
    // Every register distinct; R's bits 0-6 clear, as a .z80 file keeps only its bit 7.
    machine.a = 0x11, machine.f = 0xD7, machine.b = 0x22, machine.c = 0x33, machine.d = 0x44;
    machine.e = 0x55, machine.h = 0x66, machine.l = 0x77, machine.r = 0x80, machine.i = 0x3F;
    machine.alta = 0x88, machine.altf = 0x99, machine.altb = 0xAA, machine.altc = 0xBB;
    machine.altd = 0xCC, machine.alte = 0xDD, machine.alth = 0xEE, machine.altl = 0xF1;
    machine.ix = 0x1357, machine.iy = 0x2468, machine.sp = 0xFF00, machine.pc = 0x8000;
    machine.iff1 = machine.iff2 = 1, machine.im = 1, machine.portfe = 0xF5;
    ASSERT_EQ(save_sna(&machine, (dir / "state.sna").c_str()), 0);
    for (const char *format : {"state.z80", "state.szx"})
        ASSERT_EQ(std::system((std::string(SNAPCONV) + " " + (dir / "state.sna") + " " +
                               (dir / format) + " 2>/dev/null")
                                  .c_str()),
                  0)
            << format;

    char message[kSnapshotMessageSize];
    power_on();
    ASSERT_EQ(load_snapshot(&machine, (dir / "state.z80").c_str(), message, sizeof message),
              kLoaded)
        << message;
    run_frames(20);
    ASSERT_EQ(save_sna(&machine, (dir / "from_z80.sna").c_str()), 0);

    power_on();
    DecodedFile file;
    ASSERT_EQ(decode_here((dir / "state.szx").c_str(), &file), 0);
    ASSERT_EQ(file.header.outcome, kDecodedSnapshotState) << file.header.reason;
    static SnapshotState state;
    std::memcpy(&state, file.data(), sizeof state);
    ASSERT_EQ(load_snapshot_state(&machine, &state), kLoaded);
    run_frames(20);
    ASSERT_EQ(save_sna(&machine, (dir / "from_szx.sna").c_str()), 0);

    Bytes z80 = read_bytes(dir / "from_z80.sna"), szx = read_bytes(dir / "from_szx.sna");
    ASSERT_EQ(z80.size(), kSnaFileSize);
    EXPECT_TRUE(z80 == szx) << "the machines parted";
    EXPECT_NE(z80[kSnaHeaderSize + 0x9000 - 0x4000], 0) << "the loop did not run";
}

}  // namespace
