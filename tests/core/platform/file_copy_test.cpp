#include "core/platform/file_copy.h"
#include "core/platform/sys.h"
#include "support/temp_dir.h"

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace vt::test {
namespace {

constexpr off_t kMiB = 1 << 20;

class FileCopyTest : public ::testing::Test {
protected:
    void TearDown() override { sys::clear_fault_hook(); }

    // A file of `size` bytes holding data only in `runs` (offset, length); the rest
    // are holes.
    std::string sparse(const std::string& name, off_t size,
                       const std::vector<std::pair<off_t, std::size_t>>& runs) {
        const std::string path = dir / name;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(::ftruncate(fd, size), 0);
        char c = 'a';
        for (const auto& [at, length] : runs) {
            const std::string data(length, c++);
            EXPECT_EQ(::pwrite(fd, data.data(), data.size(), at),
                      static_cast<ssize_t>(data.size()));
        }
        ::close(fd);
        return path;
    }

    // Copies `from` into a new file `to` as a transfer does.
    CopyResult copy(const std::string& from, const std::string& to, const CopyWatch& watch = {},
                    off_t claimed_size = -1) {
        const int in = ::open(from.c_str(), O_RDONLY);
        const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        struct stat st {};
        ::fstat(in, &st);
        if (claimed_size >= 0)
            st.st_size = claimed_size;
        struct stat folder {};
        ::stat(dir.path().c_str(), &folder);
        const CopyResult r = copy_file_data(in, st, out, folder.st_dev, methods, scratch, watch);
        ::close(in);
        ::close(out);
        return r;
    }

    static struct stat stat_of(const std::string& path) {
        struct stat st {};
        ::stat(path.c_str(), &st);
        return st;
    }

    TempDir dir;
    CopyMethods methods;
    CopyScratch scratch;
};

TEST_F(FileCopyTest, HolesStayHolesAndTheDataIsExact) {
    struct Case {
        const char* what;
        off_t size;
        std::vector<std::pair<off_t, std::size_t>> runs;
        bool in_kernel; // false: the kernel refuses and the data goes through the buffer
    };
    const std::vector<Case> cases = {
        {"a disk image", 64 * kMiB, {{0, 65536}, {20 * kMiB, 100000}, {40 * kMiB, 4096}}, true},
        {"holes at both ends", 32 * kMiB, {{10 * kMiB, 300000}}, true},
        {"nothing but a hole", 8 * kMiB, {}, true},
        {"through the buffer", 32 * kMiB, {{4096, 70000}, {30 * kMiB, 8192}}, false},
    };
    for (const Case& c : cases) {
        const std::string from = sparse("sparse", c.size, c.runs);
        if (!c.in_kernel) {
            // The first kernel call says the file systems cannot copy inside the kernel.
            sys::set_fault_hook([first = true](sys::Op op, const char*) mutable {
                if (op != sys::Op::Write || !first)
                    return 0;
                first = false;
                return EXDEV;
            });
        }
        const CopyResult r = copy(from, dir / "copy");
        sys::clear_fault_hook();
        EXPECT_EQ(r.status, CopyStatus::Done) << c.what;
        const struct stat source = stat_of(from), made = stat_of(dir / "copy");
        EXPECT_EQ(made.st_size, c.size) << c.what;
        // No more room than the source's data, give or take a block per run.
        EXPECT_LE(made.st_blocks, source.st_blocks + 8 * static_cast<blkcnt_t>(c.runs.size() + 1))
            << c.what;
        EXPECT_TRUE(read_file(dir / "copy") == read_file(from)) << c.what;
    }
}

TEST_F(FileCopyTest, ASourceShorterThanItsSizeEndsEarly) {
    for (const bool holes : {false, true}) {
        const std::string from = holes ? sparse("short", 4 * kMiB, {{kMiB, 1000}})
                                       : dir.write("short", std::string(100000, 's'));
        const off_t real = stat_of(from).st_size;
        EXPECT_EQ(copy(from, dir / "copy", {}, real + 5000).status, CopyStatus::EndedEarly)
            << holes;
    }
}

TEST_F(FileCopyTest, ACancelIsActedOnBetweenTwoCalls) {
    const std::string from = dir.write("big", std::string(20 * kMiB, 'b'));
    std::atomic<bool> cancel = false;
    std::atomic<std::uint64_t> done = 0;
    CopyWatch watch;
    watch.cancel = &cancel;
    watch.done = &done;
    int calls = 0;
    watch.after_call = [&](std::uint64_t, std::uint64_t) {
        ++calls;
        cancel = true;
    };
    EXPECT_EQ(copy(from, dir / "copy", watch).status, CopyStatus::Cancelled);
    EXPECT_EQ(calls, 1);
    EXPECT_GT(done.load(), 0u);
    EXPECT_LT(done.load(), static_cast<std::uint64_t>(20 * kMiB));
}

TEST(CopyMethods, AWayIsGivenUpOnlyWhenAFileSystemRefusesItAgainAndAgain) {
    struct Case {
        const char* what;
        dev_t from, to;
        std::vector<std::pair<bool, int>> outcomes; // of clones, in order
        bool may_clone;
    };
    const std::vector<Case> cases = {
        {"one file that cannot share blocks", 1, 1, {{false, EINVAL}}, true},
        {"seven refusals", 1, 1, std::vector<std::pair<bool, int>>(7, {false, EOPNOTSUPP}), true},
        {"eight refusals", 1, 1, std::vector<std::pair<bool, int>>(8, {false, EOPNOTSUPP}), false},
        {"a success between them",
         1,
         1,
         {{false, EOPNOTSUPP},
          {false, EOPNOTSUPP},
          {false, EOPNOTSUPP},
          {false, EOPNOTSUPP},
          {true, 0},
          {false, EOPNOTSUPP},
          {false, EOPNOTSUPP},
          {false, EOPNOTSUPP},
          {false, EOPNOTSUPP}},
         true},
        {"two file systems", 1, 2, {{false, EXDEV}}, false},
    };
    for (const Case& c : cases) {
        CopyMethods methods;
        for (const auto& [ok, error] : c.outcomes)
            methods.cloned(c.from, c.to, ok, error);
        EXPECT_EQ(methods.may_clone(c.from, c.to), c.may_clone) << c.what;
        EXPECT_TRUE(methods.may_clone(c.to + 10, c.to + 10)) << c.what; // other disks: asked
        methods.clear();
        EXPECT_TRUE(methods.may_clone(c.from, c.to)) << c.what;
    }
    CopyMethods kernel;
    kernel.copied_in_kernel(1, 2, false, EXDEV);
    EXPECT_FALSE(kernel.may_copy_in_kernel(1, 2));
    EXPECT_TRUE(kernel.may_copy_in_kernel(1, 1));
}

TEST(CallPacer, CallsGrowOnAFastDiskAndShrinkOnASlowOne) {
    using std::chrono::milliseconds;
    CallPacer pacer;
    const std::size_t first = pacer.size();
    pacer.took(first, milliseconds(2));
    EXPECT_EQ(pacer.size(), 2 * first);
    pacer.took(pacer.size() / 3, milliseconds(500)); // the end of a file says nothing
    EXPECT_EQ(pacer.size(), 2 * first);
    for (int i = 0; i < 20; ++i)
        pacer.took(pacer.size(), milliseconds(1));
    EXPECT_EQ(pacer.size(), CallPacer::kLargest);
    for (int i = 0; i < 20; ++i)
        pacer.took(pacer.size(), milliseconds(400));
    EXPECT_EQ(pacer.size(), CallPacer::kSmallest);
    pacer.took(pacer.size(), milliseconds(30)); // about right: kept
    EXPECT_EQ(pacer.size(), CallPacer::kSmallest);
}

} // namespace
} // namespace vt::test
