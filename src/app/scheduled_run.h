#pragma once
#include "app/command_line.h"

namespace vt {

// `vantorel --run LIST --notify`, the run a timer starts: the headless run, then
// its result kept for the schedule dialog and --schedules, and, when it failed, a
// desktop notification (when there is a session bus). Returns the run's status.
int scheduled_run(int argc, char** argv, const CommandLine& command);

} // namespace vt
