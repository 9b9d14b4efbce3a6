#include "core/platform/directory.h"
#include "core/platform/folder_create.h"
#include "core/platform/long_path.h"
#include "core/platform/sys.h"
#include "support/deep_tree.h"
#include "support/temp_dir.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vt::test {
namespace {

// 45 levels of 100-character names: 4,545 bytes below the root, past PATH_MAX.
class LongPathTest : public ::testing::Test {
protected:
    void TearDown() override { sys::clear_fault_hook(); }
    TempDir dir;
    DeepTree tree{dir.path(), 45, 100};
};

TEST_F(LongPathTest, FoldersPastThePathLimitAreOpenedLookedAtAndMade) {
    const std::string deep = tree.path(45);
    ASSERT_GT(deep.size(), static_cast<std::size_t>(PATH_MAX));
    // The system itself refuses the path: the test means something.
    EXPECT_LT(::open(deep.c_str(), O_PATH), 0);
    EXPECT_EQ(errno, ENAMETOOLONG);

    const int fd = open_long_path(AT_FDCWD, deep, O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    ::close(fd);
    // Relative to a folder descriptor too, and with a trailing separator.
    const int root = ::open(dir.path().c_str(), O_PATH | O_DIRECTORY);
    const int relative = open_long_path(root, deep.substr(dir.path().size() + 1) + "/", O_PATH);
    EXPECT_GE(relative, 0);
    ::close(relative);
    ::close(root);

    EXPECT_TRUE(is_folder(deep));
    EXPECT_FALSE(is_folder(deep + "/missing"));
    struct stat st {};
    EXPECT_EQ(stat_long_path(deep + "/missing", st, false), -1);
    EXPECT_EQ(errno, ENOENT);

    tree.write(45, "f.txt", "x", 1700000000);
    ASSERT_EQ(stat_long_path(deep + "/f.txt", st, true), 0);
    EXPECT_EQ(st.st_size, 1);

    const std::string template_folder = dir.mkdir("template");
    ASSERT_EQ(::chmod(template_folder.c_str(), 0750), 0);
    ASSERT_TRUE(create_folder_from_template(template_folder, deep + "/new").ok);
    ASSERT_EQ(stat_long_path(deep + "/new", st, false), 0);
    EXPECT_EQ(st.st_mode & 0777, 0750u);
    EXPECT_EQ(create_folder_from_template(template_folder, deep + "/gone/new").error_code, ENOENT);

    Directory listing(deep);
    std::string_view name;
    unsigned char type = 0;
    int entries = 0;
    while (listing.next(name, type))
        ++entries;
    EXPECT_EQ(entries, 2);
    EXPECT_EQ(listing.error(), 0);
}

} // namespace
} // namespace vt::test
