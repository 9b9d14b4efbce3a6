#include "core/platform/beneath.h"
#include "core/platform/new_file.h"
#include "core/platform/stale_temporaries.h"
#include "support/deep_tree.h"
#include "support/file_stat.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <ctime>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace vt::test {
namespace {

class BeneathTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        set_openat2_usable(GetParam());
        dir.mkdir("top/real/deeper");
        dir.write("top/real/file.txt", "inside");
        dir.write("outside/secret.txt", "outside");
        ASSERT_EQ(::symlink((dir / "outside").c_str(), (dir / "top/away").c_str()), 0);
        ASSERT_EQ(
            ::symlink((dir / "outside/secret.txt").c_str(), (dir / "top/real/link.txt").c_str()),
            0);
        ASSERT_EQ(::symlink("real", (dir / "top/near").c_str()), 0);
        // The top folder itself reached through a link: the person's own choice.
        ASSERT_EQ(::symlink((dir / "top").c_str(), (dir / "top-link").c_str()), 0);
        top = ::open((dir / "top-link").c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        ASSERT_GE(top, 0);
    }
    void TearDown() override {
        ::close(top);
        set_openat2_usable(true);
    }

    // 0 when it opened, else the errno.
    int opens(const std::string& sub_path, int flags) {
        const int fd = open_beneath(top, sub_path, flags);
        const int error = fd < 0 ? errno : 0;
        if (fd >= 0)
            ::close(fd);
        return error;
    }

    TempDir dir;
    int top = -1;
};

TEST_P(BeneathTest, OpensRealFoldersAndFilesAndRefusesEveryLinkBelowTheTop) {
    struct Case {
        const char* sub_path;
        int flags;
        int error;
    };
    const Case cases[] = {
        {"", O_PATH | O_DIRECTORY, 0},
        {"/real", O_PATH | O_DIRECTORY, 0},
        {"real/deeper/", O_PATH | O_DIRECTORY, 0},
        {"/real//deeper", O_RDONLY | O_DIRECTORY, 0},
        {"/real/file.txt", O_RDONLY, 0},
        {"/away", O_PATH | O_DIRECTORY, ELOOP},        // to a folder outside
        {"/away/secret.txt", O_RDONLY, ELOOP},         // through one on the way
        {"/near", O_PATH | O_DIRECTORY, ELOOP},        // even to a folder inside
        {"/real/link.txt", O_RDONLY, ELOOP},           // where a file is expected
        {"/real/link.txt", O_WRONLY | O_TRUNC, ELOOP}, // never written through
        {"/real/../../outside", O_PATH | O_DIRECTORY, EXDEV},
        {"/missing", O_PATH | O_DIRECTORY, ENOENT},
    };
    for (const Case& c : cases)
        EXPECT_EQ(opens(c.sub_path, c.flags), c.error) << c.sub_path;
    EXPECT_EQ(read_file(dir / "outside/secret.txt"), "outside");
}

TEST_P(BeneathTest, PathsPastTheLimitAreWalkedToo) {
    const DeepTree tree(dir / "top/real", 30, 200);
    const std::string sub = tree.path(tree.levels(), "/real");
    ASSERT_GT(sub.size(), std::size_t(PATH_MAX));
    EXPECT_EQ(opens(sub, O_PATH | O_DIRECTORY), 0);
    EXPECT_EQ(opens(sub + "/none", O_PATH | O_DIRECTORY), ENOENT);
}

INSTANTIATE_TEST_SUITE_P(KernelAndFallback, BeneathTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "openat2" : "part_by_part"; });

// What a killed run left: only the program's own names, only regular files, only
// older than the run.
TEST(StaleTemporariesTest, RemovesOnlyFilesOfTheProgramsOwnNamesThatNoLiveRunHolds) {
    TempDir dir;
    const std::time_t now = std::time(nullptr);
    auto age = [](const std::string& path, std::time_t when) { set_mtime(path, when); };
    // Left by a run killed this very second: on a disk of whole seconds its time is
    // the run's start, and only the lock tells it is nobody's.
    age(dir.write("f/.vantorel-0123456789ab.tmp", "half copy of a killed run"), now);
    // Being written by a run under way, with the source's old time already set.
    const int live = ::open(dir.write("f/.vantorel-abcdefghijkl.tmp", "being written").c_str(),
                            O_RDWR | O_CLOEXEC);
    NewFile::hold(live);
    age(dir / "f/.vantorel-abcdefghijkl.tmp", now - 3600);
    age(dir.write("f/.vantorel-0123456789AB.tmp", "the person's"), now - 3600);
    age(dir.write("f/vantorel-0123456789ab.tmp", "no dot"), now - 3600);
    dir.mkdir("f/.vantorel-zzzzzzzzzzzz.tmp");
    ASSERT_EQ(::symlink("elsewhere", (dir / "f/.vantorel-yyyyyyyyyyyy.tmp").c_str()), 0);
    const int fd = ::open((dir / "f").c_str(), O_PATH | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(remove_stale_temporaries(fd, now),
              std::vector<std::string>{".vantorel-0123456789ab.tmp"});
    ::close(fd);
    for (const char* kept : {".vantorel-abcdefghijkl.tmp", ".vantorel-0123456789AB.tmp",
                             "vantorel-0123456789ab.tmp", ".vantorel-zzzzzzzzzzzz.tmp"})
        EXPECT_TRUE(exists(dir / (std::string("f/") + kept))) << kept;
    struct stat st {};
    EXPECT_EQ(::lstat((dir / "f/.vantorel-yyyyyyyyyyyy.tmp").c_str(), &st), 0);
    EXPECT_FALSE(exists(dir / "f/.vantorel-0123456789ab.tmp"));
    ::close(live);
}

} // namespace
} // namespace vt::test
