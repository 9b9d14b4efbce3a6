// The real program run without a window, as a scheduled backup starts it, and ended
// the hard ways: killed, its terminal closed, its standard error gone.
#include "support/file_stat.h"
#include "support/folder_listing.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace vt::test {
namespace {

int count_of(const std::string& text, const std::string& what) {
    int n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

class HeadlessChildTest : public ::testing::Test {
protected:
    void SetUp() override {
        src = dir.mkdir("src");
        dst = dir / "dst";
        // Enough files that the lines written to standard error (one for every file
        // with --verbose) fill a small pipe long before the run could end.
        for (int i = 0; i < 300; ++i)
            dir.write("src/file" + std::to_string(i) + ".txt", "content " + std::to_string(i));
        dir.mkdir("config");
        list = dir / "nightly.vtl";
        dir.write("nightly.vtl", "\"" + src + "\",\"*.*\",\"" + dst + "\",\"No\",\"No\"\r\n");
        // The journal of an earlier run, which a new journal replaces at its start.
        dir.write("nightly.txt", "Vantorel Journal file started yesterday\r\nold entries\r\n");
    }
    void TearDown() override {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        if (err >= 0)
            ::close(err);
    }

    // Starts `vantorel --run` with its standard error on a pipe of one page; with
    // `closed_stderr` nobody reads that pipe at all. The list of SetUp is copied one
    // file after the other, each logged: a run without a window asks no question, and
    // once the pipe is full nothing but the reader lets the run go on.
    void start(bool closed_stderr = false, const std::string& list_file = {}) {
        const std::string run_list = list_file.empty() ? list : list_file;
        std::vector<const char*> argv = {VT_PROGRAM, "--run", run_list.c_str(), "--journal=new"};
        if (list_file.empty()) {
            argv.push_back("--jobs=1");
            argv.push_back("--verbose");
        }
        argv.push_back(nullptr);
        int fds[2];
        ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
        ::fcntl(fds[0], F_SETPIPE_SZ, 4096);
        pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
            const int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(fds[1], 2);
            ::execv(VT_PROGRAM, const_cast<char* const*>(argv.data()));
            ::_exit(127);
        }
        ::close(fds[1]);
        err = fds[0];
        if (closed_stderr) {
            ::close(err);
            err = -1;
        }
    }
    // Waits until the journal shows `copied` copies (at most 30 s).
    bool wait_for_copies(int copied) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < until) {
            if (count_of(read_file(dir / "nightly.txt"), "Copied OK: ") >= copied)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    // Reads standard error to its end; then waits for the program's exit status.
    int finish(std::string* log = nullptr) {
        std::string text;
        char buffer[4096];
        for (ssize_t n; err >= 0 && (n = ::read(err, buffer, sizeof buffer)) != 0;) {
            if (n > 0)
                text.append(buffer, static_cast<std::size_t>(n));
            else if (errno != EINTR)
                break;
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        pid = -1;
        if (log)
            *log = text;
        return status;
    }
    std::vector<std::string> temporaries() const {
        std::vector<std::string> found;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path())) {
            const std::string name = e.path().filename().string();
            if (name.find(".tmp") != std::string::npos || name.find(".vtcopy") != std::string::npos)
                found.push_back(e.path().string());
        }
        return found;
    }

    TempDir dir;
    std::string src, dst, list;
    pid_t pid = -1;
    int err = -1;
};

