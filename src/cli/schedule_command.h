#pragma once
#include "cli/command_line.h"
#include "core/schedule/user_schedules.h"

#include <ctime>
#include <ostream>

namespace vt {

// `vantorel --schedule=... LIST` and `vantorel --schedules`. `program` is what the
// units start; `now` counts the next runs. Returns the exit status: 0 done, 1 the
// units or systemctl failed, 2 the list cannot be read.
int schedule_command(const CommandLine& command, UserSchedules& schedules,
                     const std::string& program, std::time_t now, std::ostream& out,
                     std::ostream& err);

// The same with the user's units, systemctl and the running program.
int schedule_command(const CommandLine& command);

// One line of --schedules: list, schedule, next run and last result, between tabs.
std::string schedule_line(const ScheduledList& entry, std::time_t now);

} // namespace vt
