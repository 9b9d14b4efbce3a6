#include "cli/headless_check.h"

#include "cli/headless_run.h"
#include "core/platform/sys.h"
#include "core/run/run_lock.h"
#include "support/saved_list.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>

namespace vt {
namespace {

class HeadlessCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        src = dir.mkdir("src");
        for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
            dir.write(std::string("src/") + name, name);
            dir.write(std::string("dst/") + name, name);
        }
        list = save({{src, "*.txt", dir / "dst", "No", "No"}});
    }
    void TearDown() override { sys::clear_fault_hook(); }

    std::string save(const std::vector<CopyLine>& lines) {
        return test::save_list(dir / "nightly.vtl", lines);
    }
    int check(std::vector<std::string> args = {}) {
        out.str("");
        err.str("");
        args.insert(args.begin(), {"--check", list});
        const CommandLine command = parse_command_line(args);
        EXPECT_EQ(command.mode, CommandLine::Mode::Check);
        return headless_check(command, CopyOptions{}, out, err, false);
    }
    bool printed(const std::string& line) const {
        return out.str().find("\n" + line + "\n") != std::string::npos;
    }

    test::TempDir dir;
    test::ScopedEnv runtime = test::runtime_dir_in(dir);
    std::string src, list;
    std::ostringstream out, err;
};

TEST_F(HeadlessCheckTest, ReportAndExitStatuses) {
    EXPECT_EQ(check(), kExitDone);
    EXPECT_TRUE(out.str().rfind("Vantorel Journal file started ", 0) == 0) << out.str();
    EXPECT_TRUE(printed("Same: b.txt"));
    std::string lines = out.str(); // the journal holds the same lines, ended by CR LF
    for (std::size_t at = 0; (at = lines.find('\n', at)) != std::string::npos; at += 2)
        lines.insert(at, "\r");
    EXPECT_EQ(test::read_file(dir / "nightly.txt"), lines);
    EXPECT_NE(err.str().find("3 files checked: all the same, exit status 0"), std::string::npos);

    // A copy missing and nothing else is a failure too.
    ASSERT_EQ(::unlink((dir / "dst/c.txt").c_str()), 0);
    EXPECT_EQ(check({"--journal=none"}), kExitFailures);
    EXPECT_NE(err.str().find("3 files checked: 1 missing in backup, exit status 1"),
              std::string::npos)
        << err.str();

    dir.write("dst/b.txt", "B.txt"); // same size
    const std::string journal = test::read_file(dir / "nightly.txt");
    EXPECT_EQ(check({"--journal=none"}), kExitFailures);
    EXPECT_TRUE(printed("DIFFERENT: b.txt differs from byte 1 on"));
    EXPECT_TRUE(printed("Missing in backup: c.txt"));
    EXPECT_EQ(test::read_file(dir / "nightly.txt"), journal);
    EXPECT_EQ(check(), kExitFailures);
    EXPECT_NE(test::read_file(dir / "nightly.txt").find("\r\nMissing in backup: c.txt\r\n"),
              std::string::npos);

    // Could not start: no list, no lines, a journal that is not one, a run on the list.
    list = dir / "missing.vtl";
    EXPECT_EQ(check(), kExitNotStarted);
    list = save({});
    EXPECT_EQ(check(), kExitNotStarted);
    list = save({{src, "*.txt", dir / "dst", "No", "No"}});
    dir.write("nightly.txt", "my own notes");
    EXPECT_EQ(check(), kExitNotStarted);
    EXPECT_EQ(test::read_file(dir / "nightly.txt"), "my own notes");
    EXPECT_EQ(out.str(), "");
    RunLock run(list);
    EXPECT_EQ(check({"--journal=none"}), kExitNotStarted);
    EXPECT_NE(err.str().find(RunLock::busy_text(list)), std::string::npos);
}

TEST_F(HeadlessCheckTest, InterruptEndsTheReport) {
    list = save({{src, "*.txt", dir / "dst", "No", "No"}, {src, "*.txt", dir / "dst", "No", "No"}});
    const auto walk = std::this_thread::get_id();
    int opened = 0;
    // The second line's folder is opened on the walking thread: Ctrl+C there.
    sys::set_fault_hook([&](sys::Op op, const char*) {
        if (op == sys::Op::OpenDir && std::this_thread::get_id() == walk && ++opened == 2)
            std::raise(SIGINT);
        return 0;
    });
    EXPECT_EQ(check(), kExitInterrupted);
    // At most the file in hand of the second line was compared.
    int same = 0;
    for (std::size_t at = 0; (at = out.str().find("\nSame: ", at)) != std::string::npos; ++at)
        ++same;
    EXPECT_LE(same, 4);
    EXPECT_TRUE(printed("The check was stopped before it had compared every file"));
    EXPECT_NE(out.str().find("Vantorel Journal file Ended "), std::string::npos);
}

} // namespace
} // namespace vt
