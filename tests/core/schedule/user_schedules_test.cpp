// Schedules as user units: the systemctl commands in their order, the files, and the
// round trip through the command line.
#include "cli/command_line.h"
#include "cli/schedule_command.h"
#include "core/platform/file_time.h"
#include "core/schedule/recording_runner.h"
#include "core/schedule/run_record.h"
#include "core/schedule/unit_files.h"
#include "core/schedule/user_schedules.h"
#include "support/saved_list.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace vt {
namespace {

using test::Argv;

class UserSchedulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::save_list(list, {{dir / "src", "*.*", dir / "dst", "No", "No"}});
    }

    std::string unit(const std::string& suffix) const {
        return schedules.folder() + "/" + units::unit_stem(list) + suffix;
    }
    std::string timer_name() const { return units::unit_stem(list) + ".timer"; }
    std::string service_name() const { return units::unit_stem(list) + ".service"; }

    // Runs the program's command line as main() would, on the recording runner.
    int command(const std::vector<std::string>& args) {
        out.str("");
        err.str("");
        const CommandLine cl = parse_command_line(args);
        return schedule_command(cl, schedules, VT_PROGRAM, now, out, err);
    }

    test::TempDir dir;
    test::ScopedEnv state{"XDG_STATE_HOME", dir / "state"};
    std::string list = dir / "my list.vtl";
    test::RecordingRunner runner;
    UserSchedules schedules{runner, dir / "config/systemd/user"};
    std::time_t now = 1717927200; // 2024-06-09 10:00 UTC, a Sunday
    std::ostringstream out, err;
};

TEST_F(UserSchedulesTest, WritesEnablesAndRemovesThroughSystemctl) {
    const Schedule daily{Frequency::Daily, 6, 30, 1, true};
    ASSERT_TRUE(schedules.set(list, daily, VT_PROGRAM).result.ok);
    EXPECT_EQ(runner.calls,
              (std::vector<Argv>{{"systemctl", "--user", "show", "--property=Version"},
                                 {"systemctl", "--user", "daemon-reload"},
                                 {"systemctl", "--user", "enable", timer_name()},
                                 {"systemctl", "--user", "restart", timer_name()}}));
    EXPECT_TRUE(test::exists(unit(".service")));
    EXPECT_EQ(schedules.find(list)->schedule, daily);

    runner.calls.clear();
    ASSERT_TRUE(schedules.set(list, Schedule{}, VT_PROGRAM).result.ok);
    EXPECT_EQ(runner.calls,
              (std::vector<Argv>{{"systemctl", "--user", "show", "--property=Version"},
                                 {"systemctl", "--user", "disable", "--now", timer_name()},
                                 {"systemctl", "--user", "stop", service_name()},
                                 {"systemctl", "--user", "daemon-reload"}}));
    EXPECT_FALSE(test::exists(unit(".service")));
    EXPECT_FALSE(test::exists(unit(".timer")));
    EXPECT_FALSE(schedules.find(list));

    // Turning off a list that has no schedule asks nothing of systemd.
    runner.calls.clear();
    EXPECT_TRUE(schedules.set(list, Schedule{}, VT_PROGRAM).result.ok);
    EXPECT_TRUE(runner.calls.empty());
}

TEST_F(UserSchedulesTest, WithoutAManagerTheUnitsAreWrittenAndTheCommandGiven) {
    runner.manager = false;
    const ScheduleChange change =
        schedules.set(list, {Frequency::Hourly, 12, 5, 1, true}, VT_PROGRAM);
    EXPECT_TRUE(change.result.ok);
    EXPECT_FALSE(change.manager);
    EXPECT_EQ(change.enable_command, "systemctl --user enable --now '" + timer_name() + "'");
    EXPECT_EQ(runner.calls.size(), 1u);
    EXPECT_TRUE(test::exists(unit(".timer")));
}

