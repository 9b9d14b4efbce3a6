#pragma once
#include "cli/command_line.h"
#include "cli/run_log.h"
#include "core/run/copy_engine.h"
#include "core/run/copy_options.h"

#include <ostream>

namespace vt {

// Exit statuses of a headless run.
enum HeadlessExit {
    kExitDone = 0,         // every selected file copied or deliberately passed over
    kExitFailures = 1,     // a file, folder or line failed
    kExitNotStarted = 2,   // bad arguments, unreadable or busy list, nothing to do, refused journal
    kExitInterrupted = 130 // SIGINT, SIGTERM or SIGHUP acted as "Stop Copy"
};

// The exit status of a run that ended as `summary` says; `interrupted`: a stop signal
// came during it.
int run_exit_status(const RunSummary& summary, bool interrupted);

// `vantorel --run LIST`: runs the copy list without a window, with the copy options
// `options` (the journal option of the command line overrides theirs) but without
// "Verify Each File", which nobody is there to answer: when `options` has it, the log
// says once that the run copies without asking. Questions,
// answers and messages go to `err`; a dry run's lines go to `out`. Progress is shown
// on `err` when `show_progress` (standard error is a terminal). SIGINT, SIGTERM and
// SIGHUP stop the run like "Stop Copy"; a second one ends the program at once.
// SIGPIPE is ignored during the run: a closed standard error never ends it.
// A list that another run is copying is refused at once. `report`, when given,
// receives what the run did.
int headless_run(const CommandLine& command, CopyOptions options, std::ostream& out,
                 std::ostream& err, bool show_progress, HeadlessReport* report = nullptr);

} // namespace vt
