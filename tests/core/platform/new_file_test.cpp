#include "core/platform/atomic_file.h"
#include "core/platform/new_file.h"
#include "core/platform/sys.h"
#include "support/folder_listing.h"
#include "support/temp_dir.h"

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <mutex>
#include <unistd.h>
#include <vector>

namespace vt::test {
namespace {

class NewFileTest : public ::testing::Test {
protected:
    void SetUp() override { folder = ::open(dir.path().c_str(), O_PATH | O_DIRECTORY); }
    void TearDown() override {
        sys::clear_fault_hook();
        ::close(folder);
    }
    // Records the calls made; with `named`, the file system "cannot" make unnamed files.
    void record(bool named) {
        sys::set_fault_hook([this, named, first = true](sys::Op op, const char*) mutable {
            calls.push_back(op);
            if (op == sys::Op::Create && named && first) {
                first = false;
                return EOPNOTSUPP;
            }
            return 0;
        });
    }
    int count(sys::Op op) const {
        return static_cast<int>(std::count(calls.begin(), calls.end(), op));
    }

    TempDir dir;
    int folder = -1;
    std::vector<sys::Op> calls;
};

TEST_F(NewFileTest, NothingShowsUntilTheFileIsNamedAndAReplacedFileIsFlushedFirst) {
    struct Case {
        const char* what;
        bool named;   // the file system cannot make unnamed files
        bool replace; // a file of that name exists
    };
    for (const Case c :
         {Case{"unnamed, new", false, false}, Case{"unnamed, replacing", false, true},
          Case{"named, new", true, false}, Case{"named, replacing", true, true}}) {
        if (c.replace)
            dir.write("target", "the last good copy");
        record(c.named);
        NewFile file;
        ASSERT_EQ(file.create(folder, ".", 0644), 0) << c.what;
        ASSERT_TRUE(sys::write_all(file.fd(), "new", 3));
        // While it is written, only a temporary of the program's own may show.
        std::vector<std::string> during = names_in(dir.path());
        std::erase(during, "target");
        if (c.named) {
            ASSERT_EQ(during.size(), 1u) << c.what;
            EXPECT_TRUE(NewFile::is_own_temporary(during[0])) << during[0];
        } else {
            EXPECT_TRUE(during.empty()) << c.what;
        }
        ASSERT_EQ(file.name_as("target", true), 0) << c.what;
        // The content reached the disk before it took the old file's place.
        EXPECT_EQ(count(sys::Op::DataSync), c.replace ? 1 : 0) << c.what;
        if (c.replace) {
            const auto sync = std::find(calls.begin(), calls.end(), sys::Op::DataSync);
            EXPECT_NE(std::find(sync, calls.end(), sys::Op::Rename), calls.end()) << c.what;
        }
        EXPECT_EQ(file.close(), 0);
        sys::clear_fault_hook();
        calls.clear();
        EXPECT_EQ(read_file(dir / "target"), "new") << c.what;
        EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"target"}) << c.what;
        ASSERT_EQ(::unlink((dir / "target").c_str()), 0);
    }
}

TEST(NewFileNames, OnlyTheProgramsOwnTemporaryNamesAreRecognised) {
    const std::pair<const char*, bool> cases[] = {
        {".vantorel-0123456789ab.tmp", true},  {".vantorel-0123456789AB.tmp", false},
        {".vantorel-0123456789a.tmp", false},  {"vantorel-0123456789ab.tmp", false},
        {".vantorel-0123456789ab.txt", false}, {"report.tmp", false},
    };
    for (const auto& [name, own] : cases)
        EXPECT_EQ(NewFile::is_own_temporary(name), own) << name;
}

TEST(ReplaceFile, ANameAtTheSystemsLimitCanBeReplaced) {
    TempDir dir;
    // 255 bytes of two-byte characters and one ASCII letter: a temporary name made
    // from it could neither grow nor be cut without breaking a character.
    std::string name = "x";
    while (name.size() + 2 <= 255)
        name += "\xc3\xa9";
    const std::string path = dir.write(name, "old");
    ASSERT_TRUE(replace_file(path, "new").ok);
    EXPECT_EQ(read_file(path), "new");
    EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{name});
}

} // namespace
} // namespace vt::test
