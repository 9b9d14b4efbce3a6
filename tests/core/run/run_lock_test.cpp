// One run of a list at a time: a second run is refused at once, in this process or
// another, and a run that was killed leaves nothing behind that blocks the next.
#include "core/run/run_lock.h"
#include "core/schedule/recording_runner.h"
#include "support/saved_list.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vt {
namespace {

class RunLockTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.write("src/a.txt", "a");
        test::save_list(list, {{dir / "src", "*.txt", dir / "dst", "No", "No"}});
    }
    test::TempDir dir;
    test::ScopedEnv runtime = test::runtime_dir_in(dir);
    test::ScopedEnv config{"XDG_CONFIG_HOME", dir / "config"};
    std::string list = dir / "nightly.vtl";
};

TEST_F(RunLockTest, ASecondRunOfTheListIsRefusedAtOnce) {
    RunLock first(list);
    ASSERT_TRUE(first.held()) << first.error();
    EXPECT_EQ(RunLock::path_for(list).rfind(dir / "run/Vantorel/run-", 0), 0u);
    // Another spelling of the same file meets the same lock; another list does not.
    RunLock second(dir / "./nightly.vtl");
    EXPECT_TRUE(second.busy());
    EXPECT_FALSE(second.held());
    EXPECT_TRUE(RunLock(dir / "other.vtl").held());

    const auto start = std::chrono::steady_clock::now();
    const CommandResult r = test::run_program({VT_PROGRAM, "--run", list});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.output, "vantorel: " + RunLock::busy_text(list) + "\n");
    EXPECT_FALSE(test::exists(dir / "dst/a.txt"));
    // A dry run writes nothing and may look meanwhile.
    EXPECT_EQ(test::run_program({VT_PROGRAM, "--run", list, "--dry-run"}).status, 0);
}

TEST_F(RunLockTest, EveryNameOfTheSameListFileMeetsTheSameLock) {
    const std::string other_folder = dir.mkdir("elsewhere");
    const std::string hard_link = other_folder + "/copy-of-nightly.vtl";
    ASSERT_EQ(::link(list.c_str(), hard_link.c_str()), 0);
    const std::string symlink = other_folder + "/nightly-link.vtl";
    ASSERT_EQ(::symlink(list.c_str(), symlink.c_str()), 0);
    for (const std::string& holder : {list, hard_link, symlink}) {
        RunLock first(holder);
        ASSERT_TRUE(first.held()) << holder << first.error();
        for (const std::string& name : {list, hard_link, symlink, dir / "./nightly.vtl"})
            EXPECT_TRUE(RunLock(name).busy()) << holder << " then " << name;
    }
    // The real program, started on the hard link while a run holds the list.
    RunLock first(list);
    const CommandResult r = test::run_program({VT_PROGRAM, "--run", hard_link});
    EXPECT_EQ(r.status, 2) << r.output;
    EXPECT_EQ(r.output, "vantorel: " + RunLock::busy_text(hard_link) + "\n");
    EXPECT_FALSE(test::exists(dir / "dst/a.txt"));
}

TEST_F(RunLockTest, TheNamesLockStillCountsForOlderRunsAndForAListSavedMeanwhile) {
    {
        // A run of an earlier version holds the lock of the list's name alone.
        dir.mkdir("run/Vantorel");
        const int older = ::open(RunLock::path_for(list).c_str(), O_RDWR | O_CREAT, 0600);
        ASSERT_GE(older, 0);
        ASSERT_EQ(::flock(older, LOCK_EX | LOCK_NB), 0);
        EXPECT_TRUE(RunLock(list).busy());
        ::close(older);
    }
    // Saving the list makes a new file under its name: still the list being copied.
    RunLock first(list);
    ASSERT_TRUE(first.held());
    const std::string before = RunLock::file_path_for(list);
    test::save_list(list, {{dir / "src", "*.txt", dir / "dst", "No", "No"}});
    ASSERT_NE(RunLock::file_path_for(list), before);
    EXPECT_TRUE(RunLock(list).busy());
}

TEST_F(RunLockTest, AKilledHolderDoesNotBlockTheNextRun) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        RunLock lock(list);
        const char held = lock.held() ? 'y' : 'n';
        (void)!::write(ready[1], &held, 1);
        ::pause();
        ::_exit(0);
    }
    char held = 0;
    ASSERT_EQ(::read(ready[0], &held, 1), 1);
    ASSERT_EQ(held, 'y');
    EXPECT_TRUE(RunLock(list).busy());
    EXPECT_EQ(test::run_program({VT_PROGRAM, "--run", list}).status, 2);

    ::kill(holder, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(holder, &status, 0), holder);
    EXPECT_TRUE(RunLock(list).held());
    const CommandResult r = test::run_program({VT_PROGRAM, "--run", list, "--journal=none"});
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(test::read_file(dir / "dst/a.txt"), "a");
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST_F(RunLockTest, ALockThatCannotBeMadeDoesNotStopTheRun) {
    // The runtime folder is a file: no lock can be made there.
    runtime.set(dir.write("not-a-folder", ""));
    RunLock lock(list);
    EXPECT_FALSE(lock.held());
    EXPECT_FALSE(lock.busy());
    EXPECT_FALSE(lock.error().empty());
    const CommandResult r = test::run_program({VT_PROGRAM, "--run", list, "--journal=none"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.output.find("vantorel: cannot lock the list against a second run ("),
              std::string::npos);
    EXPECT_EQ(test::read_file(dir / "dst/a.txt"), "a");
}

} // namespace
} // namespace vt
