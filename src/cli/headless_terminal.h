#pragma once
#include "core/run/run_meter.h"
#include "core/run/run_progress.h"

#include <array>
#include <chrono>
#include <csignal>
#include <ostream>
#include <string>

namespace vt {

// Installs the stop handlers of a run without a window and puts the old ones back
// after it. The handler is reset after the first signal, so a second one ends the
// program. A closed terminal (SIGHUP) stops the run like Ctrl+C, with the journal
// finished; a closed standard error (SIGPIPE) must not kill a backup half done, so
// writes to it simply fail.
class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

private:
    static constexpr std::array<int, 3> kStops = {SIGINT, SIGTERM, SIGHUP};
    std::array<struct sigaction, kStops.size()> old_{};
    struct sigaction old_pipe_ {};
};

// Whether SIGINT, SIGTERM or SIGHUP came since the last InterruptGuard was installed.
bool interrupted();

// One status line on a terminal, rewritten in place at most ten times a second and
// cleared when the run ends or another line is written: how far, how fast, how long.
// `work` names what the run does to its files in the line shown before any is found
// ("copy", "compare").
class TerminalProgress final : public RunObserver {
public:
    TerminalProgress(std::ostream& err, bool enabled, std::string work = "copy")
        : err_(err), enabled_(enabled), work_(std::move(work)) {}
    void progress(const RunProgress& now) override { draw(now, false); }
    void transfer_progress(const RunProgress& now) override { draw(now, true); }
    void waiting_for_answer(bool waiting) override { meter_.set_paused(waiting); }
    void running_changed(bool running) override;
    void clear();

private:
    void draw(const RunProgress& now, bool in_file);

    std::ostream& err_;
    bool enabled_;
    std::string work_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point last_{};
    RunMeter meter_;
};

} // namespace vt