TEST_F(UserSchedulesTest, ASystemctlFailureIsReportedOnOneLine) {
    runner.failing = "enable";
    const ScheduleChange change =
        schedules.set(list, {Frequency::Daily, 6, 30, 1, true}, VT_PROGRAM);
    EXPECT_FALSE(change.result.ok);
    EXPECT_EQ(change.result.error, "enable: Failed to enable unit: Access denied");
    EXPECT_EQ(command({"--schedule=daily", list}), 1);
    EXPECT_EQ(err.str(), "vantorel: cannot schedule " + list +
                             ": enable: Failed to enable unit: Access denied\n");
}

TEST_F(UserSchedulesTest, RoundTripThroughTheCommandLine) {
    const struct {
        std::vector<std::string> options;
        const char* described;
    } cases[] = {
        {{"--schedule=hourly", "--at=08:20"}, "every hour at :20"},
        {{"--schedule=daily"}, "every day at 12:00"},
        {{"--schedule=weekly", "--weekday=Fri", "--at=07:30", "--no-catch-up"},
         "every Friday at 07:30, no catch-up"},
        {{"--schedule=monthly", "--at=23:00"}, "on the 1st of every month at 23:00"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.options;
        args.push_back(list);
        ASSERT_EQ(command(args), 0) << err.str();
        const auto found = schedules.find(list);
        ASSERT_TRUE(found && found->schedule);
        EXPECT_EQ(*found->schedule, parse_command_line(args).scheduling.schedule);
        ASSERT_EQ(command({"--schedules"}), 0);
        const std::time_t next = next_run(*found->schedule, now);
        std::tm at{};
        ::localtime_r(&next, &at);
        EXPECT_EQ(out.str(),
                  list + "\t" + c.described + "\tnext " + date_time_text(at) + "\tlast none yet\n");
    }
    // The last scheduled run's result shows once there is one.
    const RunRecord record{list, now, 3, 1, 1, dir / "my list.txt"};
    ASSERT_TRUE(write_run_record(record).ok);
    EXPECT_EQ(read_run_record(dir / "./my list.vtl"), record);
    ASSERT_EQ(command({"--schedules"}), 0);
    EXPECT_NE(out.str().find("\tlast " + describe(record) + "\n"), std::string::npos);
    EXPECT_NE(describe(record).find(", 3 files copied, 1 failure, exit status 1"),
              std::string::npos);

    EXPECT_EQ(command({"--schedule=off", list}), 0);
    EXPECT_EQ(out.str(), "vantorel: " + list + " is no longer scheduled\n");
    ASSERT_EQ(command({"--schedules"}), 0);
    EXPECT_EQ(out.str(), "");
}

TEST_F(UserSchedulesTest, EverySpellingOfAListIsOneSchedule) {
    dir.mkdir("sub");
    ASSERT_EQ(::symlink((dir / "my list.vtl").c_str(), (dir / "alias.vtl").c_str()), 0);
    ASSERT_EQ(command({"--schedule=daily", dir / "sub/../alias.vtl"}), 0);
    ASSERT_EQ(command({"--schedule=weekly", dir / "./my list.vtl"}), 0);
    const auto all = schedules.all();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].list, list);
    EXPECT_EQ(all[0].schedule->frequency, Frequency::Weekly);
    EXPECT_EQ(schedules.find(dir / "alias.vtl")->stem, all[0].stem);
}

TEST_F(UserSchedulesTest, AListThatCannotBeReadIsNotScheduled) {
    EXPECT_EQ(command({"--schedule=daily", dir / "missing.vtl"}), 2);
    EXPECT_EQ(err.str(),
              "vantorel: cannot read the list " + (dir / "missing.vtl") + ": File not found\n");
    EXPECT_TRUE(schedules.all().empty());
    // A list that is gone can still be taken off the schedule.
    EXPECT_EQ(command({"--schedule=off", dir / "missing.vtl"}), 0);
}

} // namespace
} // namespace vt
