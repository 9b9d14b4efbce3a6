#include "cli/headless_run.h"

#include "cli/headless_prompter.h"
#include "cli/headless_terminal.h"
#include "cli/list_opener.h"
#include "cli/terminal_text.h"
#include "core/platform/file_names.h"
#include "core/restore/restore_plan.h"
#include "core/run/copy_engine.h"

namespace vt {

int run_exit_status(const RunSummary& summary, bool interrupted) {
    if (!summary.started)
        return kExitNotStarted;
    if (summary.stopped && interrupted)
        return kExitInterrupted;
    // A run that ended before its last line did not copy everything it was to copy,
    // even where nothing it tried failed.
    if (summary.failures > 0 || summary.ended_early)
        return kExitFailures;
    return kExitDone;
}

int headless_run(const CommandLine& command, CopyOptions options, std::ostream& out,
                 std::ostream& err, bool show_progress, HeadlessReport* report) {
    HeadlessReport own_report;
    HeadlessReport& done = report ? *report : own_report;
    done = {};
    // Its stop handlers last the whole run, its log lines included: a closed standard
    // error must not end it.
    ListOpener opener(command.run_list);
    const std::string& list_name = opener.name();
    done.list = list_name;
    // A dry run writes nothing, so it may look at a list while another run copies it.
    const bool opened = opener.open(!command.dry_run);
    if (const auto lock_error = opener.lock_error())
        err << "vantorel: cannot lock the list against a second run (" << terminal_text(*lock_error)
            << "); copying all the same\n";
    if (!opened) {
        done.reason = opener.failure();
        err << "vantorel: " << terminal_text(done.reason) << "\n";
        return kExitNotStarted;
    }
    CopyList& list = opener.list();
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
            err << "vantorel: " << terminal_text(note) << "\n";
        if (!plan.ok()) {
            done.reason = plan.error;
            err << "vantorel: " << terminal_text(done.reason) << "\n";
            return kExitNotStarted;
        }
        options.keep_versions = false;
    } else if (command.keep_versions) {
        options.keep_versions = true;
    }
    apply_journal_option(command.journal, options);
    apply_hidden_folders_option(command.hidden_folders, options);
    if (command.compare)
        options.compare_each_copy = true;
    // Nobody is there to verify: the question would only be answered Yes, once per
    // file, and a question before each copy keeps every copy on the run's own thread,
    // each flushed alone.
    const bool unverified = options.verify_each_file;
    options.verify_each_file = false;

    HeadlessPrompter prompter(err, command.newer == "copy");
    prompter.set_quiet(command.quiet || (command.notify && !command.verbose));
    TerminalProgress progress(err, show_progress);
    prompter.before_writing([&progress] { progress.clear(); });
    RunLog log(err, &progress, command.verbose);
    log.before_writing([&progress] { progress.clear(); });
    ListInputs inputs(restore ? plan.list : list, [&options] { return options; });
    CopyEngine engine(inputs, prompter, opener.pump(), nullptr, &log);
    opener.stop_with([&engine] { engine.request_stop(); });
    if (command.jobs > 0)
        engine.set_jobs(command.jobs);
    engine.set_counting(show_progress);
    engine.set_started_note(plan.started_note);
    engine.set_restore(restore);
    if (command.dry_run)
        engine.set_dry_run([&out](const std::string& line) { out << terminal_text(line) << "\n"; });

    RunSummary summary;
    if (!command.dry_run)
        log.started(list_name, restore);
    if (unverified)
        log.copies_unverified();
    engine.click();
    summary = engine.summary();
    out.flush();
    const int status = run_exit_status(summary, interrupted());
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
