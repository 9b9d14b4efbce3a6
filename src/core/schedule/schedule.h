#pragma once
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace vt {

enum class Frequency { Off, Hourly, Daily, Weekly, Monthly };

// When a list is copied on its own: how often, at what time of day (an hourly run
// uses only the minute), on which weekday (weekly) — a monthly run is on the 1st —
// and whether a run missed while the computer was off is made up at its next start.
struct Schedule {
    Frequency frequency = Frequency::Off;
    int hour = 12;
    int minute = 0;
    int weekday = 1; // 0 Sunday ... 6 Saturday, as in std::tm
    bool catch_up = true;

    bool operator==(const Schedule&) const = default;
};

// The schedule with the fields its frequency does not use (the hour of an hourly
// run, the weekday of any but a weekly one, everything of Off) at their defaults, so
// that two schedules that run alike compare equal.
Schedule normalized(Schedule schedule);

// "off", "hourly", "daily", "weekly", "monthly".
const char* frequency_name(Frequency frequency);
std::optional<Frequency> frequency_from_name(std::string_view name);
// "HH:MM" (or "H:MM"), 00:00 to 23:59.
bool parse_time_of_day(std::string_view text, int& hour, int& minute);
// "Mon" ... "Sun" or the full English name, in any letter case; gives 0 (Sunday) to 6.
std::optional<int> weekday_from_name(std::string_view name);
const char* weekday_name(int weekday);      // "Mon"
const char* weekday_full_name(int weekday); // "Monday"

// The systemd calendar expression of a schedule (empty for Off), and back: only the
// expressions written here are understood.
std::string on_calendar(const Schedule& schedule);
std::optional<Schedule> schedule_from_calendar(std::string_view expression, bool catch_up);

// The first planned run after `now`, in local time as the timer counts it; 0 for Off.
std::time_t next_run(const Schedule& schedule, std::time_t now);

// "every day at 07:30", "every Friday at 07:30", "every hour at :15", "on the 1st
// of every month at 07:30", "off"; ", no catch-up" when missed runs are not made up.
std::string describe(const Schedule& schedule);

} // namespace vt
