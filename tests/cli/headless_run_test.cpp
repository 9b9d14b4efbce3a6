#include "cli/headless_run.h"

#include "core/platform/drive_check.h"
#include "core/platform/sys.h"
#include "core/run/journal.h"
#include "core/settings/settings_file.h"
#include "support/file_stat.h"
#include "support/saved_list.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace vt {
namespace {

class HeadlessRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        src = dir.mkdir("src");
        dir.write("src/a.txt", "a");
        dir.write("src/b.txt", "b");
    }
    void TearDown() override { sys::clear_fault_hook(); }

    std::string save(const std::vector<CopyLine>& lines, const std::string& message = "") {
        return test::save_list(dir / "nightly.vtl", lines, message);
    }
    int run(const std::vector<std::string>& args, HeadlessReport* report = nullptr) {
        out.str("");
        err.str("");
        const CommandLine command = parse_command_line(args);
        EXPECT_EQ(command.mode, CommandLine::Mode::Run);
        return headless_run(command, CopyOptions{}, out, err, false, report);
    }

    test::TempDir dir;
    test::ScopedEnv runtime = test::runtime_dir_in(dir);
    std::string src;
    std::ostringstream out, err;
};

TEST_F(HeadlessRunTest, CopiesAndAnswersWithoutAWindow) {
    const std::string list = save({{src, "*.txt", dir / "dst", "No", "No"}}, "Insert the disk");
    EXPECT_EQ(run({"--run", list}), kExitDone);
    EXPECT_EQ(test::read_file(dir / "dst/a.txt"), "a");
    const std::string log = err.str();
    EXPECT_NE(log.find("vantorel: [Confirm] Insert the disk\nvantorel: answered OK\n"),
              std::string::npos);
    // The options say "Verify Each File"; nobody is there to verify.
    EXPECT_NE(log.find("vantorel: Verify Each File is on in the settings: a run without a window "
                       "copies without asking\n"),
              std::string::npos);
    EXPECT_EQ(log.find("Confirm copy of"), std::string::npos);
    EXPECT_NE(log.find("[2 files copied] Do you wish to view the journal file now?\n"
                       "vantorel: answered No"),
              std::string::npos);
    EXPECT_NE(test::read_file(dir / "nightly.txt").find("2 Files copied in total"),
              std::string::npos);

    // --journal=none writes none; --journal=new starts it again.
    EXPECT_EQ(run({"--run", list, "--journal=new"}), kExitDone);
    const std::string journal = test::read_file(dir / "nightly.txt");
    EXPECT_EQ(journal.find("Vantorel Journal file started", 10), std::string::npos);
    EXPECT_EQ(run({"--run", list, "--journal=none"}), kExitDone);
    EXPECT_EQ(test::read_file(dir / "nightly.txt"), journal);
}

TEST_F(HeadlessRunTest, NewerDestinationIsKeptUnlessAskedFor) {
    const std::string list = save({{src, "a.txt", dir / "dst", "Yes", "No"}});
    dir.write("dst/a.txt", "newer backup");
    test::set_mtime(dir / "dst/a.txt", 4000000000);
    EXPECT_EQ(run({"--run", list}), kExitDone);
    EXPECT_EQ(test::read_file(dir / "dst/a.txt"), "newer backup");
    EXPECT_EQ(run({"--run", list, "--newer=copy"}), kExitDone);
    EXPECT_EQ(test::read_file(dir / "dst/a.txt"), "a");
}

TEST_F(HeadlessRunTest, ExitStatuses) {
    // The list cannot be read.
    EXPECT_EQ(run({"--run", dir / "missing.vtl"}), kExitNotStarted);
    EXPECT_NE(err.str().find("missing.vtl"), std::string::npos);
    // Nothing to do.
    EXPECT_EQ(run({"--run", save({})}), kExitNotStarted);
    // The journal does not look like one.
    const std::string list = save({{src, "*.txt", dir / "dst", "No", "No"}});
    dir.write("nightly.txt", "my own notes");
    EXPECT_EQ(run({"--run", list}), kExitNotStarted);
    EXPECT_FALSE(test::exists(dir / "dst"));
    EXPECT_EQ(test::read_file(dir / "nightly.txt"), "my own notes");
    ASSERT_EQ(::unlink((dir / "nightly.txt").c_str()), 0);
    // A file that cannot be read is passed over, and the run reports it.
    sys::set_fault_hook([](sys::Op op, const char* path) {
        return op == sys::Op::Open && path && std::string(path) == "a.txt" ? EACCES : 0;
    });
    EXPECT_EQ(run({"--run", list}), kExitFailures);
    EXPECT_EQ(test::read_file(dir / "dst/b.txt"), "b");
    EXPECT_FALSE(test::exists(dir / "dst/a.txt"));
    EXPECT_NE(err.str().find("answered Ignore"), std::string::npos);
    sys::clear_fault_hook();
    // Source and destination the same: the line is not done.
    EXPECT_EQ(run({"--run", save({{src, "*.txt", src, "No", "No"}})}), kExitFailures);
}

