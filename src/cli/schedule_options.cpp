#include "cli/schedule_options.h"

#include "cli/command_line.h"

namespace vt {
namespace {

bool refuse(CommandLine& command, std::string reason) {
    if (command.mode != CommandLine::Mode::Invalid) {
        command.mode = CommandLine::Mode::Invalid;
        command.error = std::move(reason);
    }
    return true;
}

bool starts_with(const std::string& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

} // namespace

bool take_schedule_option(const std::string& a, CommandLine& command) {
    ScheduleOptions& o = command.scheduling;
    if (starts_with(a, "--schedule=")) {
        const auto frequency = frequency_from_name(a.substr(11));
        if (!frequency)
            return refuse(command, "--schedule takes off, hourly, daily, weekly or monthly");
        o.set = true;
        o.schedule.frequency = *frequency;
    } else if (starts_with(a, "--at=")) {
        if (!parse_time_of_day(a.substr(5), o.schedule.hour, o.schedule.minute))
            return refuse(command, "--at takes a time of day as HH:MM, 00:00 to 23:59");
        o.at = true;
    } else if (starts_with(a, "--weekday=")) {
        const auto day = weekday_from_name(a.substr(10));
        if (!day)
            return refuse(command, "--weekday takes Mon, Tue, Wed, Thu, Fri, Sat or Sun");
        o.schedule.weekday = *day;
        o.weekday = true;
    } else if (a == "--no-catch-up") {
        o.no_catch_up = true;
        o.schedule.catch_up = false;
    } else if (a == "--schedules") {
        o.list_all = true;
    } else if (a == "--notify") {
        command.notify = true;
    } else if (a == "--quiet") {
        command.quiet = true;
    } else if (a == "--verbose") {
        command.verbose = true;
    } else {
        return false;
    }
    return true;
}

void check_schedule_options(CommandLine& command) {
    using Mode = CommandLine::Mode;
    if (command.mode == Mode::Invalid || command.mode == Mode::Help ||
        command.mode == Mode::Version)
        return;
    const ScheduleOptions& o = command.scheduling;
    const bool run = command.mode == Mode::Run || command.mode == Mode::Check;
    if ((command.notify || command.quiet || command.verbose) && !run) {
        refuse(command, "--notify, --quiet and --verbose go with --run");
        return;
    }
    if (command.quiet && command.verbose) {
        refuse(command, "--quiet and --verbose do not go together");
        return;
    }
    if (command.notify && command.dry_run) {
        refuse(command, "--notify does not go with --dry-run");
        return;
    }
    if ((o.at || o.weekday || o.no_catch_up) && !o.set) {
        refuse(command, "--at, --weekday and --no-catch-up go with --schedule");
        return;
    }
    if (o.set || o.list_all) {
        if (run || (o.set && o.list_all)) {
            refuse(command, "--schedule, --schedules, --run, --check and --restore each go alone");
            return;
        }
        if (o.list_all) {
            command.mode = Mode::Schedules;
            return;
        }
        const Frequency f = o.schedule.frequency;
        if (f == Frequency::Off && (o.at || o.weekday || o.no_catch_up)) {
            refuse(command, "--schedule=off takes no --at, --weekday or --no-catch-up");
            return;
        }
        if (o.weekday && f != Frequency::Weekly) {
            refuse(command, "--weekday goes with --schedule=weekly");
            return;
        }
        if (command.list_argument.empty()) {
            refuse(command, "--schedule needs a list file");
            return;
        }
        command.scheduling.schedule = normalized(o.schedule);
        command.mode = Mode::Schedule;
    }
}

} // namespace vt