TEST_F(HeadlessChildTest, AKilledRunLeavesAJournalThatShowsWhereItStopped) {
    start();
    ASSERT_TRUE(wait_for_copies(3));
    ASSERT_EQ(::kill(pid, SIGKILL), 0);
    const int status = finish();
    ASSERT_TRUE(WIFSIGNALED(status));

    const std::string journal = read_file(dir / "nightly.txt");
    // The new journal took the old one's place when the run started.
    EXPECT_EQ(journal.rfind("Vantorel Journal file started ", 0), 0u);
    EXPECT_EQ(journal.find("yesterday"), std::string::npos);
    EXPECT_NE(journal.find("\r\nStarting Copy line 1 *.* in " + src + " to " + dst + "\r\n"),
              std::string::npos);
    EXPECT_NE(journal.find("\r\nSearching For " + src + "/*.*\r\n"), std::string::npos);
    EXPECT_EQ(journal.find("Files copied in total"), std::string::npos);
    EXPECT_EQ(journal.find("Journal file Ended"), std::string::npos);
    // Every entry up to the kill is there: each file it names is copied whole, and at
    // most the file copied as the kill came has no entry yet.
    int copies = 0;
    for (const std::string& name : names_in(dst)) {
        EXPECT_EQ(read_file(dst + "/" + name), read_file(src + "/" + name)) << name;
        ++copies;
    }
    const int entries = count_of(journal, "Copied OK: ");
    EXPECT_GE(entries, 3);
    EXPECT_TRUE(copies == entries || copies == entries + 1) << copies << " " << entries;
    EXPECT_TRUE(temporaries().empty());
}

TEST_F(HeadlessChildTest, AfterKillNineTheJournalNamesEveryCopyButTheLastFew) {
    // A scheduled backup of many small files: no question, nothing on standard error,
    // so nothing but the entries themselves brings the journal up to date.
    constexpr int kFiles = 4000;
    const std::string many = dir.mkdir("many");
    for (int i = 0; i < kFiles; ++i)
        dir.write("many/f" + std::to_string(i), std::to_string(i));
    dir.write("config/Vantorel/Vantorel.ini", "[Options]\nVerifyEachFile=0\n");
    const std::string backup = dir / "many-backup";
    const std::string quiet_list =
        dir.write("many.vtl", "\"" + many + "\",\"*\",\"" + backup + "\",\"No\",\"No\"\r\n");
    start(true, quiet_list);
    // Killed once some hundreds are copied: well within its first second.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    auto copies = [&backup] { return static_cast<int>(names_in(backup).size()); };
    while (copies() < 300 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_EQ(::kill(pid, SIGKILL), 0);
    ASSERT_TRUE(WIFSIGNALED(finish()));

    const std::string journal = read_file(dir / "many.txt");
    ASSERT_EQ(journal.find("Files copied in total"), std::string::npos) << "ended before the kill";
    std::set<std::string> told;
    for (auto at = journal.find("\r\nCopied OK: "); at != std::string::npos;
         at = journal.find("\r\nCopied OK: ", at + 1)) {
        const std::size_t from = at + 13;
        told.insert(journal.substr(from, journal.find(' ', from) - from));
    }
    // Every copy in place, whole, with its source's time, is in the journal, but for
    // those named in the moment of the kill; and the journal names no copy that is
    // not there.
    int untold = 0, copied = 0;
    for (const std::string& name : names_in(backup)) {
        const std::string made = backup + "/" + name, source = many + "/" + name;
        ASSERT_TRUE(exists(source)) << name;
        EXPECT_EQ(read_file(made), read_file(source)) << name;
        EXPECT_EQ(mtime(made), mtime(source)) << name;
        ++copied;
        untold += told.count(name) == 0;
    }
    EXPECT_GE(copied, 300);
    EXPECT_LE(untold, 2) << copied << " copies, " << told.size() << " in the journal";
    EXPECT_EQ(static_cast<int>(told.size()), copied - untold);
}

TEST_F(HeadlessChildTest, AClosedTerminalStopsTheRunLikeCtrlC) {
    start();
    ASSERT_TRUE(wait_for_copies(3));
    ASSERT_EQ(::kill(pid, SIGHUP), 0);
    std::string log;
    const int status = finish(&log);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 130);
    const std::string journal = read_file(dir / "nightly.txt");
    EXPECT_NE(journal.find(" Files copied in total\r\n\r\nVantorel Journal file Ended "),
              std::string::npos);
    EXPECT_LT(count_of(journal, "Copied OK: "), 300);
    EXPECT_TRUE(temporaries().empty());
}

TEST_F(HeadlessChildTest, AClosedStandardErrorNeverEndsTheRun) {
    start(true);
    const int status = finish();
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const std::string journal = read_file(dir / "nightly.txt");
    EXPECT_EQ(count_of(journal, "Copied OK: "), 300);
    EXPECT_NE(journal.find("300 Files copied in total"), std::string::npos);
}

} // namespace
} // namespace vt::test
