#include "app/headless_run.h"

#include "app/headless_prompter.h"
#include "document/list_file.h"
#include "engine/copy_engine.h"
#include "engine/restore_plan.h"
#include "engine/run_lock.h"
#include "engine/run_meter.h"
#include "platform/event_pump.h"
#include "platform/file_names.h"

#include <array>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <optional>
#include <sys/ioctl.h>
#include <unistd.h>

namespace vt {
namespace {

std::atomic<int> g_interrupted = 0;
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

extern "C" void on_interrupt(int) {
    g_interrupted = 1;
}

// Installs the stop handlers for the run and puts the old ones back after it. The
// handler is reset after the first signal, so a second one ends the program. A
// closed terminal (SIGHUP) stops the run like Ctrl+C, with the journal finished; a
// closed standard error (SIGPIPE) must not kill a backup half done, so writes to it
// simply fail.
class InterruptGuard {
public:
    InterruptGuard() {
        g_interrupted = 0;
        struct sigaction action {};
        action.sa_handler = on_interrupt;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART | SA_RESETHAND;
        for (std::size_t i = 0; i < kStops.size(); ++i)
            ::sigaction(kStops[i], &action, &old_[i]);
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        ::sigaction(SIGPIPE, &ignore, &old_pipe_);
    }
    ~InterruptGuard() {
        for (std::size_t i = 0; i < kStops.size(); ++i)
            ::sigaction(kStops[i], &old_[i], nullptr);
        ::sigaction(SIGPIPE, &old_pipe_, nullptr);
    }

private:
    static constexpr std::array<int, 3> kStops = {SIGINT, SIGTERM, SIGHUP};
    std::array<struct sigaction, kStops.size()> old_{};
    struct sigaction old_pipe_ {};
};

class InterruptPump final : public EventPump {
public:
    explicit InterruptPump(CopyEngine*& engine) : engine_(engine) {}
    void pump() override {
        if (g_interrupted && engine_)
            engine_->request_stop();
    }

private:
    CopyEngine*& engine_;
};

// The width of the terminal on standard error, where the status line goes.
std::size_t terminal_width() {
    struct winsize size {};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

// One status line on a terminal, rewritten in place at most ten times a second and
// cleared when the run ends or another line is written: how far, how fast, how long.
class TerminalProgress final : public RunObserver {
public:
    TerminalProgress(std::ostream& err, bool enabled) : err_(err), enabled_(enabled) {}
    void progress(const RunProgress& now) override { draw(now, false); }
    void transfer_progress(const RunProgress& now) override { draw(now, true); }
    void waiting_for_answer(bool waiting) override { meter_.set_paused(waiting); }
    void running_changed(bool running) override {
        if (running)
            meter_.start();
        clear();
    }
    void clear() {
        if (enabled_ && shown_) {
            err_ << "\r\033[K";
            err_.flush();
        }
        shown_ = false;
    }

private:
    void draw(const RunProgress& now, bool in_file) {
        if (!enabled_)
            return;
        const auto t = std::chrono::steady_clock::now();
        if (shown_ && t - last_ < std::chrono::milliseconds(100))
            return;
        last_ = t;
        meter_.update(now, in_file);
        // One column is left free: a line that fills the last one wraps on some
        // terminals, and a wrapped line is not rewritten in place.
        err_ << "\r\033[K" << terminal_line(meter_, now.file, terminal_width() - 1);
        err_.flush();
        shown_ = true;
    }

    std::ostream& err_;
    bool enabled_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point last_{};
    RunMeter meter_;
};

} // namespace

int headless_run(const CommandLine& command, CopyOptions options, std::ostream& out,
                 std::ostream& err, bool show_progress, HeadlessReport* report) {
    HeadlessReport own_report;
    HeadlessReport& done = report ? *report : own_report;
    done = {};
    // For the whole run, its log lines included: a closed standard error must not end it.
    InterruptGuard guard;
    CopyList list;
    const std::string list_name = resolve_list_argument(command.run_list);
    done.list = list_name;
    // A dry run writes nothing, so it may look at a list while another run copies it.
    std::optional<RunLock> lock;
    if (!command.dry_run) {
        lock.emplace(list_name);
        if (lock->busy()) {
            done.reason = RunLock::busy_text(list_name);
            err << "vantorel: " << done.reason << "\n";
            return kExitNotStarted;
        }
        if (!lock->held())
            err << "vantorel: cannot lock the list against a second run (" << lock->error()
                << "); copying all the same\n";
    }
    if (const IoResult loaded = load_vtl(list, list_name); !loaded) {
        done.reason = "cannot read the list " + list_name + ": " + loaded.error;
        err << "vantorel: " << done.reason << "\n";
        return kExitNotStarted;
    }
    // A restore runs the list turned around; it never keeps versions of the person's
    // own files it replaces (it asks first, and keeps a newer one without a window).
    const bool restore = command.mode == CommandLine::Mode::Restore;
    RestorePlan plan;
    if (restore) {
        RestoreRequest request;
        if (!command.restore_to.empty())
            request.to_folder = names::absolute(command.restore_to);
        request.version = command.version;
        plan = plan_restore(list, request);
        for (const std::string& note : plan.notes)
            err << "vantorel: " << note << "\n";
        if (!plan.ok()) {
            done.reason = plan.error;
            err << "vantorel: " << done.reason << "\n";
            return kExitNotStarted;
        }
        options.keep_versions = false;
    } else if (command.keep_versions) {
        options.keep_versions = true;
    }
    if (command.journal == "none") {
        options.create_journal = false;
    } else if (command.journal == "append" || command.journal == "new") {
        options.create_journal = true;
        options.journal_append_index = command.journal == "append" ? 0 : 1;
    }

    HeadlessPrompter prompter(err, command.newer == "copy");
    prompter.set_quiet(command.quiet || (command.notify && !command.verbose));
    TerminalProgress progress(err, show_progress);
    prompter.before_writing([&progress] { progress.clear(); });
    RunLog log(err, &progress, command.verbose);
    log.before_writing([&progress] { progress.clear(); });
    CopyEngine* engine_ref = nullptr;
    InterruptPump pump(engine_ref);
    ListInputs inputs(restore ? plan.list : list, [&options] { return options; });
    CopyEngine engine(inputs, prompter, pump, nullptr, &log);
    if (command.jobs > 0)
        engine.set_jobs(command.jobs);
    engine.set_counting(show_progress);
    engine_ref = &engine;
    engine.set_started_note(plan.started_note);
    if (command.dry_run)
        engine.set_dry_run([&out](const std::string& line) { out << line << "\n"; });

    RunSummary summary;
    if (!command.dry_run)
        log.started(list_name, restore);
    engine.click();
    summary = engine.summary();
    out.flush();
    int status = kExitDone;
    if (!summary.started)
        status = kExitNotStarted;
    else if (summary.stopped && g_interrupted)
        status = kExitInterrupted;
    else if (summary.failures > 0 || summary.ended_early)
        status = kExitFailures;
    done.copied = summary.copied;
    done.failures = summary.failures;
    if (!summary.started)
        done.reason = prompter.last_question().empty() ? std::string("the run did not start")
                                                       : prompter.last_question();
    else if (options.create_journal && !command.dry_run)
        done.journal = Journal::file_name_for(list_name);
    if (!command.dry_run)
        log.ended(done, status);
    return status;
}

} // namespace vt
