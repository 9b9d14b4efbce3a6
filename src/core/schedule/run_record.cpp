#include "core/schedule/run_record.h"

#include "core/platform/atomic_file.h"
#include "core/platform/file_time.h"
#include "core/platform/path_key.h"
#include "core/platform/profile_file.h"
#include "core/platform/xdg_folders.h"

#include <cstdlib>

namespace vt {
namespace {

constexpr const char* kSection = "LastRun";

} // namespace

std::string run_record_path(const std::string& list) {
    return xdg::state_home() + "/Vantorel/last-run-" +
           names::path_hash(names::canonical_path(list)) + ".ini";
}

IoResult write_run_record(const RunRecord& record) {
    ProfileFile profile;
    profile.write_string(kSection, "List", record.list);
    profile.write_string(kSection, "Time", std::to_string(record.time));
    profile.write_integer(kSection, "Copied", record.copied);
    profile.write_integer(kSection, "Failures", record.failures);
    profile.write_integer(kSection, "Status", record.status);
    profile.write_string(kSection, "Journal", record.journal);
    const std::string path = run_record_path(record.list);
    if (IoResult made = xdg::make_folders(path.substr(0, path.rfind('/'))); !made)
        return made;
    return replace_file(path, profile.text(), 0600);
}

std::optional<RunRecord> read_run_record(const std::string& list) {
    ProfileFile profile;
    if (!read_profile_file(run_record_path(list), profile))
        return std::nullopt;
    RunRecord record;
    record.list = profile.read_string(kSection, "List", "");
    // Two lists whose hashes meet must not show each other's runs.
    if (record.list.empty() || record.list != names::canonical_path(list))
        return std::nullopt;
    const std::string time = profile.read_string(kSection, "Time", "0");
    char* end = nullptr;
    record.time = static_cast<std::time_t>(std::strtoll(time.c_str(), &end, 10));
    if (end == time.c_str() || *end != '\0')
        return std::nullopt;
    record.copied = profile.read_integer(kSection, "Copied", 0);
    record.failures = profile.read_integer(kSection, "Failures", 0);
    record.status = profile.read_integer(kSection, "Status", 0);
    record.journal = profile.read_string(kSection, "Journal", "");
    return record;
}

std::string describe(const RunRecord& record) {
    std::tm local{};
    ::localtime_r(&record.time, &local);
    return date_time_text(local) + ", " + std::to_string(record.copied) + " files copied, " +
           std::to_string(record.failures) + (record.failures == 1 ? " failure" : " failures") +
           ", exit status " + std::to_string(record.status);
}

} // namespace vt
