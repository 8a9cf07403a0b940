#include "snapshot/user_places.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <filesystem>
#include <string>

#include "tests/snapshot/snapshot_fixture.h"

namespace {

// The test's folder stands for "@" at the start of a variable's value or of a path.
class UserPlaces : public ::testing::Test {
   protected:
    std::string expand(const std::string &s) const {
        return s.starts_with('@') ? root.path() + s.substr(1) : s;
    }
    void set(const char *variable, const char *value) {
        if (value)
            setenv(variable, expand(value).c_str(), 1);
        else
            unsetenv(variable);
    }

    TempDir root;
};

TEST_F(UserPlaces, FoldersFromTheEnvironmentOrHome) {
    const std::string tmp = "/tmp/tavisk-" + std::to_string(getuid());
    const std::string too_long = "keymaps/" + std::string(PATH_MAX, 'x');
    struct Case {
        const char *what;
        const char *config, *data, *runtime, *home;  // the XDG variables and HOME; nullptr unset
        UserPlace place;
        std::string sub;
        int error;
        std::string want;
    } cases[] = {
        {"config from XDG", "@/c", "@/d", "@", "@/h", kUserConfig, "keymaps", 0,
         "@/c/tavisk/keymaps"},
        {"config under HOME", nullptr, "@/d", "@", "@/h", kUserConfig, "keymaps", 0,
         "@/h/.config/tavisk/keymaps"},
        {"a relative XDG path counts for nothing", "c", nullptr, "@", "@/h", kUserConfig, "keymaps",
         0, "@/h/.config/tavisk/keymaps"},
        {"data from XDG", "@/c", "@/d", "@", "@/h", kUserData, "saves", 0, "@/d/tavisk/saves"},
        {"data under HOME", "@/c", nullptr, "@", "@/h", kUserData, "saves", 0,
         "@/h/.local/share/tavisk/saves"},
        {"the program's own folder", "@/c", "@/d", "@", "@/h", kUserConfig, "", 0, "@/c/tavisk"},
        {"no HOME, no XDG", nullptr, nullptr, "@", nullptr, kUserConfig, "keymaps", ENOENT, ""},
        {"a relative HOME", nullptr, nullptr, "@", "h", kUserData, "saves", ENOENT, ""},
        {"runtime from XDG", nullptr, nullptr, "@", nullptr, kUserRuntime, "", 0, "@/tavisk"},
        {"a runtime folder that is not there", nullptr, nullptr, "@/gone", nullptr, kUserRuntime,
         "", 0, tmp},
        {"no runtime folder", nullptr, nullptr, nullptr, nullptr, kUserRuntime, "", 0, tmp},
        {"a path too long", "@/c", "@/d", "@", "@/h", kUserConfig, too_long, ENAMETOOLONG, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        set("XDG_CONFIG_HOME", c.config);
        set("XDG_DATA_HOME", c.data);
        set("XDG_RUNTIME_DIR", c.runtime);
        set("HOME", c.home);
        std::string want = expand(c.want);
        char folder[PATH_MAX];
        // Looking up makes nothing; making makes every folder on the way, the user's alone.
        EXPECT_EQ(user_folder(c.place, c.sub.c_str(), false, folder, sizeof folder), c.error);
        if (c.error) continue;
        EXPECT_EQ(folder, want);
        if (want != tmp) {
            EXPECT_FALSE(std::filesystem::exists(want));
        }
        EXPECT_EQ(user_folder(c.place, c.sub.c_str(), true, folder, sizeof folder), 0);
        EXPECT_EQ(folder, want);
        struct stat st;
        ASSERT_EQ(stat(folder, &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_mode & 077, 0u);
        for (const auto &entry : std::filesystem::directory_iterator(root.path()))
            std::filesystem::remove_all(entry.path());
    }
}

// What stands in the way of a folder is reported, never written over.
TEST_F(UserPlaces, AFileWhereAFolderBelongsIsAnError) {
    set("XDG_CONFIG_HOME", "@/c");
    std::filesystem::create_directories(root / "c/tavisk");
    write_bytes(root / "c/tavisk/keymaps", {});
    char folder[PATH_MAX];
    EXPECT_EQ(user_folder(kUserConfig, "keymaps", true, folder, sizeof folder), ENOTDIR);
    EXPECT_EQ(user_folder(kUserConfig, "keymaps", true, folder, 10), ENAMETOOLONG);
    EXPECT_TRUE(std::filesystem::is_regular_file(root / "c/tavisk/keymaps"));
}

}  // namespace
