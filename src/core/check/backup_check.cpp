#include "core/check/backup_check.h"

#include "core/platform/error_text.h"
#include "core/platform/event_pump.h"
#include "core/platform/file_time.h"
#include "core/platform/long_path.h"
#include "core/platform/prompter.h"
#include "core/run/run_start.h"

#include <cerrno>
#include <fcntl.h>

namespace vt {
namespace {

// Files in hand per comparing thread: enough that no thread waits for the walk.
constexpr std::size_t kInHandPerThread = 32;
// How long the walk waits for a comparison before it lets the window repaint.
constexpr std::chrono::milliseconds kPatience{50};

std::string count_of(int n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

} // namespace

bool CheckSummary::all_same() const {
    return started && !ended_early && !journal_failed && different == 0 && missing == 0 &&
           unreadable == 0 && folders_unreadable == 0 && lines_refused == 0 && clashes == 0;
}

std::string check_summary_text(const CheckSummary& s) {
    std::string text = count_of(s.files(), "file", "files") + " checked: ";
    std::string found;
    auto add = [&found](int n, const std::string& what) {
        if (n > 0)
            found += (found.empty() ? "" : ", ") + std::to_string(n) + " " + what;
    };
    add(s.different, "DIFFERENT");
    add(s.missing, "missing in backup");
    add(s.unreadable, "could not be read");
    add(s.folders_unreadable,
        s.folders_unreadable == 1 ? "folder could not be read" : "folders could not be read");
    add(s.lines_refused, s.lines_refused == 1 ? "line not checked" : "lines not checked");
    add(s.clashes, "not backed up (the same name as another on a disk that ignores case)");
    if (s.ended_early)
        found += std::string(found.empty() ? "" : ", ") + "stopped before the end";
    return text + (found.empty() ? "all the same" : found);
}

BackupCheck::BackupCheck(const CopyInputs& inputs, Prompter& prompter, EventPump& pump,
                         DesktopServices* desktop, RunObserver* observer)
    : inputs_(inputs), prompter_(prompter), pump_(pump), desktop_(desktop), observer_(observer),
      walk_(*this, prompter_, journal_, count_) {
    // The comparisons look at the backups themselves.
    walk_.set_destination_hints(false);
    tell_boxes(prompter_, observer_);
}

BackupCheck::~BackupCheck() = default;

void BackupCheck::click() {
    if (!running_)
        summary_ = {};
    // The list's message (plug in the backup disk, say) matters as much to a check.
    if (!confirm_start(inputs_, prompter_))
        return;
    if (running_) {
        stop_requested_ = true;
        return;
    }
    run();
}

void BackupCheck::set_running(bool running) {
    running_ = running;
    if (observer_)
        observer_->running_changed(running);
}

void BackupCheck::notify(bool in_file) {
    count_.read(progress_);
    if (!observer_)
        return;
    if (in_file && pool_) {
        const std::uint64_t compared = pool_->bytes_compared();
        progress_.file_done = compared > reported_compared_ ? compared - reported_compared_ : 0;
        progress_.file_size = progress_.file_done;
        observer_->transfer_progress(progress_);
    } else {
        observer_->progress(progress_);
    }
}

bool BackupCheck::open_report() {
    journal_.mirror(sink_);
    if (journal_file_) {
        const CopyOptions options = inputs_.options();
        return journal_.open(inputs_.list_file_name(), options.journal_append_index == 0, prompter_,
                             kLabel);
    }
    journal_.open_preview(
        sink_ ? sink_ : [](const std::string&) {}, kLabel);
    journal_.entry(std::string(Journal::kSignature) + " started " + current_date_time_text() +
                   kLabel);
    journal_.entry("");
    return true;
}

void BackupCheck::run() {
    stop_requested_ = false;
    set_running(true);
    if (!open_report()) {
        set_running(false);
        return;
    }
    summary_.started = true;
    progress_ = {};
    reported_compared_ = 0;
    pending_.clear();
    discarding_ = false;
    const unsigned threads = threads_ ? threads_ : ComparePool::default_threads();
    pool_ = std::make_unique<ComparePool>(threads, threads * kInHandPerThread);
    count_.start(RunCount::lines_of(inputs_), true);
    const int listing_failures = walk_.failures();
    const int lines = inputs_.row_count() - 1;
    for (int row = 1; row <= lines; ++row) {
        if (process_line(row) == Flow::End) {
            summary_.ended_early = true;
            break;
        }
    }
    summary_.folders_unreadable += walk_.failures() - listing_failures;
    end_check();
}

void BackupCheck::end_check() {
    if (summary_.ended_early || stop_requested_)
        pool_->cancel();
    report_done(Until::All);
    notify(false); // the last files' verdicts, reported after the walk ended
    pool_.reset();
    pair_.reset();
    count_.stop();
    summary_.stopped = stop_requested_;
    set_running(false);

    std::vector<std::string> totals;
    totals.push_back(std::to_string(summary_.files()) +
                     " Files checked in total: " + std::to_string(summary_.same) + " Same, " +
                     std::to_string(summary_.different) + " DIFFERENT, " +
                     std::to_string(summary_.missing) + " Missing in backup, " +
                     std::to_string(summary_.unreadable) + " could not be read");
    if (summary_.folders_unreadable > 0)
        totals.push_back(count_of(summary_.folders_unreadable, "folder", "folders") +
                         " could not be read");
    if (summary_.clashes > 0)
        totals.push_back(count_of(summary_.clashes, "file or folder", "files or folders") +
                         " not backed up: each has the same name as another on a disk that "
                         "ignores case");
    if (summary_.lines_refused > 0)
        totals.push_back(count_of(summary_.lines_refused, "line", "lines") +
                         " not checked: source and destination directories are the same");
    if (summary_.ended_early)
        totals.push_back("The check was stopped before it had compared every file");
    const IoResult written =
        journal_.failed() ? journal_.failure() : journal_.finish_report(totals);
    journal_.abandon();
    if (!written) {
        summary_.journal_failed = true;
        prompter_.show_error(Journal::error_message("write", journal_.path(), written.error));
        return;
    }
    if (journal_file_ && offer_)
        offer_journal(prompter_, desktop_, journal_.path(), check_summary_text(summary_));
}

void BackupCheck::note(std::string text) {
    if (pending_.empty())
        journal_.entry(text);
    else
        pending_.push_back({std::move(text)});
}

void BackupCheck::report_done(Until until) {
    while (!pending_.empty()) {
        const Pending& front = pending_.front();
        if (discarding_) {
            pending_.pop_front(); // what comes after a comparison given up is not told
            continue;
        }
        if (!front.file) {
            journal_.entry(front.text);
            pending_.pop_front();
            continue;
        }
        if (until == Until::Room && !pool_->full())
            return;
        FileVerdict verdict;
        if (!pool_->take(verdict,
                         until == Until::Ready ? std::chrono::milliseconds(0) : kPatience)) {
            if (until == Until::Ready)
                return;
            // A large file: the window repaints and a stop is heard meanwhile.
            notify(true);
            pump_.wait_pump();
            if (stop_requested_)
                pool_->cancel();
            continue;
        }
        discarding_ = verdict.kind == FileVerdict::Kind::Cancelled;
        if (!discarding_)
            report_file(front, verdict);
        pending_.pop_front();
    }
}

void BackupCheck::report_file(const Pending& file, const FileVerdict& v) {
    const std::string& name = file.text;
    using Kind = FileVerdict::Kind;
    switch (v.kind) {
    case Kind::Same:
        ++summary_.same;
        journal_.entry("Same: " + name);
        break;
    case Kind::Different:
        ++summary_.different;
        if (v.source_size != v.backup_size)
            journal_.entry("DIFFERENT: " + name + " is " + std::to_string(v.backup_size) +
                           " bytes in the backup and " + std::to_string(v.source_size) +
                           " in the source");
        else
            journal_.entry("DIFFERENT: " + name + " differs from byte " +
                           std::to_string(v.offset + 1) + " on");
        break;
    case Kind::Missing:
        ++summary_.missing;
        journal_.entry("Missing in backup: " + name);
        break;
    case Kind::SourceUnreadable:
    case Kind::BackupUnreadable:
        ++summary_.unreadable;
        journal_.entry(std::string("Unable to read ") +
                       (v.kind == Kind::SourceUnreadable ? "source" : "backup") + " file " + name +
                       " because " + system_error_text(v.error));
        break;
    case Kind::NotAFile: // gone or replaced since the folder was read: passed over
        if (file.took) {
            ++progress_.passed_files;
            progress_.passed_bytes += file.size;
        }
        reported_compared_ += v.compared;
        return;
    case Kind::Cancelled:
        return;
    }
    if (!file.took)
        count_.add(file.size);
    ++progress_.copied;
    progress_.bytes += file.size;
    reported_compared_ += v.compared;
}

BackupCheck::Flow BackupCheck::after_entry() {
    report_done(Until::Ready);
    notify(false);
    pump_.pump();
    if (journal_.failed())
        return Flow::End;
    return stop_requested_ ? Flow::End : Flow::Go;
}

BackupCheck::Flow BackupCheck::process_line(int row) {
    const ListLine line = read_line(inputs_, row);
    note("");
    note("Checking Copy line " + std::to_string(row) + " " + line.spec + " in " + line.source +
         " against " + line.destination);
    progress_.line = row;
    progress_.folder = line.source;
    notify(false);
    return walk_.line(line);
}

void BackupCheck::refused(const ListLine&) {
    note("Not checked: source and destination directories are the same");
    ++summary_.lines_refused;
}

BackupCheck::Flow BackupCheck::settle() {
    report_done(Until::All);
    return Flow::Go;
}

BackupCheck::Flow BackupCheck::enter(ListWalk::Folder& folder) {
    note("Comparing " + folder.source + "/" + folder.line->spec + " with " + folder.destination);
    progress_.folder = folder.source;
    progress_.file.clear();
    notify(false);
    return Flow::Go;
}

void BackupCheck::opened(ListWalk::Folder& folder) {
    const int backup_fd = open_long_path(AT_FDCWD, folder.destination, O_PATH | O_DIRECTORY);
    pair_ =
        std::make_shared<const FolderPair>(folder.source_dir, backup_fd, backup_fd < 0 ? errno : 0);
}

BackupCheck::Flow BackupCheck::clash(ListWalk::Folder& folder, const NameClash& clash) {
    // A comparison by its name would find the other entry's backup.
    ++summary_.clashes;
    note(clash_text(folder.source, clash));
    return clash.folder ? Flow::Go : after_entry();
}

BackupCheck::Flow BackupCheck::idle() {
    report_done(Until::Ready);
    notify(false);
    pump_.wait_pump();
    return stop_requested_ ? Flow::End : Flow::Go;
}

BackupCheck::Flow BackupCheck::leave(ListWalk::Folder&) {
    pair_.reset(); // the comparisons still to come keep it open, and only they
    return Flow::Go;
}

BackupCheck::Flow BackupCheck::entry(ListWalk::Folder&, const FolderScan::Entry& entry,
                                     const struct stat* file, bool took) {
    ++progress_.examined;
    progress_.file = entry.name;
    if (file) {
        // Every thread is busy with files ahead of the oldest in hand: the walk waits.
        report_done(Until::Room);
        if (stop_requested_)
            return Flow::End;
        pending_.push_back({entry.name, true, took, static_cast<std::uint64_t>(file->st_size)});
        pool_->add(pair_, entry.name);
    }
    return after_entry();
}

} // namespace vt
