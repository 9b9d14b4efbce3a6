#include "core/schedule/schedule.h"

#include <array>
#include <cstdio>
#include <strings.h>
#include <vector>

namespace vt {
namespace {

constexpr std::array<const char*, 5> kFrequencyNames = {"off", "hourly", "daily", "weekly",
                                                        "monthly"};
constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 7> kFullDays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};

bool two_digits(std::string_view text, int& value) {
    if (text.size() != 2 || text[0] < '0' || text[0] > '9' || text[1] < '0' || text[1] > '9')
        return false;
    value = (text[0] - '0') * 10 + (text[1] - '0');
    return true;
}

std::string two(int value) {
    char text[4];
    std::snprintf(text, sizeof text, "%02d", value % 100);
    return text;
}

std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> out;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t blank = text.find(' ', start);
        const std::size_t end = blank == std::string_view::npos ? text.size() : blank;
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

// "HH:MM:00" with an hour, or "*:MM:00" when `any_hour`.
bool parse_clock(std::string_view text, bool any_hour, Schedule& s) {
    const std::size_t hour_size = any_hour ? 1 : 2;
    if (text.size() != hour_size + 6 || text.substr(hour_size + 3) != ":00" ||
        text[hour_size] != ':')
        return false;
    if (any_hour ? text[0] != '*' : !two_digits(text.substr(0, 2), s.hour) || s.hour > 23)
        return false;
    return two_digits(text.substr(hour_size + 1, 2), s.minute) && s.minute <= 59;
}

bool matches_day(const Schedule& schedule, const std::tm& day) {
    switch (schedule.frequency) {
    case Frequency::Weekly:
        return day.tm_wday == schedule.weekday;
    case Frequency::Monthly:
        return day.tm_mday == 1;
    default:
        return true;
    }
}

} // namespace

Schedule normalized(Schedule s) {
    const Schedule defaults;
    if (s.frequency == Frequency::Off)
        return defaults;
    if (s.frequency == Frequency::Hourly)
        s.hour = defaults.hour;
    if (s.frequency != Frequency::Weekly)
        s.weekday = defaults.weekday;
    return s;
}

const char* frequency_name(Frequency frequency) {
    return kFrequencyNames[static_cast<std::size_t>(frequency)];
}

std::optional<Frequency> frequency_from_name(std::string_view name) {
    for (std::size_t i = 0; i < kFrequencyNames.size(); ++i)
        if (name == kFrequencyNames[i])
            return static_cast<Frequency>(i);
    return std::nullopt;
}

bool parse_time_of_day(std::string_view text, int& hour, int& minute) {
    const std::size_t colon = text.find(':');
    if (colon != 1 && colon != 2)
        return false;
    const std::string hours = (colon == 1 ? "0" : "") + std::string(text.substr(0, colon));
    int h = 0, m = 0;
    if (!two_digits(hours, h) || !two_digits(text.substr(colon + 1), m) || h > 23 || m > 59)
        return false;
    hour = h;
    minute = m;
    return true;
}

std::optional<int> weekday_from_name(std::string_view name) {
    const std::string text(name);
    for (std::size_t i = 0; i < kDays.size(); ++i)
        if (::strcasecmp(text.c_str(), kDays[i]) == 0 ||
            ::strcasecmp(text.c_str(), kFullDays[i]) == 0)
            return static_cast<int>(i);
    return std::nullopt;
}

const char* weekday_name(int weekday) {
    return kDays[static_cast<std::size_t>(weekday % 7)];
}

const char* weekday_full_name(int weekday) {
    return kFullDays[static_cast<std::size_t>(weekday % 7)];
}

std::string on_calendar(const Schedule& s) {
    const std::string time = two(s.hour) + ":" + two(s.minute) + ":00";
    switch (s.frequency) {
    case Frequency::Off:
        return {};
    case Frequency::Hourly:
        return "*-*-* *:" + two(s.minute) + ":00";
    case Frequency::Daily:
        return "*-*-* " + time;
    case Frequency::Weekly:
        return std::string(weekday_name(s.weekday)) + " *-*-* " + time;
    case Frequency::Monthly:
        return "*-*-01 " + time;
    }
    return {};
}

std::optional<Schedule> schedule_from_calendar(std::string_view expression, bool catch_up) {
    Schedule s;
    s.catch_up = catch_up;
    std::vector<std::string_view> parts = words(expression);
    if (parts.size() == 3) {
        const auto day = weekday_from_name(parts[0]);
        if (!day || parts[0] != kDays[static_cast<std::size_t>(*day)] || parts[1] != "*-*-*" ||
            !parse_clock(parts[2], false, s))
            return std::nullopt;
        s.frequency = Frequency::Weekly;
        s.weekday = *day;
        return s;
    }
    if (parts.size() != 2)
        return std::nullopt;
    if (parts[0] == "*-*-*" && parse_clock(parts[1], true, s)) {
        s.frequency = Frequency::Hourly;
        return s;
    }
    if (parts[0] == "*-*-*" && parse_clock(parts[1], false, s)) {
        s.frequency = Frequency::Daily;
        return s;
    }
    if (parts[0] == "*-*-01" && parse_clock(parts[1], false, s)) {
        s.frequency = Frequency::Monthly;
        return s;
    }
    return std::nullopt;
}

std::time_t next_run(const Schedule& s, std::time_t now) {
    if (s.frequency == Frequency::Off)
        return 0;
    std::tm today{};
    ::localtime_r(&now, &today);
    // Day by day in local time, as the timer counts: a time that a clock change skips
    // does not happen that day. Every schedule matches within 31 days.
    for (int day = 0; day <= 62; ++day) {
        for (int hour = 0; hour < 24; ++hour) {
            if (s.frequency != Frequency::Hourly && hour != s.hour)
                continue;
            std::tm at{};
            at.tm_year = today.tm_year;
            at.tm_mon = today.tm_mon;
            at.tm_mday = today.tm_mday + day;
            at.tm_hour = hour;
            at.tm_min = s.minute;
            at.tm_isdst = -1;
            const std::time_t t = std::mktime(&at);
            if (t == static_cast<std::time_t>(-1) || at.tm_hour != hour || at.tm_min != s.minute)
                continue;
            if (t > now && matches_day(s, at))
                return t;
        }
    }
    return 0;
}

std::string describe(const Schedule& s) {
    std::string text;
    const std::string time = two(s.hour) + ":" + two(s.minute);
    switch (s.frequency) {
    case Frequency::Off:
        return "off";
    case Frequency::Hourly:
        text = "every hour at :" + two(s.minute);
        break;
    case Frequency::Daily:
        text = "every day at " + time;
        break;
    case Frequency::Weekly:
        text = std::string("every ") + weekday_full_name(s.weekday) + " at " + time;
        break;
    case Frequency::Monthly:
        text = "on the 1st of every month at " + time;
        break;
    }
    if (!s.catch_up)
        text += ", no catch-up";
    return text;
}

} // namespace vt
