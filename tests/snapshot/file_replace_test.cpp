// Where a save goes when the folder asked for cannot take it, and the temporary files that
// killed saves leave behind.
#include "snapshot/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <set>

#include "snapshot/sna_file.h"
#include "snapshot/snapshot_files.h"
#include "tests/snapshot/snapshot_fixture.h"

namespace {

Machine *marked_machine(uint8_t mark) {
    Machine *m = fresh_machine(mark);
    m->sp = 0x8000;
    return m;
}

// RAM byte 0x4000 of the .sna file at path, or -1 when there is none.
int saved_mark(const std::string &path) {
    Bytes file = read_bytes(path);
    return file.size() == kSnaFileSize ? file[kSnaHeaderSize] : -1;
}

// A folder that the ordinary user of as_ordinary_user may enter and list but not write.
void make_closed_folder(const std::string &path) {
    ASSERT_EQ(mkdir(path.c_str(), 0555), 0);
    chmod(path.c_str(), 0555);
}

// A folder the ordinary user may write.
void make_open_folder(const std::string &path) {
    ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
    if (geteuid() == 0) {
        ASSERT_EQ(chown(path.c_str(), kNobody, kNobody), 0);
    }
}

std::set<std::string> names_in(const std::string &dir) {
    std::set<std::string> names;
    for (const auto &e : std::filesystem::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

class Saving : public testing::Test {
   protected:
    void SetUp() override {
        home = open(".", O_RDONLY | O_DIRECTORY);
        ASSERT_GE(home, 0);
        // The ordinary user must reach the folders inside, and remove them.
        chmod(dir.path().c_str(), 0755);
        if (geteuid() == 0) {
            ASSERT_EQ(chown(dir.path().c_str(), kNobody, kNobody), 0);
        }
    }
    void TearDown() override {
        EXPECT_EQ(fchdir(home), 0);
        close(home);
    }
    // Saves as "tmp.sna" in the working folder, else in folders; the message.
    std::string save(Machine *m, std::vector<const char *> folders, int *result = nullptr) {
        folders.push_back(nullptr);
        char message[kSnapshotMessageSize];
        int r = save_snapshot(m, "tmp.sna", folders.data(), message, sizeof message);
        if (result) *result = r;
        return message;
    }
    int home = -1;
    TempDir dir;
};

// A folder closed to new files: the temporary file cannot be made, so a tmp.sna that the
// user may write is written over in place, and one that is missing cannot be saved there.
TEST_F(Saving, AClosedFolderStillTakesAWritableFileInPlace) {
    std::string closed = dir / "closed", file = closed + "/tmp.sna";
    make_open_folder(closed);
    write_bytes(file, Bytes(100000, 0x77));  // longer than a .sna: cut to length
    if (geteuid() == 0) {
        ASSERT_EQ(chown(file.c_str(), kNobody, kNobody), 0);
    }
    ASSERT_EQ(chmod(closed.c_str(), 0555), 0);
    Machine *m = marked_machine(0x42);
    int status = as_ordinary_user([&] {
        if (access(closed.c_str(), W_OK) == 0) return 3;  // the folder would take new files
        return save_sna(m, file.c_str()) == 0 ? 0 : 1;
    });
    ASSERT_EQ(status, 0);
    EXPECT_EQ(saved_mark(file), 0x42);
    EXPECT_EQ(names_in(closed), std::set<std::string>{"tmp.sna"});

    std::string other = closed + "/other.sna";
    status = as_ordinary_user([&] { return save_sna(m, other.c_str()) == EACCES ? 0 : 1; });
    EXPECT_EQ(status, 0) << "a new file in a closed folder";
    EXPECT_EQ(names_in(closed), std::set<std::string>{"tmp.sna"});
}

// The working folder removed while it was the working folder: "tmp.sna" goes to the first
// of the other folders that takes it, and the message says where.
TEST_F(Saving, AFolderThatCannotTakeTheFileSendsItElsewhere) {
    std::string here = dir / "here", home_folder = dir / "home", start = dir / "start";
    for (const std::string &f : {here, home_folder, start}) make_open_folder(f);
    const struct {
        const char *name;
        bool remove_working_folder;  // else the working folder is closed to the user
        std::vector<std::string> folders;
        std::string saved_in;  // "" for nowhere
    } cases[] = {
        {"removed_to_home", true, {home_folder, start}, home_folder},
        {"removed_home_unset", true, {"", start}, start},
        {"removed_home_missing", true, {dir / "missing", start}, start},
        {"removed_nowhere", true, {dir / "missing"}, ""},
        {"closed_to_home", false, {home_folder, start}, home_folder},
    };
    uint8_t mark = 1;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        mark++;
        std::string working = dir / (std::string("w_") + c.name);
        if (c.remove_working_folder) {
            make_open_folder(working);
        } else {
            make_closed_folder(working);
        }
        std::vector<const char *> folders;
        for (const std::string &f : c.folders) folders.push_back(f.c_str());
        Machine *m = marked_machine(mark);
        std::string message;
        int result = -1;
        int status = as_ordinary_user([&] {
            if (chdir(working.c_str()) != 0) return 2;
            if (c.remove_working_folder && rmdir(working.c_str()) != 0) return 3;
            if (!c.remove_working_folder && access(".", W_OK) == 0) return 4;
            message = save(m, folders, &result);
            // The child's findings travel in a file beside the folders.
            write_bytes(dir / "message", Bytes(message.begin(), message.end()));
            return result == 0 ? 0 : 1;
        });
        Bytes said = read_bytes(dir / "message");
        message.assign(said.begin(), said.end());
        if (c.saved_in.empty()) {
            EXPECT_EQ(status, 1);
            EXPECT_EQ(message.rfind("Couldn't save tmp.sna: ", 0), 0u) << message;
        } else {
            EXPECT_EQ(status, 0) << message;
            EXPECT_EQ(saved_mark(c.saved_in + "/tmp.sna"), mark);
            EXPECT_EQ(message, "Saved tmp.sna in " + c.saved_in);
        }
    }
}

// Saved where asked: no message, and the other folders untouched.
TEST_F(Saving, AWorkingFolderThatTakesTheFileKeepsIt) {
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    std::string other = dir / "other";
    make_open_folder(other);
    Machine *m = marked_machine(0x31);
    int result = -1;
    EXPECT_EQ(save(m, {other.c_str()}, &result), "");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(saved_mark(dir / "tmp.sna"), 0x31);
    EXPECT_FALSE(std::filesystem::exists(other + "/tmp.sna"));
}

// The temporary files of saves killed before they renamed theirs are removed at the next
// save in that folder: those of processes that are gone, and those older than this run
// (their pid may since have gone to another process). A save running now keeps its own.
TEST_F(Saving, RemovesTheTemporaryFilesOfKilledSaves) {
    pid_t dead = fork();
    if (dead == 0) _exit(0);
    waitpid(dead, nullptr, 0);
    pid_t alive = getpid();
    auto temporary = [](pid_t pid, int serial) {
        return ".tavisk-" + std::to_string(pid) + "-" + std::to_string(serial) + ".tmp";
    };
    const struct {
        std::string name;
        bool old;
        bool temporary;  // of the saver's pattern
        bool removed;
    } cases[] = {
        {temporary(dead, 0), false, true, true},
        {temporary(dead, 7), true, true, true},
        {temporary(alive, 900), true, true, true},
        {temporary(alive, 901), false, true, false},
        {".tavisk-" + std::to_string(dead) + "-x.tmp", true, false, false},
        {".tavisk-" + std::to_string(dead) + ".tmp", true, false, false},
        {"tavisk-" + std::to_string(dead) + "-1.tmp", true, false, false},
        {temporary(dead, 1) + ".sna", true, false, false},
    };
    for (const auto &c : cases) {
        write_bytes(dir / c.name, {1, 2, 3});
        if (c.old) {
            timespec times[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
            ASSERT_EQ(utimensat(AT_FDCWD, (dir / c.name).c_str(), times, 0), 0);
        }
        EXPECT_EQ(is_replace_temporary(c.name.c_str()), c.temporary) << c.name;
    }
    Machine *m = marked_machine(0x12);
    ASSERT_EQ(save_sna(m, (dir / "game.sna").c_str()), 0);
    for (const auto &c : cases)
        EXPECT_EQ(std::filesystem::exists(dir / c.name), !c.removed) << c.name;
    EXPECT_EQ(saved_mark(dir / "game.sna"), 0x12);
}

}  // namespace
