#include "cli/headless_check.h"

#include "cli/headless_prompter.h"
#include "cli/headless_run.h"
#include "cli/headless_terminal.h"
#include "cli/list_opener.h"
#include "cli/terminal_text.h"
#include "core/check/backup_check.h"
#include "core/platform/file_time.h"

namespace vt {

int headless_check(const CommandLine& command, const CopyOptions& settings, std::ostream& out,
                   std::ostream& err, bool show_progress) {
    ListOpener opener(command.run_list);
    const std::string& list_name = opener.name();
    auto say = [&err](const std::string& text) {
        err << "vantorel: " << terminal_text(text) << "\n";
        err.flush();
    };
    // A check while the list is being copied would find the copies half made, and the
    // two would write one journal.
    if (!opener.open(true)) {
        say(opener.failure());
        return kExitNotStarted;
    }
    CopyOptions options = settings;
    apply_journal_option(command.journal, options);

    HeadlessPrompter prompter(err, false);
    TerminalProgress progress(err, show_progress, "compare");
    prompter.before_writing([&progress] { progress.clear(); });
    ListInputs inputs(opener.list(), [&options] { return options; });
    BackupCheck check(inputs, prompter, opener.pump(), nullptr, &progress);
    opener.stop_with([&check] { check.request_stop(); });
    check.set_journal_file(command.journal != "none");
    check.set_offer_journal(false);
    if (command.jobs > 0)
        check.set_threads(static_cast<unsigned>(command.jobs));
    check.set_report_sink([&out, &progress](const std::string& line) {
        progress.clear();
        out << terminal_text(line) << "\n";
    });

    say("checking " + list_name + " (" + current_date_time_text() + ")");
    check.click();
    out.flush();
    const CheckSummary& summary = check.summary();
    if (!summary.started) {
        say("the check of " + list_name + " did not start" +
            (prompter.last_question().empty() ? std::string() : ": " + prompter.last_question()) +
            " (exit status " + std::to_string(kExitNotStarted) + ")");
        return kExitNotStarted;
    }
    int status = summary.all_same() ? kExitDone : kExitFailures;
    if (summary.stopped && interrupted())
        status = kExitInterrupted;
    std::string end = std::string(status == kExitInterrupted ? "stopped checking " : "checked ") +
                      list_name + ": " + check_summary_text(summary) + ", exit status " +
                      std::to_string(status);
    if (command.journal != "none" && !summary.journal_failed)
        end += "; journal " + check.journal_path();
    say(end);
    return status;
}

} // namespace vt
