#include "core/check/backup_check.h"

#include "core/platform/sys.h"
#include "core/run/engine_fixture.h"
#include "support/file_stat.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace vt::test {
namespace {

constexpr const char* kOffer = "Do you wish to view the journal file now?";

// The names of the entries that start with `prefix`, in their order, each up to the
// first blank after the prefix (the copy run adds dates).
std::vector<std::string> names_after(const std::vector<std::string>& lines,
                                     const std::string& prefix) {
    std::vector<std::string> names;
    for (const std::string& l : lines)
        if (l.rfind(prefix, 0) == 0)
            names.push_back(l.substr(prefix.size(), l.find(' ', prefix.size()) - prefix.size()));
    return names;
}

// What a backup tree holds, times to the nanosecond included.
std::map<std::string, std::string> snapshot(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
        struct stat st {};
        ::lstat(e.path().c_str(), &st);
        std::string what = std::to_string(st.st_size) + " " + std::to_string(st.st_mtim.tv_nsec) +
                           " " + std::to_string(st.st_atim.tv_sec) + " " +
                           std::to_string(st.st_atim.tv_nsec);
        if (S_ISREG(st.st_mode)) { // read without moving its access time
            const int fd = ::open(e.path().c_str(), O_RDONLY | O_NOATIME);
            char buffer[256];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            ::close(fd);
            what += " " + std::string(buffer, static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
        }
        files[e.path()] = what;
    }
    return files;
}

class BackupCheckTest : public ::testing::Test, public EngineFixture {
protected:
    void SetUp() override {
        src = dir.mkdir("src");
        dst = dir / "dst";
        options = {false, true, 1};
    }
    void TearDown() override { sys::clear_fault_hook(); }

    // One check, whose journal offer is titled with what it found.
    void check_expecting(const std::string& title) {
        prompter.expect(title, kOffer, Answer::No);
        check.click();
        EXPECT_TRUE(prompter.done()) << title;
    }
    // The journal's last block, the file entries of each folder in name order.
    std::vector<std::string> last_block() const {
        std::vector<std::string> lines = journal_lines();
        const auto start = std::find_if(lines.rbegin(), lines.rend(), [](const std::string& l) {
            return l.rfind("Vantorel Journal file started", 0) == 0;
        });
        lines.erase(lines.begin(), std::prev(start.base()));
        auto folder = [](const std::string& l) { return l.rfind("Comparing ", 0) == 0; };
        for (auto at = std::find_if(lines.begin(), lines.end(), folder); at != lines.end();) {
            const auto end = std::find_if(
                at + 1, lines.end(), [&](const std::string& l) { return l.empty() || folder(l); });
            std::sort(at + 1, end);
            at = std::find_if(end, lines.end(), folder);
        }
        return lines;
    }

