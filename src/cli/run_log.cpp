#include "cli/run_log.h"

#include "cli/terminal_text.h"

#include "core/platform/file_names.h"
#include "core/platform/file_time.h"

namespace vt {

namespace {

std::string counts(const HeadlessReport& report) {
    return std::to_string(report.copied) + " files copied, " + std::to_string(report.failures) +
           (report.failures == 1 ? " failure" : " failures");
}

} // namespace

std::optional<FailureText> failure_text(const HeadlessReport& report, int status) {
    FailureText text;
    text.summary = "Vantorel backup failed: " + names::name_part(report.list);
    switch (status) {
    case 1:
        text.body = counts(report) + ".";
        break;
    case 2:
        text.body = "The backup did not start: " + report.reason;
        break;
    case 130:
        text.body = "The backup was stopped before its end: " + counts(report) + ".";
        break;
    default:
        return std::nullopt;
    }
    if (!report.journal.empty())
        text.body += "\nJournal: " + report.journal;
    return text;
}

void RunLog::line(const std::string& text) {
    if (before_writing_)
        before_writing_();
    log_ << "vantorel: " << terminal_text(text) << "\n";
    log_.flush();
}

void RunLog::started(const std::string& list, bool restore) {
    line((restore ? "restoring " : "copying ") + list + " (" + current_date_time_text() + ")");
}

void RunLog::copies_unverified() {
    line("Verify Each File is on in the settings: a run without a window copies without asking");
}

void RunLog::ended(const HeadlessReport& report, int status) {
    if (!report.reason.empty()) {
        line("the copy of " + report.list + " did not start: " + report.reason + " (exit status " +
             std::to_string(status) + ")");
        return;
    }
    std::string text = std::string(status == 130 ? "stopped " : "finished ") + report.list + ": " +
                       counts(report) + ", exit status " + std::to_string(status);
    if (!report.journal.empty())
        text += "; journal " + report.journal;
    line(text);
}

void RunLog::running_changed(bool running) {
    if (next_)
        next_->running_changed(running);
}

void RunLog::progress(const RunProgress& now) {
    if (next_)
        next_->progress(now);
}

void RunLog::transfer_progress(const RunProgress& now) {
    if (next_)
        next_->transfer_progress(now);
}

void RunLog::waiting_for_answer(bool waiting) {
    if (next_)
        next_->waiting_for_answer(waiting);
}

void RunLog::file_done(const RunProgress& now, bool copied) {
    if (next_)
        next_->file_done(now, copied);
    if (verbose_)
        line(std::string(copied ? "copied " : "not copied ") + now.folder + "/" + now.file);
}

} // namespace vt
