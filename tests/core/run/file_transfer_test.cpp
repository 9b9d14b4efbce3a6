#include "core/run/file_transfer.h"

#include "core/platform/sys.h"
#include "core/run/engine_fixture.h"
#include "core/run/journal.h"
#include "support/file_stat.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vt::test {
namespace {

class FileTransferTest : public ::testing::Test {
protected:
    void SetUp() override {
        src = dir.mkdir("src");
        dst = dir.mkdir("dst");
        journal.open_preview([this](const std::string& line) { entries.push_back(line); });
    }
    void TearDown() override { sys::clear_fault_hook(); }

    // Fails the n-th call of `op` (counting from 1) with `error`, once.
    void fail_once(sys::Op op, int nth, int error) {
        auto count = std::make_shared<int>(0);
        sys::set_fault_hook([=](sys::Op o, const char*) {
            if (o != op)
                return 0;
            return ++*count == nth ? error : 0;
        });
    }

    TempDir dir;
    std::string src, dst;
    ScriptedPrompter prompter;
    Journal journal;
    std::vector<std::string> entries;
    FileTransfer transfer{prompter, journal};
};

std::string box_text(const char* first_line, const std::string& name, const std::string& error) {
    return std::string(first_line) + "\r\n" + name + " with the following message: \r\n\r\n" +
           error;
}

TEST_F(FileTransferTest, CopiesContentWithTimesToTheNanosecondInFewLargeCalls) {
    // The kernel copies a file of a few megabytes in one call; a larger one in calls
    // of several megabytes, never in 61440-byte blocks.
    const std::size_t sizes[] = {0, 1, 61440, 61441, 3 * 61440 + 5, 9u << 20};
    for (std::size_t size : sizes) {
        const std::string name = "f" + std::to_string(size);
        const std::string content = pattern(size, FileTransfer::kBlockSize);
        const std::string from = dir.write("src/" + name, content);
        set_times(from, {1600000000, 111222333}, {1650000000, 987654321});
        std::atomic<int> writes = 0;
        sys::set_fault_hook([&](sys::Op op, const char*) {
            writes += op == sys::Op::Write;
            return 0;
        });
        FileTransfer fresh{prompter, journal};
        EXPECT_EQ(fresh.transfer(src, dst, name), TransferOutcome::Copied);
        sys::clear_fault_hook();
        struct stat st {};
        ASSERT_EQ(::stat((dst + "/" + name).c_str(), &st), 0);
        EXPECT_EQ(st.st_mtim.tv_sec, 1650000000);
        EXPECT_EQ(st.st_mtim.tv_nsec, 987654321);
        EXPECT_EQ(st.st_atim.tv_sec, 1600000000);
        EXPECT_EQ(st.st_atim.tv_nsec, 111222333);
        EXPECT_EQ(read_file(dst + "/" + name), content) << size;
        if (size <= CallPacer::kSmallest)
            EXPECT_EQ(writes, size == 0 ? 0 : 1) << size;
        else
            EXPECT_TRUE(writes >= 2 && writes <= 9) << size << ": " << writes;
    }
    EXPECT_TRUE(EngineFixture::leftovers(dst).empty());
}

struct FaultCase {
    const char* what;
    sys::Op op;
    int nth; // the first kernel call moves 8 MiB
    int error;
    const char* title;
    const char* first_line;
};

const FaultCase kFaults[] = {
    {"source cannot be opened", sys::Op::Open, 1, EBUSY, "Source File Access Problem",
     "Your system is unable to open the source file"},
    {"destination cannot be created", sys::Op::Create, 1, EROFS, "Destination File Access Problem",
     "Your system is unable to create the destination file"},
    {"read fails", sys::Op::Read, 2, EIO, "Data Transfer Problem",
     "Your system is having trouble completing the copy of file"},
    {"disk full in the middle", sys::Op::Write, 2, ENOSPC, "Data Transfer Problem",
     "Your system is having trouble completing the copy of file"},
    {"copy cannot take the destination's place", sys::Op::Rename, 1, EACCES,
     "Destination File Access Problem", "Your system is unable to create the destination file"},
    {"copy cannot be flushed before it replaces the backup", sys::Op::DataSync, 1, EIO,
     "Data Transfer Problem", "Your system is having trouble completing the copy of file"},
};

TEST_F(FileTransferTest, FailuresKeepTheOldDestinationAndLeaveNoTemporaryFile) {
    const std::string content =
        pattern(9u << 20, FileTransfer::kBlockSize); // two kernel calls at least
    dir.write("src/big", content);
    for (const FaultCase& c : kFaults) {
        for (Answer answer : {Answer::Abort, Answer::Ignore, Answer::Retry}) {
            dir.write("dst/big", "the last good backup");
            entries.clear();
            fail_once(c.op, c.nth, c.error);
            prompter.expect(c.title, box_text(c.first_line, "big", std::strerror(c.error)), answer);
            FileTransfer fresh{prompter, journal}; // its calls start at their first size
            const TransferOutcome outcome = fresh.transfer(src, dst, "big");
            sys::clear_fault_hook();
            EXPECT_TRUE(prompter.done()) << c.what;
            EXPECT_TRUE(EngineFixture::leftovers(dst).empty()) << c.what;
            ASSERT_FALSE(entries.empty());
            EXPECT_EQ(entries.front(), std::string("Copy of big generated a system error of ") +
                                           std::strerror(c.error))
                << c.what;
            if (answer == Answer::Retry) {
                // The fault has cleared: the next attempt copies the file.
                EXPECT_EQ(outcome, TransferOutcome::Copied) << c.what;
                EXPECT_EQ(read_file(dst + "/big"), content) << c.what;
            } else {
                EXPECT_EQ(outcome,
                          answer == Answer::Abort ? TransferOutcome::EndRun : TransferOutcome::Skip)
                    << c.what;
                EXPECT_EQ(read_file(dst + "/big"), "the last good backup") << c.what;
            }
        }
    }
    EXPECT_EQ(prompter.shown.front().buttons, Buttons::AbortRetryIgnore);
    EXPECT_EQ(prompter.shown.front().default_button, Answer::Abort);
}

TEST_F(FileTransferTest, AProgramKilledInTheMiddleLeavesTheOldFileAndNothingElse) {
    dir.write("src/big", pattern(10 * 61440, FileTransfer::kBlockSize));
    dir.write("dst/big", "the last good backup");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        transfer.on_block([](std::uint64_t done, std::uint64_t) {
            if (done >= 5 * 61440)
                ::raise(SIGKILL);
        });
        transfer.transfer(src, dst, "big");
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(read_file(dst + "/big"), "the last good backup");
    EXPECT_TRUE(EngineFixture::leftovers(dst).empty());
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dst))
        ++entries;
    EXPECT_EQ(entries, 1u);
}

