#include "cli/headless_run.h"

#include "cli/headless_prompter.h"
#include "cli/headless_terminal.h"
#include "core/list/list_file.h"
#include "core/platform/event_pump.h"
#include "core/platform/file_names.h"
#include "core/restore/restore_plan.h"
#include "core/run/copy_engine.h"
#include "core/run/run_lock.h"

#include <cstdio>
#include <optional>
#include <unistd.h>

namespace vt {
namespace {

class InterruptPump final : public EventPump {
public:
    explicit InterruptPump(CopyEngine*& engine) : engine_(engine) {}
    void pump() override {
        if (interrupted() && engine_)
            engine_->request_stop();
    }

private:
    CopyEngine*& engine_;
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
    if (command.compare)
        options.compare_each_copy = true;

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
    else if (summary.stopped && interrupted())
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
