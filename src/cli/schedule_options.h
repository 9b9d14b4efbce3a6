#pragma once
#include "core/schedule/schedule.h"

#include <string>

namespace vt {

struct CommandLine;

// The options that schedule a list, and those of a scheduled run's log.
struct ScheduleOptions {
    bool set = false;      // --schedule=... was given
    bool list_all = false; // --schedules
    bool at = false;       // --at was given
    bool weekday = false;  // --weekday was given
    bool no_catch_up = false;
    Schedule schedule;
};

// Takes `argument` when it is one of these options (--schedule=, --at=, --weekday=,
// --no-catch-up, --schedules, --notify, --quiet, --verbose) and returns true; a bad
// value sets the command line Invalid with a one-line reason.
bool take_schedule_option(const std::string& argument, CommandLine& command);

// Once every argument is read: sets the mode for --schedule and --schedules and
// refuses options that do not go together.
void check_schedule_options(CommandLine& command);

} // namespace vt