TEST(RunExitStatusTest, ARunThatEndsBeforeItsLastLineNeverExitsAsDone) {
    const struct {
        const char* what;
        RunSummary summary; // started, stopped, ended early, journal failed, copied, failures
        bool interrupted;
        int status;
    } cases[] = {
        {"every line done", {true, false, false, false, 3, 0}, false, kExitDone},
        {"a file passed over", {true, false, false, false, 2, 1}, false, kExitFailures},
        {"ended by an Abort or a Cancel answer",
         {true, false, true, false, 1, 0},
         false,
         kExitFailures},
        {"stopped, but by no signal", {true, true, true, false, 1, 0}, false, kExitFailures},
        {"a journal that could not be written",
         {true, false, true, true, 1, 0},
         false,
         kExitFailures},
        {"stopped by a signal", {true, true, true, false, 1, 0}, true, kExitInterrupted},
        {"stopped by a signal after a failure",
         {true, true, true, false, 1, 2},
         true,
         kExitInterrupted},
        {"a signal after the last file", {true, false, false, false, 3, 0}, true, kExitDone},
        {"did not start", {false, false, false, false, 0, 0}, false, kExitNotStarted},
        {"did not start, and a signal came",
         {false, true, false, false, 0, 0},
         true,
         kExitNotStarted},
    };
    for (const auto& c : cases)
        EXPECT_EQ(run_exit_status(c.summary, c.interrupted), c.status) << c.what;
}

TEST_F(HeadlessRunTest, EachWayARunEndsEarlyGivesItsExitStatus) {
    // b.txt has a newer backup: the run asks about it, and writes its journal out first.
    dir.write("dst/b.txt", "newer backup");
    test::set_mtime(dir / "dst/b.txt", 4000000000);
    const std::string mount = dir.mkdir("media/usb");
    const struct {
        const char* what;
        std::string destination;
        std::function<int(sys::Op, const char*)> fault;
        int status;
        std::string says;
    } cases[] = {
        {"a journal that cannot be written on", dir / "dst",
         // Once the run reads its folders, the journal has been started.
         [scanning = std::make_shared<std::atomic<bool>>(false)](sys::Op op, const char*) {
             if (op == sys::Op::OpenDir)
                 *scanning = true;
             return op == sys::Op::Write && *scanning ? ENOSPC : 0;
         },
         kExitFailures, "Unable to write the journal file"},
        {"a journal that cannot be finished", dir / "dst",
         [](sys::Op op, const char*) { return op == sys::Op::Sync ? ENOSPC : 0; }, kExitFailures,
         "Unable to write the journal file"},
        // Nothing is written onto the disk underneath: the answer is Cancel.
        {"a destination on a disk that is not there", mount + "/Backup", nullptr, kExitFailures,
         "is not a valid drive on your system!"},
        {"a stop signal", dir / "dst",
         [](sys::Op op, const char* path) {
             if (op == sys::Op::OpenDir && path && std::string(path).ends_with("/src"))
                 ::raise(SIGINT);
             return 0;
         },
         kExitInterrupted, "vantorel: stopped "},
    };
    drives::set_places({dir / "mountinfo", dir / "fstab", {dir / "media"}});
    for (const auto& c : cases) {
        ::unlink((dir / "nightly.txt").c_str());
        const std::string list = save({{src, "b.txt", c.destination, "No", "No"}});
        if (c.fault)
            sys::set_fault_hook(c.fault);
        EXPECT_EQ(run({"--run", list, "--jobs=1"}), c.status) << c.what;
        sys::clear_fault_hook();
        EXPECT_NE(err.str().find(c.says), std::string::npos) << c.what << "\n" << err.str();
    }
    drives::reset_places();
}

