#include "cli/headless_check.h"

#include "cli/headless_prompter.h"
#include "cli/headless_run.h"
#include "cli/headless_terminal.h"
#include "core/check/backup_check.h"
#include "core/list/list_file.h"
#include "core/platform/event_pump.h"
#include "core/platform/file_time.h"
#include "core/run/run_lock.h"

#include <optional>

namespace vt {
namespace {

class CheckInterruptPump final : public EventPump {
public:
    explicit CheckInterruptPump(BackupCheck*& check) : check_(check) {}
    void pump() override {
        if (interrupted() && check_)
            check_->request_stop();
    }

private:
    BackupCheck*& check_;
};

} // namespace

int headless_check(const CommandLine& command, const CopyOptions& settings, std::ostream& out,
                   std::ostream& err, bool show_progress) {
    InterruptGuard guard;
    const std::string list_name = resolve_list_argument(command.run_list);
    auto say = [&err](const std::string& text) {
        err << "vantorel: " << text << "\n";
        err.flush();
    };
    // A check while the list is being copied would find the copies half made, and the
    // two would write one journal.
    RunLock lock(list_name);
    if (lock.busy()) {
        say(RunLock::busy_text(list_name));
        return kExitNotStarted;
    }
    CopyList list;
    if (const IoResult loaded = load_vtl(list, list_name); !loaded) {
        say("cannot read the list " + list_name + ": " + loaded.error);
        return kExitNotStarted;
    }
    CopyOptions options = settings;
    if (command.journal == "append" || command.journal == "new")
        options.journal_append_index = command.journal == "append" ? 0 : 1;

    HeadlessPrompter prompter(err, false);
    TerminalProgress progress(err, show_progress, "compare");
    prompter.before_writing([&progress] { progress.clear(); });
    BackupCheck* check_ref = nullptr;
    CheckInterruptPump pump(check_ref);
    ListInputs inputs(list, [&options] { return options; });
    BackupCheck check(inputs, prompter, pump, nullptr, &progress);
    check_ref = &check;
    check.set_journal_file(command.journal != "none");
    check.set_offer_journal(false);
    if (command.jobs > 0)
        check.set_threads(static_cast<unsigned>(command.jobs));
    check.set_report_sink([&out, &progress](const std::string& line) {
        progress.clear();
        out << line << "\n";
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
