#pragma once
#include "cli/command_line.h"
#include "cli/run_log.h"

#include <functional>

namespace vt {

// Tells the desktop that a scheduled run failed. `journal` is empty when the action
// that opens it is not to be offered (someone at a terminal sees the outcome there).
using FailureNotifier = std::function<void(const FailureText& failure, const std::string& journal)>;

// `vantorel --run LIST --notify`, the run a timer starts: the headless run, then its
// result kept for the schedule dialog and --schedules, and, when it failed, `notify`.
// Returns the run's status.
int scheduled_run(const CommandLine& command, const FailureNotifier& notify);

} // namespace vt
