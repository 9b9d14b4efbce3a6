#include "cli/scheduled_run.h"

#include "cli/headless_run.h"
#include "core/platform/path_key.h"
#include "core/schedule/run_record.h"
#include "core/settings/settings_file.h"

#include <ctime>
#include <iostream>
#include <unistd.h>

namespace vt {

int scheduled_run(const CommandLine& command, const FailureNotifier& notify) {
    HeadlessReport report;
    const bool terminal = ::isatty(2) != 0;
    const int status =
        headless_run(command, startup_copy_options(), std::cout, std::cerr, terminal, &report);

    RunRecord record;
    record.list = names::canonical_path(report.list);
    record.time = std::time(nullptr);
    record.copied = report.copied;
    record.failures = report.failures;
    record.status = status;
    record.journal = report.journal;
    if (const IoResult written = write_run_record(record); !written)
        std::cerr << "vantorel: cannot keep the result of the run: " << written.error << "\n";

    if (const auto failure = failure_text(report, status))
        notify(*failure, terminal ? std::string() : report.journal);
    return status;
}

} // namespace vt
