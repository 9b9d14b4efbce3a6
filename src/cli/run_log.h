#pragma once
#include "core/run/run_progress.h"

#include <functional>
#include <optional>
#include <ostream>
#include <string>

namespace vt {

// What a run without a window tells its caller besides the exit status.
struct HeadlessReport {
    std::string list;    // the list file as resolved
    std::string journal; // the journal written, empty when none
    int copied = 0;
    int failures = 0;
    std::string reason; // why the run did not start, on one line
};

// The desktop notification of a scheduled run that failed: exit status 1, 2 or
// 130 (nothing for a run that went well).
struct FailureText {
    std::string summary; // "Vantorel backup failed: <list name>"
    std::string body;    // the counts or the reason, and the journal's path
};
std::optional<FailureText> failure_text(const HeadlessReport& report, int status);

// The lines a run without a window writes about itself: its start, its end, and
// with `verbose` one for every file. Passes the run's progress on to `next`.
class RunLog final : public RunObserver {
public:
    RunLog(std::ostream& log, RunObserver* next, bool verbose)
        : log_(log), next_(next), verbose_(verbose) {}

    // Called before each line is written (a progress line makes room).
    void before_writing(std::function<void()> f) { before_writing_ = std::move(f); }

    void started(const std::string& list, bool restore = false);
    // The settings say "Verify Each File", which a run without a window leaves off.
    void copies_unverified();
    void ended(const HeadlessReport& report, int status);

    void running_changed(bool running) override;
    void progress(const RunProgress& now) override;
    void transfer_progress(const RunProgress& now) override;
    void file_done(const RunProgress& now, bool copied) override;
    void waiting_for_answer(bool waiting) override;

private:
    void line(const std::string& text);

    std::ostream& log_;
    RunObserver* next_;
    bool verbose_;
    std::function<void()> before_writing_;
};

} // namespace vt