    BackupCheck check{inputs, masked, pump, &desktop, &progress};
    std::string src, dst;
};

TEST_F(BackupCheckTest, AnAlteredBackupIsFoundByTheCheckAndByNothingElse) {
    dir.write("src/a.txt", "alpha");
    dir.write("src/b.txt", "bravo");
    line(src, "*.*", dst);
    save_list();
    expect_offer(prompter, 2);
    run();
    // One byte of the backup changes; its size and time stay.
    struct stat before {};
    ASSERT_EQ(::stat((dst + "/b.txt").c_str(), &before), 0);
    dir.write("dst/b.txt", "brAvo");
    set_times(dst + "/b.txt", before.st_atim, before.st_mtim);

    expect_offer(prompter, 0);
    run();
    EXPECT_EQ(read_file(dst + "/b.txt"), "brAvo");

    check_expecting("2 files checked: 1 DIFFERENT");
    EXPECT_EQ(last_block(),
              (std::vector<std::string>{
                  "Vantorel Journal file started <date> (Check Backup)",
                  "",
                  "",
                  "Checking Copy line 1 *.* in " + src + " against " + dst,
                  "Comparing " + src + "/*.* with " + dst,
                  "DIFFERENT: b.txt differs from byte 3 on",
                  "Same: a.txt",
                  "",
                  "2 Files checked in total: 1 Same, 1 DIFFERENT, 0 Missing in backup, 0 "
                  "could not be read",
                  "",
                  "Vantorel Journal file Ended <date> (Check Backup)",
              }));
    EXPECT_FALSE(check.summary().all_same());
    EXPECT_EQ(read_file(dst + "/b.txt"), "brAvo");
}

TEST_F(BackupCheckTest, MissingFilesAndFoldersThatCannotBeRead) {
    dir.write("src/a", "a");
    dir.write("src/sub/b", "b");
    dir.write("src/gone/c", "c");
    dir.write("src/locked/d", "d");
    dir.write("dst/a", "a");
    dir.mkdir("dst/sub");
    const std::string nowhere = dir / "nowhere";
    line(src, "*", dst, false, true);
    line(nowhere, "*", dir / "dst2");
    save_list();
    sys::set_fault_hook([](sys::Op op, const char* path) {
        const std::string p = path ? path : "";
        return op == sys::Op::OpenDir && p.size() > 7 && p.substr(p.size() - 7) == "/locked"
                   ? EACCES
                   : 0;
    });
    prompter.expect("Source Folder Access Problem", unreadable_box(src + "/locked", EACCES),
                    Answer::Ignore);
    prompter.expect("Source Folder Access Problem", unreadable_box(nowhere, ENOENT),
                    Answer::Ignore);
    check_expecting("3 files checked: 2 missing in backup, 2 folders could not be read");
    const std::vector<std::string> lines = last_block();
    for (const std::string& expected :
         {std::string("Missing in backup: b"), std::string("Missing in backup: c"),
          "Unable to read directory " + src + "/locked because Permission denied",
          "Unable to read directory " + nowhere + " because No such file or directory",
          std::string("3 Files checked in total: 1 Same, 0 DIFFERENT, 2 Missing in backup, 0 "
                      "could not be read"),
          std::string("2 folders could not be read")})
        EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end()) << expected;
    EXPECT_FALSE(exists(dst + "/gone"));
}