TEST_F(FileTransferTest, EveryFailedRetryIsRecordedAgain) {
    dir.write("src/f", "f");
    sys::set_fault_hook([](sys::Op op, const char*) { return op == sys::Op::Open ? EBUSY : 0; });
    prompter.answer_next(Answer::Retry);
    prompter.answer_next(Answer::Ignore);
    EXPECT_EQ(transfer.transfer(src, dst, "f"), TransferOutcome::Skip);
    EXPECT_EQ(entries.size(), 2u);
    EXPECT_FALSE(exists(dst + "/f"));
}

TEST_F(FileTransferTest, FallsBackToReadAndWriteWhereTheKernelCannotCopy) {
    const std::string content = pattern(3 * 61440 + 17, FileTransfer::kBlockSize);
    dir.write("src/f", content);
    int writes = 0;
    sys::set_fault_hook([&](sys::Op op, const char*) {
        if (op != sys::Op::Write)
            return 0;
        return ++writes == 1 ? EXDEV : 0;
    });
    EXPECT_EQ(transfer.transfer(src, dst, "f"), TransferOutcome::Copied);
    EXPECT_EQ(read_file(dst + "/f"), content);
    EXPECT_EQ(writes, 1 + 4);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(FileTransferTest, PartialWritesAreCompletedNotMistakenForFailures) {
    const std::string content = pattern(100000, FileTransfer::kBlockSize);
    dir.write("src/f", content);
    fail_once(sys::Op::Write, 1, sys::kShortWrite);
    EXPECT_EQ(transfer.transfer(src, dst, "f"), TransferOutcome::Copied);
    EXPECT_EQ(read_file(dst + "/f"), content);
}

TEST_F(FileTransferTest, TimesThatCannotBeSetAreRecordedAndTheFileCounts) {
    dir.write("src/f", "content");
    fail_once(sys::Op::SetTimes, 1, EPERM);
    EXPECT_EQ(transfer.transfer(src, dst, "f"), TransferOutcome::Copied);
    EXPECT_EQ(read_file(dst + "/f"), "content");
    EXPECT_EQ(entries, std::vector<std::string>{std::string("Error setting new files timestamp ") +
                                                std::strerror(EPERM)});
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(FileTransferTest, ReadOnlyDestinationIsLeftUntouched) {
    dir.write("src/f", "new");
    const std::string old = dir.write("dst/f", "old");
    ASSERT_EQ(::chmod(old.c_str(), 0444), 0);
    prompter.expect("Destination File Access Problem",
                    box_text("Your system is unable to create the destination file", "f",
                             std::strerror(EACCES)),
                    Answer::Ignore);
    EXPECT_EQ(transfer.transfer(src, dst, "f"), TransferOutcome::Skip);
    EXPECT_EQ(read_file(old), "old");
    struct stat st {};
    ASSERT_EQ(::stat(old.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
}

TEST_F(FileTransferTest, CopyKeepsPermissionBitsAndStaysReplaceable) {
    const std::string from = dir.write("src/tool", "#!/bin/sh\n");
    ASSERT_EQ(::chmod(from.c_str(), 0555), 0);
    EXPECT_EQ(transfer.transfer(src, dst, "tool"), TransferOutcome::Copied);
    struct stat st {};
    ASSERT_EQ(::stat((dst + "/tool").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);
    EXPECT_EQ(transfer.transfer(src, dst, "tool"), TransferOutcome::Copied);
}

TEST_F(FileTransferTest, AFileThatAppearsWhileTheCopyIsMadeIsReplacedOnlyByTheRules) {
    // The run saw no destination file and a worker made the copy; meanwhile a file of
    // that name appeared. Naming the copy treats it as any file to be replaced: a file
    // its owner may not write stays, any other is replaced after the copy is flushed.
    struct Case {
        const char* what;
        mode_t mode;
        bool replaced;
    };
    for (const Case c : {Case{"writable", 0644, true}, Case{"read-only", 0444, false}}) {
        dir.write("src/f", "the copy");
        std::filesystem::remove(dst + "/f");
        const int source_dir = ::open(src.c_str(), O_RDONLY | O_DIRECTORY);
        const int destination_dir = ::open(dst.c_str(), O_PATH | O_DIRECTORY);
        // A disk flushed whole, where a new copy is not flushed when made.
        const DiskTraits ext4 = traits_of_type(disk_type::kExt);
        TransferPlace place{source_dir, destination_dir, 0};
        place.disk = &ext4;
        CopyMethods methods;
        CopyScratch scratch;
        MadeCopy made =
            FileTransfer::make_copy(place, "f", DestinationSeen::Absent, methods, scratch, {});
        ASSERT_TRUE(made.ok()) << c.what;
        ASSERT_FALSE(made.flushed) << c.what;
        const std::string appeared = dir.write("dst/f", "appeared meanwhile");
        ASSERT_EQ(::chmod(appeared.c_str(), c.mode), 0);
        std::vector<sys::Op> order;
        sys::set_fault_hook([&order](sys::Op op, const char*) {
            order.push_back(op);
            return 0;
        });
        FileTransfer::name_copy(made, place, "f");
        sys::clear_fault_hook();
        ::close(source_dir);
        ::close(destination_dir);
        if (c.replaced) {
            EXPECT_TRUE(made.ok()) << c.what;
            EXPECT_EQ(read_file(dst + "/f"), "the copy") << c.what;
            // The name is tried first (and found taken); the flush comes before the
            // rename that replaces the file.
            const auto flushed = std::find(order.begin(), order.end(), sys::Op::DataSync);
            const auto renamed = std::find(order.rbegin(), order.rend(), sys::Op::Rename).base();
            ASSERT_NE(flushed, order.end()) << c.what;
            EXPECT_LT(flushed, renamed) << c.what;
        } else {
            EXPECT_EQ(made.problem, MadeCopy::Problem::Destination) << c.what;
            EXPECT_EQ(made.error, EACCES) << c.what;
            EXPECT_EQ(read_file(dst + "/f"), "appeared meanwhile") << c.what;
            ::chmod(appeared.c_str(), 0644);
        }
        EXPECT_TRUE(EngineFixture::leftovers(dst).empty()) << c.what;
    }
}

} // namespace
} // namespace vt::test