TEST_F(HeadlessRunTest, AListHoldingANulIsRefusedAndNothingRuns) {
    // Read on, the mask would end at the NUL, match nothing, and the run would
    // report a backup that went well.
    const std::string list =
        dir.write("nightly.vtl", "\"" + src + "\",\"*.txt" + std::string(1, '\0') + "x\",\"" +
                                     (dir / "dst") + "\",\"No\",\"No\"\r\n");
    HeadlessReport report;
    EXPECT_EQ(run({"--run", list}, &report), kExitNotStarted);
    EXPECT_EQ(err.str(), "vantorel: cannot read the list " + list +
                             ": Damaged list file: line 1 holds a NUL byte\n");
    EXPECT_EQ(report.reason,
              "cannot read the list " + list + ": Damaged list file: line 1 holds a NUL byte");
    EXPECT_FALSE(test::exists(dir / "dst"));
    EXPECT_FALSE(test::exists(dir / "nightly.txt")); // no journal of a run that never was
}

TEST_F(HeadlessRunTest, AnUnreadableSourceFolderIsPassedOverAndFailsTheRun) {
    const std::string list = save({{dir / "unplugged", "*.txt", dir / "dst", "No", "Yes"},
                                   {src, "*.txt", dir / "dst", "No", "No"}});
    EXPECT_EQ(run({"--run", list}), kExitFailures);
    EXPECT_EQ(test::read_file(dir / "dst/a.txt"), "a");
    EXPECT_NE(err.str().find("vantorel: [Source Folder Access Problem] Your system is unable to "
                             "read the source folder " +
                             (dir / "unplugged") +
                             " with the following message: No such file or directory\n"
                             "vantorel: answered Ignore\n"),
              std::string::npos);
    EXPECT_NE(test::read_file(dir / "nightly.txt")
                  .find("Unable to read directory " + (dir / "unplugged") +
                        " because No such file or directory\r\n"),
              std::string::npos);
}

TEST_F(HeadlessRunTest, InterruptStopsAfterTheFileInHandAndFinishesTheJournal) {
    // More files than the workers take ahead (a flush's batch of a few hundred): the
    // walk is still going when the signal comes.
    for (int i = 0; i < 300; ++i)
        dir.write("src/f" + std::to_string(i) + ".txt", "x");
    const std::string list = save({{src, "*.txt", dir / "dst", "No", "No"}});
    for (const char* jobs : {"--jobs=1", "--jobs=4"}) {
        std::filesystem::remove_all(dir / "dst");
        std::atomic<int> opens = 0;
        // The source files are opened by name within their folder, by whichever thread
        // copies them; Ctrl+C reaches the process.
        sys::set_fault_hook([&opens](sys::Op op, const char* path) {
            if (op == sys::Op::Open && path && std::string(path).find('/') == std::string::npos &&
                ++opens == 3)
                ::kill(::getpid(), SIGINT);
            return 0;
        });
        EXPECT_EQ(run({"--run", list, jobs, "--journal=new"}), kExitInterrupted) << jobs;
        sys::clear_fault_hook();
        const std::string journal = test::read_file(dir / "nightly.txt");
        EXPECT_NE(journal.find("Vantorel Journal file Ended"), std::string::npos) << jobs;
        // One file at a time, the file in hand is finished; with copies made ahead,
        // those nearly done are finished too. Either way the journal names exactly the
        // copies there are.
        int copied = 0;
        for (std::size_t at = 0; (at = journal.find("\r\nCopied OK: ", at)) != std::string::npos;
             ++at)
            ++copied;
        int present = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir / "dst"))
            ++present;
        EXPECT_EQ(copied, present) << jobs;
        EXPECT_NE(journal.find("\r\n" + std::to_string(copied) + " Files copied in total\r\n"),
                  std::string::npos)
            << jobs;
        if (std::string(jobs) == "--jobs=1")
            EXPECT_EQ(copied, 3);
        else
            EXPECT_TRUE(copied >= 3 && copied < 300) << copied;
    }
    // The handler is gone again after the run.
    struct sigaction now {};
    ::sigaction(SIGINT, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
}

