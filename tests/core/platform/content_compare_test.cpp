#include "core/platform/content_compare.h"

#include "core/platform/sys.h"
#include "core/run/engine_fixture.h"
#include "core/run/file_transfer.h"
#include "core/run/journal.h"
#include "support/file_stat.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace vt::test {
namespace {

constexpr std::size_t kBlock = CompareBuffers::kBlock;
// Runs of letters that straddle the blocks of the comparison.
constexpr std::size_t kOddRun = 4093;
constexpr const char* kDiffers = "The copy read back differs from its source";

struct Fd {
    int fd;
    ~Fd() { ::close(fd); }
};

class ContentCompareTest : public ::testing::Test {
protected:
    void TearDown() override { sys::clear_fault_hook(); }
    Comparison compare(const std::string& source, const std::string& copy, std::uint64_t size,
                       const CompareProgress& progress = nullptr) {
        const Fd a{::open(dir.write("source", source).c_str(), O_RDONLY)};
        const Fd b{::open(dir.write("copy", copy).c_str(), O_RDONLY)};
        return compare_contents(a.fd, b.fd, size, buffers, progress);
    }

    TempDir dir;
    CompareBuffers buffers;
};

TEST_F(ContentCompareTest, FindsTheFirstDifferenceWhereverItIs) {
    using R = Comparison::Result;
    struct Case {
        const char* what;
        std::size_t size;
        long changed;          // byte changed in the copy, -1 none
        std::size_t copy_size; // of the copy
        R result;
        std::uint64_t offset;
        // The size the comparison is told when the source shrank to `size` after it was
        // read; 0: `size`.
        std::uint64_t told = 0;
    };
    const Case cases[] = {
        {"empty files", 0, -1, 0, R::Same, 0},
        {"one block the same", 4000, -1, 4000, R::Same, 0},
        {"three blocks the same", 2 * kBlock + 3, -1, 2 * kBlock + 3, R::Same, 0},
        {"the first byte", 10, 0, 10, R::Different, 0},
        {"the last byte of a block", kBlock + 10, long(kBlock) - 1, kBlock + 10, R::Different,
         kBlock - 1},
        {"the first byte of the next block", kBlock + 10, long(kBlock), kBlock + 10, R::Different,
         kBlock},
        {"the very last byte", 2 * kBlock + 3, long(2 * kBlock) + 2, 2 * kBlock + 3, R::Different,
         2 * kBlock + 2},
        {"a copy that ends early", kBlock + 9, -1, kBlock + 4, R::Different, kBlock + 4},
        {"only the size compared counts", 100, -1, 150, R::Same, 0},
        {"a shrunk source, a copy as short", 40, -1, 40, R::Different, 40, 100},
        {"a shrunk source, a copy as short, in the second block", kBlock + 40, -1, kBlock + 40,
         R::Different, kBlock + 40, 2 * kBlock},
        {"a source shrunk to nothing, an empty copy", 0, -1, 0, R::Different, 0, 10},
    };
    for (const Case& c : cases) {
        const std::string source = pattern(c.size, kOddRun);
        std::string copy = pattern(std::max(c.size, c.copy_size), kOddRun).substr(0, c.copy_size);
        if (c.changed >= 0)
            copy[static_cast<std::size_t>(c.changed)] ^= 1;
        const Comparison got = compare(source, copy, c.told ? c.told : c.size);
        EXPECT_EQ(got.result, c.result) << c.what;
        EXPECT_EQ(got.offset, c.offset) << c.what;
    }
}

TEST_F(ContentCompareTest, ReadFaultsAndCancelling) {
    using R = Comparison::Result;
    struct Case {
        const char* what;
        sys::Op op;
        int fault;
        R result;
        int error;
    };
    const Case cases[] = {
        {"the disk gives back other data", sys::Op::ReadBack, sys::kAltered, R::Different, 0},
        {"the copy cannot be read", sys::Op::ReadBack, EIO, R::CopyError, EIO},
        {"the source cannot be read", sys::Op::Read, ESTALE, R::SourceError, ESTALE},
    };
    const std::string content = pattern(2 * kBlock, kOddRun);
    for (const Case& c : cases) {
        sys::set_fault_hook([&](sys::Op op, const char*) { return op == c.op ? c.fault : 0; });
        const Comparison got = compare(content, content, content.size());
        sys::clear_fault_hook();
        EXPECT_EQ(got.result, c.result) << c.what;
        EXPECT_EQ(got.error, c.error) << c.what;
        EXPECT_EQ(got.offset, 0u) << c.what;
        EXPECT_FALSE(comparison_error_text(got).empty()) << c.what;
    }
    std::vector<std::uint64_t> steps;
    const Comparison cancelled = compare(content, content, content.size(), [&](std::uint64_t at) {
        steps.push_back(at);
        return false;
    });
    EXPECT_EQ(cancelled.result, R::Cancelled);
    EXPECT_EQ(steps, std::vector<std::uint64_t>{kBlock});
}

TEST_F(ContentCompareTest, ACopyIsWrittenOutBeforeItIsReadBack) {
    const std::string content = pattern(3 * 4096, kOddRun);
    const Fd source{::open(dir.write("source", content).c_str(), O_RDONLY)};
    const Fd copy{::open((dir / "copy").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600)};
    ASSERT_EQ(::write(copy.fd, content.data(), content.size()), ssize_t(content.size()));
    std::vector<sys::Op> calls;
    sys::set_fault_hook([&](sys::Op op, const char*) {
        if (op == sys::Op::DataSync || op == sys::Op::ReadBack)
            calls.push_back(op);
        return 0;
    });
    EXPECT_TRUE(verify_copy(copy.fd, source.fd, content.size(), buffers).same());
    EXPECT_EQ(calls, (std::vector<sys::Op>{sys::Op::DataSync, sys::Op::ReadBack}));

    sys::set_fault_hook([](sys::Op op, const char*) { return op == sys::Op::DataSync ? EIO : 0; });
    const Comparison failed = verify_copy(copy.fd, source.fd, content.size(), buffers);
    EXPECT_EQ(failed.result, Comparison::Result::CopyError);
    EXPECT_EQ(comparison_error_text(failed), "Input/output error");
}

class CompareEachCopyTest : public ::testing::Test {
protected:
    void SetUp() override {
        src = dir.mkdir("src");
        dst = dir.mkdir("dst");
        journal.open_preview([this](const std::string& line) { entries.push_back(line); });
        transfer.set_compare(true);
    }
    void TearDown() override { sys::clear_fault_hook(); }