TEST_F(BackupCheckTest, SizesAndFilesThatCannotBeRead) {
    for (const char* name : {"same.txt", "longer.txt", "unreadable.txt", "srcbad.txt"}) {
        dir.write(std::string("src/") + name, "12345");
        dir.write(std::string("dst/") + name, "12345");
    }
    dir.write("dst/longer.txt", "123456789");
    line(src, "*.txt", dst);
    save_list();
    std::atomic<int> unreadable = 0, srcbad = 0;
    sys::set_fault_hook([&](sys::Op op, const char* path) {
        if (op != sys::Op::Open || !path)
            return 0;
        if (std::strcmp(path, "unreadable.txt") == 0 && ++unreadable == 2)
            return EIO; // the backup: opened after its source
        if (std::strcmp(path, "srcbad.txt") == 0 && ++srcbad == 1)
            return EACCES;
        return 0;
    });
    check_expecting("4 files checked: 1 DIFFERENT, 2 could not be read");
    const std::vector<std::string> lines = last_block();
    for (const char* expected :
         {"Same: same.txt", "DIFFERENT: longer.txt is 9 bytes in the backup and 5 in the source",
          "Unable to read backup file unreadable.txt because Input/output error",
          "Unable to read source file srcbad.txt because Permission denied"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end()) << expected;
}

TEST_F(BackupCheckTest, ChecksWhatARunCopiesInItsOrderAndWritesNothingToTheBackup) {
    for (const char* f : {"a.txt", ".hidden", "b.doc", "sub/c.txt", "sub/d.txt", "sub/deeper/f.txt",
                          ".git/e.txt", ".vantorel-versions/a.txt", "sub2/g.txt"})
        dir.write(std::string("src/") + f, f);
    ASSERT_EQ(::symlink("a.txt", (src + "/link.txt").c_str()), 0);
    ASSERT_EQ(::symlink("sub", (src + "/sublink").c_str()), 0);
    ASSERT_EQ(::symlink("missing", (src + "/dangling").c_str()), 0);
    ASSERT_EQ(::mkfifo((src + "/fifo").c_str(), 0600), 0);
    line(src, "*", dst, false, true);
    save_list();
    expect_offer(prompter, 8);
    run();
    const std::vector<std::string> copied = journal_lines();
    dir.write("dst/.vantorel-versions/a.txt", "an older a.txt"); // kept versions: not checked
    // Old access times, which a careless read would move.
    for (const auto& e : std::filesystem::recursive_directory_iterator(dst))
        set_mtime(e.path(), 1500000000);
    const auto before = snapshot(dst);

    check_expecting("8 files checked: all the same");
    const std::vector<std::string> checked = journal_lines();
    EXPECT_EQ(names_after(checked, "Same: "), names_after(copied, "Copied OK: "));
    EXPECT_EQ(names_after(checked, "Comparing "), names_after(copied, "Searching For "));
    EXPECT_EQ(snapshot(dst), before);
    EXPECT_TRUE(check.summary().all_same());
    EXPECT_EQ(progress.last.copied, 8);
    // The count that gives the progress its total selects the same files (it runs at idle
    // priority, so it may finish after the check).
    RunCount count;
    count.start(RunCount::lines_of(inputs), true);
    RunProgress totals;
    for (int i = 0; i < 1000 && !totals.total_known; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        count.read(totals);
    }
    EXPECT_EQ(totals.total_files, 8);
}

TEST_F(BackupCheckTest, ReportsInWalkOrderWithAnyNumberOfThreadsAndStops) {
    for (int i = 0; i < 150; ++i)
        dir.write("src/f" + std::to_string(i), std::string(std::size_t(i) * 97 % 20000, 'x'));
    dir.write("src/large", std::string(3 * CompareBuffers::kBlock + 11, 'y'));
    line(src, "*", dst);
    save_list();
    expect_offer(prompter, 151);
    run();
    dir.write("dst/f7", "changed");
    std::vector<std::vector<std::string>> reports;
    for (unsigned threads : {1u, 4u}) {
        check.set_threads(threads);
        check_expecting("151 files checked: 1 DIFFERENT");
        reports.push_back(journal_lines());
    }
    EXPECT_EQ(reports[0], reports[1]);

    pump.calls = 0;
    pump.at = 60;
    pump.action = [this] { check.click(); }; // "Stop Copy"
    prompter.answer_next(Answer::No);
    check.click();
    EXPECT_TRUE(check.summary().stopped);
    EXPECT_FALSE(check.running());
    const std::vector<std::string> lines = journal_lines();
    EXPECT_LE(check.summary().files(), 60);
    EXPECT_EQ(lines[lines.size() - 3], "The check was stopped before it had compared every file");
    EXPECT_NE(prompter.shown.back().title.find("stopped before the end"), std::string::npos);
}

TEST_F(BackupCheckTest, RefusalsAndAJournalSharedWithRuns) {
    prompter.expect("Nothing to do", "There is no list of files to copy!, Save and try again",
                    Answer::Ok);
    check.click();
    EXPECT_FALSE(check.summary().started);
    dir.write("src/a", "a");
    line(src, "*", dst);
    prompter.expect("File is unnamed",
                    "Cannot create a Journal file for an unnamed list, Save and try again",
                    Answer::Ok);
    check.click();
    EXPECT_FALSE(check.summary().started);

    // A line into its own folder is not checked; appended blocks of runs and checks
    // share one journal, which every run then takes for its own.
    line(src, "*", src);
    save_list();
    options.journal_append_index = 0;
    const Prompt same{"Can't do this copy", "Source and destination directories are the same!"};
    prompter.expect(same.title, same.text, Answer::Ok);
    expect_offer(prompter, 1);
    run();
    check_expecting("1 file checked: 1 line not checked");
    prompter.expect(same.title, same.text, Answer::Ok);
    expect_offer(prompter, 0);
    run();
    std::vector<std::string> starts;
    const std::vector<std::string> lines = journal_lines();
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].rfind("Vantorel Journal file started", 0) == 0)
            starts.push_back((i >= 2 ? lines[i - 2] + lines[i - 1] : "") + lines[i]);
    EXPECT_EQ(starts, (std::vector<std::string>{
                          "Vantorel Journal file started <date>",
                          "Vantorel Journal file started <date> (Check Backup)",
                          "Vantorel Journal file started <date>",
                      }));
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "Not checked: source and destination directories are the same"),
              lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "1 line not checked: source and destination directories are the same"),
              lines.end());
}

} // namespace
} // namespace vt::test