TEST_F(HeadlessRunTest, DryRunDecidesButCreatesNothing) {
    dir.mkdir("src/sub");
    dir.write("src/sub/c.txt", "c");
    dir.write("dst/b.txt", "b");
    const std::string list = save({{src, "*.txt", dir / "dst", "No", "Yes"}});
    test::set_mtime(dir / "src/b.txt", 1700049600);
    test::set_mtime(dir / "dst/b.txt", 1700049600);
    EXPECT_EQ(run({"--run", list, "--dry-run"}), kExitDone);
    const std::string text = out.str();
    EXPECT_NE(text.find("would copy: a.txt "), std::string::npos);
    EXPECT_NE(text.find("would not copy: b.txt "), std::string::npos);
    EXPECT_NE(text.find("would create directory " + (dir / "dst") + "/sub\n"), std::string::npos);
    EXPECT_NE(text.find("would copy: c.txt "), std::string::npos);
    EXPECT_NE(text.find("Searching For " + src + "/sub/*.txt"), std::string::npos);
    EXPECT_NE(text.find("2 Files would be copied in total"), std::string::npos);
    EXPECT_FALSE(test::exists(dir / "dst/a.txt"));
    EXPECT_FALSE(test::exists(dir / "dst/sub"));
    EXPECT_FALSE(test::exists(dir / "nightly.txt"));
}

TEST_F(HeadlessRunTest, NamesPrintedByADryRunCannotTakeOverTheTerminal) {
    // A name that would retitle the terminal and clear its screen.
    const std::string name = "x\033]0;owned\007\033[2J.txt";
    dir.write("src/" + name, "x");
    const std::string list = save({{src, "*.txt", dir / "dst", "No", "No"}});
    EXPECT_EQ(run({"--run", list, "--dry-run"}), kExitDone);
    EXPECT_EQ(out.str().find('\033'), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("would copy: x\\033]0;owned\\007\\033[2J.txt "), std::string::npos)
        << out.str();
}

TEST_F(HeadlessRunTest, LogStylesForScheduledQuietAndVerboseRuns) {
    // a.txt is new; b.txt has a newer backup, which the run asks about and keeps.
    dir.write("dst/b.txt", "newer backup");
    test::set_mtime(dir / "dst/b.txt", 4000000000);
    const std::string list =
        save({{src, "a.txt", dir / "dst", "No", "No"}, {src, "b.txt", dir / "dst", "No", "No"}});
    const std::string copying = "vantorel: copying " + list + " (";
    const std::string unverified = "vantorel: Verify Each File is on in the settings: ";
    const std::string newer = "vantorel: [Copy this file?] The version of: b.txt In the ";
    const std::string finished = "vantorel: finished " + list +
                                 ": 1 files copied, 0 failures, exit status 0; journal " +
                                 (dir / "nightly.txt");
    const struct {
        std::vector<std::string> options;
        std::vector<std::string> log; // the beginning of each line
    } cases[] = {
        // A scheduled run and --quiet: no line for a file copied without a real question.
        {{"--notify"}, {copying, unverified, newer, "vantorel: answered No", finished}},
        {{"--quiet"}, {copying, unverified, newer, "vantorel: answered No", finished}},
        // By default every question the run was asked.
        {{},
         {copying, unverified, newer, "vantorel: answered No",
          "vantorel: [1 files copied] Do you wish to view the journal file now?",
          "vantorel: answered No", finished}},
    };
    for (const auto& c : cases) {
        ::unlink((dir / "dst/a.txt").c_str());
        std::vector<std::string> args = {"--run", list};
        args.insert(args.end(), c.options.begin(), c.options.end());
        HeadlessReport report;
        EXPECT_EQ(run(args, &report), kExitDone);
        std::istringstream in(err.str());
        std::vector<std::string> log;
        for (std::string line; std::getline(in, line);)
            log.push_back(line);
        ASSERT_EQ(log.size(), c.log.size()) << err.str();
        for (std::size_t i = 0; i < log.size(); ++i)
            EXPECT_EQ(log[i].rfind(c.log[i], 0), 0u) << log[i];
        EXPECT_EQ(report.journal, dir / "nightly.txt");
        EXPECT_EQ(report.copied, 1);
    }
    // --verbose: a line for every file, copied or not.
    ASSERT_EQ(::unlink((dir / "dst/a.txt").c_str()), 0);
    EXPECT_EQ(run({"--run", list, "--verbose", "--journal=none"}), kExitDone);
    EXPECT_NE(err.str().find("vantorel: copied " + src + "/a.txt\n"), std::string::npos);
    EXPECT_NE(err.str().find("vantorel: not copied " + src + "/b.txt\n"), std::string::npos);
    EXPECT_NE(err.str().find(": 1 files copied, 0 failures, exit status 0\n"), std::string::npos);
}

