#include "core/run/engine_fixture.h"
#include "core/run/run_count.h"
#include "support/file_stat.h"

#include <chrono>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace vt::test {
namespace {

constexpr std::time_t kNoon = 1700049600;

// Waits until the count has passed the last line (at most ten seconds).
RunProgress when_known(const RunCount& count) {
    RunProgress totals;
    for (int i = 0; i < 1000; ++i) {
        count.read(totals);
        if (totals.total_known)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return totals;
}

class RunCountTest : public ::testing::Test, public EngineFixture {
protected:
    // Writes a file of `size` bytes dated `when`.
    std::string file(const std::string& relative, std::size_t size, std::time_t when = kNoon) {
        const std::string path = dir.write(relative, std::string(size, 'x'));
        set_mtime(path, when);
        return path;
    }
    // What the journal says was copied: the number of files and their bytes (the
    // source files' sizes).
    std::pair<std::int64_t, std::uint64_t> copied_in_journal() const {
        std::int64_t files = 0;
        std::uint64_t bytes = 0;
        std::string folder;
        for (const std::string& line : journal_lines()) {
            if (line.rfind("Searching For ", 0) == 0)
                folder = line.substr(14, line.rfind('/') - 14);
            if (line.rfind("Copied OK: ", 0) != 0)
                continue;
            const std::string name = line.substr(11, line.find(" <date>") - 11);
            struct stat st {};
            EXPECT_EQ(::stat((folder + "/" + name).c_str(), &st), 0) << folder << "/" << name;
            ++files;
            bytes += static_cast<std::uint64_t>(st.st_size);
        }
        return {files, bytes};
    }
};

// The count made before a run, against what that run then copied on the same tree:
// every kind of entry and every decision that needs no question.
TEST_F(RunCountTest, CountsWhatTheRunThenCopies) {
    const std::string src = dir.mkdir("src"), one = dir / "one", two = dir / "two";
    file("src/new.txt", 1000);
    file("src/empty.txt", 0);
    file("src/.hidden.txt", 7);
    file("src/sub/a.txt", 300);
    file("src/sub/deeper/b.bin", 4096);
    file("src/older-backup.txt", 50, kNoon + 10);
    file("one/older-backup.txt", 40, kNoon);
    file("src/same.txt", 60);
    file("one/same.txt", 60);
    file("two/same.txt", 60);         // copied again: line two replaces
    file("src/newer-backup.txt", 70); // asked about, answered Yes: copied, not counted
    file("one/newer-backup.txt", 71, kNoon + 10);
    file("two/newer-backup.txt", 72, kNoon + 10);
    file("src/.cache/x.txt", 5); // a hidden folder is searched too
    dir.mkdir("outside");
    file("outside/y.txt", 5);
    ASSERT_EQ(::symlink((dir / "outside").c_str(), (src + "/linked").c_str()), 0);
    ASSERT_EQ(::symlink((src + "/new.txt").c_str(), (src + "/alias.txt").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "nowhere").c_str(), (src + "/dangling.txt").c_str()), 0);
    ASSERT_EQ(::mkfifo((src + "/pipe.txt").c_str(), 0644), 0);
    // A backup kept inside its own source.
    const std::string three = dir.mkdir("three");
    file("three/c.txt", 11);
    file("three/backup/c.txt", 11, kNoon - 10);

    line(src, "*.*", one, false, true);
    line(src, "*.TXT", two, true, false);
    line(three, "*", three + "/backup", false, true);
    line(src, "*", src); // refused: one folder
    save_list();

    RunCount before;
    before.start(RunCount::lines_of(inputs));
    const RunProgress counted = when_known(before);
    ASSERT_TRUE(counted.total_known);

    for (const std::string& backup : {one, two}) {
        prompter.expect(
            "Copy this file?",
            "The version of: \r\n\r\nnewer-backup.txt\r\n\r\nIn the Destination folder: \r\n" +
                backup +
                "\r\nDated:  <date>\r\n\r\nIs newer than the version in the Source "
                "folder:\r\n" +
                src + "\r\nDated:  <date>\r\n\r\nDo you still want to copy?",
            Answer::Yes);
    }
    prompter.expect("Can't do this copy", "Source and destination directories are the same!",
                    Answer::Ok);
    expect_offer(prompter, 17);
    // The run's own count is complete before it ends.
    prompter.while_open = [&](const Prompt&) { when_known(engine.count()); };
    run();
    EXPECT_TRUE(prompter.done());

    const auto [files, bytes] = copied_in_journal();
    EXPECT_EQ(files, 17);
    // The two newer backups were copied on a Yes; the count never takes an answer
    // for granted.
    EXPECT_EQ(counted.total_files, files - 2);
    EXPECT_EQ(counted.total_bytes, bytes - 2 * 70);
    // What the run reported: the count, and the two it copied after the question.
    EXPECT_TRUE(progress.last.total_known);
    EXPECT_EQ(progress.last.total_files, files);
    EXPECT_EQ(progress.last.total_bytes, bytes);
    EXPECT_EQ(progress.last.copied, files);
    EXPECT_EQ(progress.last.bytes, bytes);
    EXPECT_EQ(progress.last.passed_files, 0);
    EXPECT_EQ(progress.fell, 0);
}

TEST_F(RunCountTest, FilesPassedOverAfterAllAreDoneWith) {
    const std::string src = dir.mkdir("src");
    for (int i = 0; i < 4; ++i)
        file("src/f" + std::to_string(i), 100 * (i + 1));
    line(src, "*", dir / "dst");
    save_list();
    options.verify_each_file = true;
    for (const Answer a : {Answer::Yes, Answer::No, Answer::Yes, Answer::No})
        prompter.answer_next(a);
    expect_offer(prompter, 2);
    prompter.while_open = [&](const Prompt&) { when_known(engine.count()); };
    run();
    EXPECT_TRUE(prompter.done());
    const RunProgress& last = progress.last;
    EXPECT_EQ(last.total_files, 4);
    EXPECT_EQ(last.total_bytes, 1000u);
    EXPECT_EQ(last.copied, 2);
    EXPECT_EQ(last.passed_files, 2);
    EXPECT_EQ(last.bytes + last.passed_bytes, 1000u);
    // Every box of the run, the offer at its end too, paused the run's clock and
    // started it again.
    ASSERT_EQ(progress.waits.size(), 2 * prompter.shown.size());
    for (std::size_t i = 0; i < progress.waits.size(); ++i)
        EXPECT_EQ(progress.waits[i], i % 2 == 0) << i;
}

// A count held up in a large folder: the run, already at the next line, counts that
// line's folder itself, and the total is not known before the run has left it.
TEST_F(RunCountTest, WhatTheRunReachesFirstItCountsItself) {
    for (int i = 0; i < 5000; ++i)
        dir.write("big/f" + std::to_string(i), "x");
    file("small/a", 10);
    RunCount count;
    count.start({{dir / "big", "*", dir / "out1"}, {dir / "small", "*", dir / "out2"}});
    RunCount::Place place = count.reached(2, 0);
    ASSERT_EQ(place.mode, RunCount::Place::Run);
    EXPECT_FALSE(count.took(place, 0));
    count.add(10); // the run copied "a"
    RunProgress totals;
    for (int i = 0; i < 1000 && !totals.total_known; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        count.read(totals);
        EXPECT_FALSE(totals.total_known);
        count.reached(2, 1); // the run leaves the folder
        count.read(totals);
    }
    EXPECT_TRUE(totals.total_known);
    EXPECT_EQ(totals.total_files, 5001);
    EXPECT_EQ(totals.total_bytes, 5010u);
}

TEST_F(RunCountTest, ACountOfNothingKeepsTheRunFromNoFolder) {
    // A run that shows no totals starts a count of no lines: its first folder, where
    // a count would start with it, is the run's at once, however late the count's
    // thread would come.
    for (int round = 0; round < 20; ++round) {
        RunCount count;
        count.start({});
        const auto before = std::chrono::steady_clock::now();
        RunCount::Place place = count.reached(1, 0);
        EXPECT_NE(place.mode, RunCount::Place::Shared);
        count.took(place, 0);
        EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(20));
    }
}

} // namespace
} // namespace vt::test
