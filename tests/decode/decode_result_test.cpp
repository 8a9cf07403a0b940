// The decoder's record is checked whole before the program uses any of it.
#include "decode/decode_result.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>

#include "snapshot/snapshot_files.h"
#include "tests/decode/decode_rig.h"

namespace {

TEST(DecodeResult, ARecordThatDoesNotCheckOutIsRefused) {
    struct Case {
        const char *what;
        DecodeOutcome outcome;
        size_t payload;
        void (*spoil)(DecodeHeader *);  // nullptr: the record as made
        bool read;
    } cases[] = {
        {"a tape", kDecodedTape, 100, nullptr, true},
        {"a state", kDecodedSnapshotState, sizeof(SnapshotState), nullptr, true},
        {"a refusal", kRefusedNot48K, 0, nullptr, true},
        {"another magic", kDecodedTape, 100, [](DecodeHeader *h) { h->magic[0] = 'X'; }, false},
        {"an outcome unknown", kDecodedTape, 100, [](DecodeHeader *h) { h->outcome = 99; },
         false},
        {"a name unterminated", kRefusedNotTape, 0,
         [](DecodeHeader *h) { std::memset(h->name, 'a', sizeof h->name); }, false},
        {"a name with a folder", kRefusedNotTape, 0,
         [](DecodeHeader *h) { std::strcpy(h->name, "../x.tap"); }, false},
        {"no name", kRefusedNotTape, 0, [](DecodeHeader *h) { h->name[0] = '\0'; }, false},
        {"a reason unterminated", kRefusedUnreadable, 0,
         [](DecodeHeader *h) { std::memset(h->reason, 'a', sizeof h->reason); }, false},
        {"a state cut short", kDecodedSnapshotState, sizeof(SnapshotState) - 1, nullptr, false},
        {"an empty tape", kDecodedTape, 0, nullptr, false},
        {"a refusal with a payload", kRefusedNotTape, 10, nullptr, false},
        {"a snapshot file of another size", kDecodedSnapshotFile, 100,
         [](DecodeHeader *h) { h->file_size = 200; }, false},
        {"a payload longer than said", kDecodedTape, 100,
         [](DecodeHeader *h) { h->payload_size = 99; }, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        DecodeHeader h;
        decode_header(&h, c.outcome, "game.tap");
        h.file_size = c.payload;
        h.payload_size = c.payload;
        if (c.spoil) c.spoil(&h);
        Bytes payload(c.payload, 0x5A);
        int fd = memfd_create("record", MFD_CLOEXEC);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(write(fd, &h, sizeof h), ssize_t(sizeof h));
        ASSERT_EQ(write(fd, payload.data(), payload.size()), ssize_t(payload.size()));
        DecodedFile file;
        EXPECT_EQ(decode_result_read(fd, 1000, &file) == 0, c.read);
        if (c.read) {
            EXPECT_TRUE(Bytes(file.data(), file.data() + file.size()) == payload);
            EXPECT_EQ(file.payload.size(), c.payload + kLibrarySpare);
            EXPECT_EQ(file.payload.back(), 0);
        }
        close(fd);
    }
}

}  // namespace