    TempDir dir;
    std::string src, dst;
    ScriptedPrompter prompter;
    Journal journal;
    std::vector<std::string> entries;
    FileTransfer transfer{prompter, journal};
};

TEST_F(CompareEachCopyTest, ACopyThatReadsBackWrongNeverReplacesTheBackup) {
    const std::string content = pattern(kBlock + 5000, kOddRun);
    dir.write("src/big", content);
    const std::string box = "Your system is having trouble completing the copy of file\r\nbig with "
                            "the following message: \r\n\r\n" +
                            std::string(kDiffers);
    for (Answer answer : {Answer::Abort, Answer::Ignore, Answer::Retry}) {
        dir.write("dst/big", "the last good backup");
        entries.clear();
        auto read_backs = std::make_shared<int>(0);
        sys::set_fault_hook([=](sys::Op op, const char*) {
            return op == sys::Op::ReadBack && ++*read_backs == 2 ? sys::kAltered : 0;
        });
        prompter.expect("Data Transfer Problem", box, answer);
        const TransferOutcome outcome = transfer.transfer(src, dst, "big");
        sys::clear_fault_hook();
        EXPECT_TRUE(prompter.done());
        EXPECT_EQ(entries.front(),
                  "Copy of big generated a system error of " + std::string(kDiffers));
        EXPECT_TRUE(EngineFixture::leftovers(dst).empty());
        if (answer == Answer::Retry) {
            EXPECT_EQ(outcome, TransferOutcome::Copied);
            EXPECT_EQ(read_file(dst + "/big"), content);
        } else {
            EXPECT_EQ(outcome,
                      answer == Answer::Abort ? TransferOutcome::EndRun : TransferOutcome::Skip);
            EXPECT_EQ(read_file(dst + "/big"), "the last good backup");
        }
    }
}

TEST_F(CompareEachCopyTest, ReadingTheCopyBackLeavesItsTimesAsTheSourcesAre) {
    // An access time older than the modification time is one a read would move.
    const std::string from = dir.write("src/f", pattern(9000, kOddRun));
    set_times(from, {1500000000, 123}, {1650000000, 456});
    int read_backs = 0;
    sys::set_fault_hook([&](sys::Op op, const char*) {
        read_backs += op == sys::Op::ReadBack;
        return 0;
    });
    EXPECT_EQ(transfer.transfer(src, dst, "f"), TransferOutcome::Copied);
    sys::clear_fault_hook();
    EXPECT_EQ(read_backs, 1);
    struct stat st {};
    ASSERT_EQ(::stat((dst + "/f").c_str(), &st), 0);
    EXPECT_EQ(st.st_atim.tv_sec, 1500000000);
    EXPECT_EQ(st.st_atim.tv_nsec, 123);
    EXPECT_EQ(st.st_mtim.tv_sec, 1650000000);
}

class CompareRunTest : public ::testing::Test, public EngineFixture {};

TEST_F(CompareRunTest, TheOptionIsTakenForEveryFileOfARun) {
    const std::string src = dir.mkdir("src"), dst = dir / "dst";
    dir.write("src/a.txt", "alpha");
    line(src, "*.*", dst);
    save_list();
    options.compare_each_copy = true;
    sys::set_fault_hook(
        [](sys::Op op, const char*) { return op == sys::Op::ReadBack ? sys::kAltered : 0; });
    prompter.answer_next(Answer::Ignore);
    expect_offer(prompter, 0);
    run();
    sys::clear_fault_hook();
    EXPECT_FALSE(exists(dst + "/a.txt"));
    EXPECT_EQ(engine.summary().failures, 1);
    const std::vector<std::string> lines = journal_lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "Copy of a.txt generated a system error of " + std::string(kDiffers)),
              lines.end());

    options.compare_each_copy = false; // the disk's fault is not looked for
    sys::set_fault_hook(
        [](sys::Op op, const char*) { return op == sys::Op::ReadBack ? sys::kAltered : 0; });
    expect_offer(prompter, 1);
    run();
    sys::clear_fault_hook();
    EXPECT_EQ(read_file(dst + "/a.txt"), "alpha");
}

} // namespace
} // namespace vt::test
