#pragma once
#include "core/platform/io_result.h"

#include <ctime>
#include <optional>
#include <string>

namespace vt {

// How the last scheduled run of a list ended, kept in a small file under
// $XDG_STATE_HOME/Vantorel so that the schedule dialog and --schedules can show it.
struct RunRecord {
    std::string list; // canonical path
    std::time_t time = 0;
    int copied = 0;
    int failures = 0;
    int status = 0;      // the run's exit status
    std::string journal; // empty when none was written

    bool operator==(const RunRecord&) const = default;
};

std::string run_record_path(const std::string& list);
IoResult write_run_record(const RunRecord& record);
// Nothing when the list has no record yet, or the file is not one of its records.
std::optional<RunRecord> read_run_record(const std::string& list);

// "<date-time>, 12 files copied, 0 failures, exit status 0"
std::string describe(const RunRecord& record);

} // namespace vt