TEST_F(HeadlessRunTest, FailureNoticeOfAStoppedOrRefusedRun) {
    HeadlessReport report{"/lists/nightly.vtl", "/lists/nightly.txt", 3, 1, ""};
    EXPECT_FALSE(failure_text(report, kExitDone));
    EXPECT_EQ(failure_text(report, kExitInterrupted)->body,
              "The backup was stopped before its end: 3 files copied, 1 failure.\n"
              "Journal: /lists/nightly.txt");
    // A run that did not start gives the question that stopped it as its reason.
    EXPECT_EQ(run({"--run", save({})}, &report), kExitNotStarted);
    EXPECT_EQ(report.reason, "There is no list of files to copy!, Save and try again");
    EXPECT_EQ(report.journal, "");
}

TEST_F(HeadlessRunTest, EveryRunWithoutAWindowCopiesOnItsWorkersWithAFirstStartsSettings) {
    // No settings file: "Verify Each File" is ticked, as on a first start. Nobody is
    // there to answer the question, so no run asks it: the copies are made by the
    // workers, not one by one on the run's thread after each question.
    test::ScopedEnv config("XDG_CONFIG_HOME", dir.mkdir("config"));
    const CopyOptions first_start = startup_copy_options();
    ASSERT_TRUE(first_start.verify_each_file);
    for (int i = 0; i < 40; ++i)
        dir.write("src/f" + std::to_string(i) + ".txt", std::string(20000, 'x'));
    const std::string list = save({{src, "f*.txt", dir / "dst", "No", "No"}});
    const struct {
        std::vector<std::string> args;
        std::string copy; // a file the run copies
    } cases[] = {
        {{"--run", list}, "dst/f7.txt"},
        {{"--run", list, "--quiet"}, "dst/f7.txt"},
        {{"--run", list, "--notify"}, "dst/f7.txt"},
        {{"--run", list, "--verbose", "--journal=none"}, "dst/f7.txt"},
        // A restore asks nobody either (the backup made by the runs above).
        {{"--restore", list, "--to=" + (dir / "back")}, "back/1-src/f7.txt"},
    };
    for (const auto& c : cases) {
        const std::string args = ::testing::PrintToString(c.args);
        if (c.args[0] == "--run")
            std::filesystem::remove_all(dir / "dst");
        std::vector<std::string> with_jobs = c.args;
        with_jobs.push_back("--jobs=4");
        const auto run_thread = std::this_thread::get_id();
        std::atomic<int> elsewhere = 0;
        sys::set_fault_hook([&](sys::Op op, const char* path) {
            if (op == sys::Op::Open && path && std::string(path).rfind("f", 0) == 0 &&
                std::this_thread::get_id() != run_thread)
                ++elsewhere;
            return 0;
        });
        out.str("");
        err.str("");
        const CommandLine command = parse_command_line(with_jobs);
        ASSERT_NE(command.mode, CommandLine::Mode::Invalid) << command.error;
        EXPECT_EQ(headless_run(command, startup_copy_options(), out, err, false), kExitDone)
            << args;
        sys::clear_fault_hook();
        const std::string log = err.str();
        EXPECT_GT(elsewhere.load(), 0) << args;
        EXPECT_EQ(log.find("Confirm copy of"), std::string::npos) << args;
        const std::string notice = "vantorel: Verify Each File is on in the settings: a run "
                                   "without a window copies without asking\n";
        const std::size_t at = log.find(notice);
        EXPECT_NE(at, std::string::npos) << args << log;
        EXPECT_EQ(log.find(notice, at + 1), std::string::npos) << args;
        EXPECT_EQ(test::read_file(dir / c.copy), std::string(20000, 'x')) << args;
    }
    // Settings that leave the box unticked need no notice.
    CopyOptions unticked = first_start;
    unticked.verify_each_file = false;
    std::filesystem::remove_all(dir / "dst");
    err.str("");
    EXPECT_EQ(headless_run(parse_command_line({"--run", list}), unticked, out, err, false),
              kExitDone);
    EXPECT_EQ(err.str().find("Verify Each File"), std::string::npos);
}

} // namespace
} // namespace vt
