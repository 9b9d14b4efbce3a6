// The status line of a run without a window, through a real terminal: the program
// is run on a pseudo-terminal as a person runs it, and through a pipe as a
// scheduler does.
#include "support/temp_dir.h"

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <regex>
#include <sys/wait.h>
#include <unistd.h>

namespace vt::test {
namespace {

constexpr int kFiles = 30;
constexpr unsigned short kColumns = 120;

class TerminalProgressTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string src = dir.mkdir("src");
        for (int i = 0; i < kFiles; ++i)
            dir.write("src/file" + std::to_string(i) + ".dat", std::string(20000, 'x'));
        // A scheduled backup's options: no question per file.
        dir.write("config/Vantorel/Vantorel.ini",
                  "[Options]\nVerifyEachFile=0\nJournalFile=1\nJournalFileAppend=1\n");
        dir.write("backup.vtl",
                  "\"" + src + "\",\"*.*\",\"" + (dir / "dst") + "\",\"No\",\"No\"\r\n");
    }
    // In the child: the program's environment, then the program.
    [[noreturn]] void exec_program(bool slow, const char* option = "--jobs=1") {
        ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
        if (slow) {
            ::setenv("LD_PRELOAD", VT_SLOW_TIMES, 1);
            // A sanitizer build wants its own library first; this one only waits.
            ::setenv("ASAN_OPTIONS", "detect_leaks=0:verify_asan_link_order=0", 1);
        }
        const std::string list = dir / "backup.vtl";
        // One file at a time: the pace that the slowed times set must last long enough
        // for an estimate.
        ::execl(VT_PROGRAM, VT_PROGRAM, "--jobs=1", "--run", list.c_str(), option,
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // Reads `fd` to its end (a terminal whose other side closed reports EIO).
    static std::string read_all(int fd) {
        std::string text;
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0)
                text.append(buffer, static_cast<std::size_t>(n));
            else if (n == 0 || errno != EINTR)
                return text;
        }
    }
    static int exit_status(pid_t pid) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    TempDir dir;
};

TEST_F(TerminalProgressTest, OneLineRewrittenInPlaceThenCleared) {
    struct winsize size {};
    size.ws_col = kColumns;
    size.ws_row = 24;
    int terminal = -1;
    const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, &size);
    ASSERT_GE(pid, 0);
    if (pid == 0)
        exec_program(true);
    const std::string screen = read_all(terminal);
    ::close(terminal);
    ASSERT_EQ(exit_status(pid), 0) << screen;

    // Each status line goes back to the start of the line and clears it first, and
    // is never ended: the next one, or the next message, takes its place.
    const std::string redraw = "\r\033[K";
    std::vector<std::string> lines;
    for (auto at = screen.find(redraw); at != std::string::npos; at = screen.find(redraw, at + 1))
        lines.push_back(
            screen.substr(at + redraw.size(), screen.find('\r', at + 1) - at - redraw.size()));
    ASSERT_GE(lines.size(), 10u) << screen;
    EXPECT_EQ(lines.back().rfind("vantorel: [30 files copied]", 0), 0u) << lines.back();
    EXPECT_NE(screen.find("\nvantorel: finished "), std::string::npos) << screen;
    lines.pop_back();
    int shares = 0, estimates = 0;
    const std::regex share(R"(\d+%  \d+ of 30 files, [0-9.]+ (bytes|kB) of 600\.0 kB.*)");
    for (const std::string& line : lines) {
        EXPECT_LT(line.size(), kColumns) << line;
        EXPECT_EQ(line.find('\n'), std::string::npos) << line;
        shares += std::regex_match(line, share);
        estimates += line.find(" left  file") != std::string::npos;
    }
    EXPECT_GT(shares, 0) << screen;
    EXPECT_GT(estimates, 0) << "no time left after some seconds: " << screen;
}

TEST_F(TerminalProgressTest, NothingOfItWhenStandardErrorIsNotATerminal) {
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::dup2(fds[1], 1);
        ::dup2(fds[1], 2);
        exec_program(false);
    }
    ::close(fds[1]);
    const std::string log = read_all(fds[0]);
    ::close(fds[0]);
    ASSERT_EQ(exit_status(pid), 0) << log;
    EXPECT_NE(log.find("vantorel: finished "), std::string::npos) << log;
    EXPECT_EQ(log.find('\r'), std::string::npos) << log;
    EXPECT_EQ(log.find('\033'), std::string::npos) << log;
    EXPECT_EQ(log.find(" files, "), std::string::npos) << log;
}

TEST_F(TerminalProgressTest, NamesCannotTakeOverTheTerminalButTheJournalKeepsThem) {
    // A name and a message that would set the window's title and clear the screen.
    const std::string name = "title\033]0;pwned\007 \033[2J.dat";
    const std::string shown = "title\\033]0;pwned\\007 \\033[2J.dat";
    dir.write("src/" + name, "x");
    dir.write("backup.vtl", "Insert the disk\033[31m now\r\n\"" + (dir / "src") + "\",\"*.*\",\"" +
                                (dir / "dst") + "\",\"No\",\"No\"\r\n");
    struct winsize size {};
    size.ws_col = kColumns;
    size.ws_row = 24;
    int terminal = -1;
    const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, &size);
    ASSERT_GE(pid, 0);
    if (pid == 0)
        exec_program(true, "--verbose");
    std::string screen = read_all(terminal);
    ::close(terminal);
    ASSERT_EQ(exit_status(pid), 0) << screen;

    EXPECT_NE(screen.find("vantorel: [Confirm] Insert the disk\\033[31m now\r\n"),
              std::string::npos)
        << screen;
    EXPECT_NE(screen.find("vantorel: copied " + (dir / "src") + "/" + shown + "\r\n"),
              std::string::npos)
        << screen;
    // The program's own redraws are the only control sequences that reach the screen.
    for (auto at = screen.find("\r\033[K"); at != std::string::npos; at = screen.find("\r\033[K"))
        screen.erase(at, 4);
    for (const char c : screen)
        EXPECT_TRUE(c == '\r' || c == '\n' || static_cast<unsigned char>(c) >= 0x20)
            << static_cast<int>(c) << " in " << screen;

    // The journal and the copy keep the name's bytes.
    EXPECT_EQ(read_file(dir / ("dst/" + name)), "x");
    EXPECT_NE(read_file(dir / "backup.txt").find("\r\nCopied OK: " + name + " "),
              std::string::npos);
}

} // namespace
} // namespace vt::test
