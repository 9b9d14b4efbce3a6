// The schedule rules: calendar expressions, next runs (checked against systemd's own
// calendar arithmetic), and the options that make a schedule.
#include "cli/command_line.h"
#include "core/schedule/recording_runner.h"
#include "core/schedule/schedule.h"
#include "support/scoped_env.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace vt {
namespace {

Schedule make(Frequency f, int hour, int minute, int weekday = 1, bool catch_up = true) {
    return {f, hour, minute, weekday, catch_up};
}

TEST(Schedule, CalendarExpressionsRoundTrip) {
    const struct {
        Schedule schedule;
        const char* calendar;
        const char* described;
    } cases[] = {
        {make(Frequency::Hourly, 12, 5), "*-*-* *:05:00", "every hour at :05"},
        {make(Frequency::Daily, 0, 0), "*-*-* 00:00:00", "every day at 00:00"},
        {make(Frequency::Daily, 23, 59, 1, false), "*-*-* 23:59:00",
         "every day at 23:59, no catch-up"},
        {make(Frequency::Weekly, 7, 30, 5), "Fri *-*-* 07:30:00", "every Friday at 07:30"},
        {make(Frequency::Weekly, 9, 0, 0), "Sun *-*-* 09:00:00", "every Sunday at 09:00"},
        {make(Frequency::Monthly, 18, 45), "*-*-01 18:45:00", "on the 1st of every month at 18:45"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(on_calendar(c.schedule), c.calendar);
        EXPECT_EQ(describe(c.schedule), c.described);
        EXPECT_EQ(schedule_from_calendar(c.calendar, c.schedule.catch_up), c.schedule)
            << c.calendar;
    }
    // Expressions this program does not write are not taken for one of its schedules.
    for (const char* other :
         {"daily", "*-*-* 12:00", "Mon..Fri *-*-* 12:00:00", "mon *-*-* 12:00:00",
          "*-*-02 12:00:00", "*-*-* 24:00:00", "*-*-* *:60:00", ""})
        EXPECT_FALSE(schedule_from_calendar(other, true)) << other;
}

// What systemd itself calls the next elapse of an expression after `base`.
std::string systemd_next(const std::string& calendar, std::time_t base) {
    const CommandResult r = test::run_program({"systemd-analyze", "calendar", "--iterations=1",
                                               "--base-time=@" + std::to_string(base), calendar});
    EXPECT_EQ(r.status, 0) << r.output;
    const std::string key = "Next elapse: ";
    const std::size_t at = r.output.find(key);
    if (at == std::string::npos)
        return r.output;
    return r.output.substr(at + key.size(), r.output.find('\n', at) - at - key.size());
}

std::string local_text(std::time_t t) {
    std::tm local{};
    ::localtime_r(&t, &local);
    char text[64];
    std::strftime(text, sizeof text, "%a %Y-%m-%d %H:%M:%S %Z", &local);
    return text;
}

TEST(Schedule, NextRunAgreesWithSystemdAcrossClockChanges) {
    std::optional<test::ScopedEnv> tz{std::in_place, "TZ", "Europe/Berlin"};
    ::tzset();
    // 2024-03-31 02:00 CET skips to 03:00; 2024-10-27 03:00 CEST falls back to 02:00.
    const std::time_t spring = 1711843200;      // 2024-03-31 01:00 CET
    const std::time_t autumn = 1729985400;      // 2024-10-27 01:30 CEST
    const std::time_t sunday_noon = 1717927200; // 2024-06-09 12:00 CEST, a Sunday
    const std::time_t year_end = 1735689540;    // 2024-12-31 23:59 CET
    const struct {
        Schedule schedule;
        std::time_t base;
    } cases[] = {
        {make(Frequency::Hourly, 0, 30), spring},
        {make(Frequency::Hourly, 0, 30), spring + 3600},
        {make(Frequency::Daily, 2, 30), spring},
        {make(Frequency::Daily, 2, 30), autumn},
        {make(Frequency::Hourly, 0, 15), autumn + 3600},
        {make(Frequency::Weekly, 12, 0, 0), sunday_noon},
        {make(Frequency::Weekly, 12, 0, 0), sunday_noon - 1},
        {make(Frequency::Weekly, 8, 0, 3), sunday_noon},
        {make(Frequency::Monthly, 0, 0), year_end},
        {make(Frequency::Monthly, 23, 59), year_end - 86400 * 30},
        {make(Frequency::Daily, 0, 0), year_end + 59},
    };
    for (const auto& c : cases)
        EXPECT_EQ(local_text(next_run(c.schedule, c.base)),
                  systemd_next(on_calendar(c.schedule), c.base))
            << on_calendar(c.schedule) << " after " << local_text(c.base);
    EXPECT_EQ(next_run(Schedule{}, spring), 0);
    tz.reset();
    ::tzset();
}

TEST(Schedule, CommandLineOptions) {
    using M = CommandLine::Mode;
    const struct {
        std::vector<std::string> args;
        Schedule schedule;
    } good[] = {
        {{"--schedule=daily", "l.vtl"}, make(Frequency::Daily, 12, 0)},
        {{"--schedule=hourly", "--at=00:45", "l.vtl"}, make(Frequency::Hourly, 12, 45)},
        {{"--schedule=weekly", "--weekday=friday", "--at=7:05", "l.vtl"},
         make(Frequency::Weekly, 7, 5, 5)},
        {{"l.vtl", "--schedule=monthly", "--no-catch-up"},
         make(Frequency::Monthly, 12, 0, 1, false)},
    };
    for (const auto& g : good) {
        const CommandLine cl = parse_command_line(g.args);
        EXPECT_EQ(cl.mode, M::Schedule) << g.args[0] << " " << cl.error;
        EXPECT_EQ(cl.scheduling.schedule, g.schedule) << g.args[0];
        EXPECT_EQ(cl.list_argument, "l.vtl");
    }
    EXPECT_EQ(parse_command_line({"--schedules"}).mode, M::Schedules);
    const auto run = parse_command_line({"--run", "l.vtl", "--notify", "--verbose"});
    EXPECT_EQ(run.mode, M::Run);
    EXPECT_TRUE(run.notify && run.verbose && !run.quiet);

    const struct {
        std::vector<std::string> args;
        const char* reason;
    } bad[] = {
        {{"--schedule=sometimes", "l.vtl"},
         "--schedule takes off, hourly, daily, weekly or monthly"},
        {{"--schedule=daily", "--at=24:00", "l.vtl"},
         "--at takes a time of day as HH:MM, 00:00 to 23:59"},
        {{"--schedule=daily", "--at=07:5", "l.vtl"},
         "--at takes a time of day as HH:MM, 00:00 to 23:59"},
        {{"--schedule=weekly", "--weekday=Funday", "l.vtl"},
         "--weekday takes Mon, Tue, Wed, Thu, Fri, Sat or Sun"},
        {{"--schedule=daily", "--weekday=Mon", "l.vtl"}, "--weekday goes with --schedule=weekly"},
        {{"--schedule=off", "--at=10:00", "l.vtl"},
         "--schedule=off takes no --at, --weekday or --no-catch-up"},
        {{"--schedule=daily"}, "--schedule needs a list file"},
        {{"--at=10:00", "l.vtl"}, "--at, --weekday and --no-catch-up go with --schedule"},
        {{"--schedule=daily", "--run", "l.vtl"},
         "--schedule, --schedules, --run, --check and --restore each go alone"},
        {{"--run", "l.vtl", "--quiet", "--verbose"}, "--quiet and --verbose do not go together"},
        {{"--run", "l.vtl", "--notify", "--dry-run"}, "--notify does not go with --dry-run"},
    };
    for (const auto& b : bad) {
        const CommandLine cl = parse_command_line(b.args);
        EXPECT_EQ(cl.mode, M::Invalid) << b.args[0];
        EXPECT_EQ(cl.error, b.reason) << b.args[0];
    }
}

TEST(Schedule, TheProgramRefusesABadValueWithOneLine) {
    const CommandResult r =
        test::run_program({VT_PROGRAM, "--schedule=weekly", "--weekday=Someday", "l.vtl"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.output, "vantorel: --weekday takes Mon, Tue, Wed, Thu, Fri, Sat or Sun "
                        "(see vantorel --help)\n");
}

} // namespace
} // namespace vt
