#include "core/check/backup_check.h"

#include "core/platform/directory.h"
#include "core/platform/error_text.h"
#include "core/platform/event_pump.h"
#include "core/platform/file_mask.h"
#include "core/platform/file_time.h"
#include "core/platform/long_path.h"
#include "core/platform/new_file.h"
#include "core/platform/prompter.h"
#include "core/platform/sys.h"
#include "core/run/run_start.h"

#include <cerrno>
#include <fcntl.h>
#include <string_view>
#include <unordered_set>

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
           unreadable == 0 && folders_unreadable == 0 && lines_refused == 0;
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
    if (s.ended_early)
        found += std::string(found.empty() ? "" : ", ") + "stopped before the end";
    return text + (found.empty() ? "all the same" : found);
}

// One sub-path of a line while its files are handed to the comparisons.
struct BackupCheck::Folder {
    std::string source;      // line's source folder text + sub-path
    std::string destination; // line's destination folder text + sub-path
    std::shared_ptr<const FolderPair> pair;
    RunCount::Place counting;
    std::size_t matched = 0;
    std::string handled; // names handled ('\0' after each), passed over on a Retry

    // 0, or the errno of a source folder that cannot be opened.
    int open() {
        pair.reset();
        const int source_fd = sys::open_folder(AT_FDCWD, source.c_str(), O_RDONLY);
        if (source_fd < 0)
            return errno;
        const int backup_fd = open_long_path(AT_FDCWD, destination, O_PATH | O_DIRECTORY);
        pair = std::make_shared<const FolderPair>(source_fd, backup_fd, backup_fd < 0 ? errno : 0);
        return 0;
    }
};

BackupCheck::BackupCheck(const CopyInputs& inputs, Prompter& prompter, EventPump& pump,
                         DesktopServices* desktop, RunObserver* observer)
    : inputs_(inputs), prompter_(prompter), pump_(pump), desktop_(desktop), observer_(observer),
      sources_(prompter_, journal_) {
    tell_boxes(prompter_, journal_, observer_);
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
    const int listing_failures = sources_.failures();
    const int lines = inputs_.row_count() - 1;
    for (int row = 1; row <= lines; ++row) {
        if (process_line(row) == Flow::End) {
            summary_.ended_early = true;
            break;
        }
    }
    summary_.folders_unreadable += sources_.failures() - listing_failures;
    end_check();
}

void BackupCheck::end_check() {
    if (summary_.ended_early || stop_requested_)
        pool_->cancel();
    report_done(Until::All);
    notify(false); // the last files' verdicts, reported after the walk ended
    pool_.reset();
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
    Line line;
    line.row = row;
    line.source = inputs_.cell(kSourceColumn, row);
    line.spec = inputs_.cell(kSpecColumn, row);
    line.destination = inputs_.cell(kDestinationColumn, row);
    line.subfolders = flag_set(inputs_.cell(kSubDirsColumn, row));
    note("");
    note("Checking Copy line " + std::to_string(row) + " " + line.spec + " in " + line.source +
         " against " + line.destination);
    progress_.line = row;
    progress_.folder = line.source;
    notify(false);
    if (names_one_folder(line.source, line.destination)) {
        note("Not checked: source and destination directories are the same");
        ++summary_.lines_refused;
        return Flow::Go;
    }

    std::vector<ListedFolder> folders;
    if (line.subfolders) {
        // A folder that cannot be listed is asked about and entered in the journal at
        // once: what was found before it goes there first.
        report_done(Until::All);
        struct stat target {};
        const bool have_target = stat_long_path(line.destination, target, true) == 0;
        if (!sources_.list(line.source, have_target ? &target : nullptr, folders))
            return Flow::End;
    } else {
        folders.push_back({"", false});
    }
    // The scan reads the source folders ahead; the backups are looked at by the
    // comparisons themselves.
    std::vector<FolderScan::Place> places;
    places.reserve(folders.size());
    for (const ListedFolder& f : folders)
        places.push_back({line.source + f.sub_path, std::string(), f.passed_over});
    FolderScan scan(std::move(places), line.spec);
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (process_folder(line, folders[i], scan, i) == Flow::End)
            return Flow::End;
    }
    return Flow::Go;
}

BackupCheck::Flow BackupCheck::process_folder(const Line& line, const ListedFolder& listed,
                                              FolderScan& scan, std::size_t index) {
    Folder folder;
    folder.source = line.source + listed.sub_path;
    folder.destination = line.destination + listed.sub_path;
    folder.counting = count_.reached(line.row, index);
    note("Comparing " + folder.source + "/" + line.spec + " with " + folder.destination);
    progress_.folder = folder.source;
    progress_.file.clear();
    notify(false);
    if (listed.passed_over)
        return Flow::Go; // reported when the folders were listed

    int error = folder.open();
    Flow flow = Flow::Go;
    std::vector<FolderScan::Entry> batch;
    for (bool more = error == 0; more && flow == Flow::Go;) {
        more = scan.next(index, batch, error);
        if (batch.empty() && more) {
            report_done(Until::Ready);
            notify(false);
            pump_.wait_pump();
            if (stop_requested_)
                flow = Flow::End;
        }
        for (const FolderScan::Entry& entry : batch) {
            if ((flow = process_entry(line, folder, entry.name, entry.type)) == Flow::End)
                break;
        }
    }
    while (flow == Flow::Go && error != 0) {
        report_done(Until::All);
        const Answer answer = ask_unreadable_folder(prompter_, journal_, folder.source, error);
        if (answer == Answer::Retry) {
            error = folder.open();
            if (error == 0)
                flow = read_again(line, folder, error);
            continue;
        }
        ++summary_.folders_unreadable;
        if (answer != Answer::Ignore)
            return Flow::End;
        error = 0;
    }
    return flow;
}

BackupCheck::Flow BackupCheck::read_again(const Line& line, Folder& folder, int& error) {
    const std::string handled = folder.handled;
    std::unordered_set<std::string_view> done;
    for (std::size_t at = 0; at < handled.size();) {
        const std::size_t end = handled.find('\0', at);
        done.insert(std::string_view(handled).substr(at, end - at));
        at = end + 1;
    }
    Directory dir(folder.source);
    std::string_view name;
    unsigned char type = 0;
    while (dir.next(name, type)) {
        if (!mask_matches(line.spec, name) || NewFile::is_own_temporary(name) || done.count(name))
            continue;
        if (process_entry(line, folder, std::string(name), type) == Flow::End)
            return Flow::End;
    }
    error = dir.error();
    return Flow::Go;
}

BackupCheck::Flow BackupCheck::process_entry(const Line&, Folder& folder, const std::string& name,
                                             unsigned char type) {
    ++progress_.examined;
    progress_.file = name;
    folder.handled.append(name).push_back('\0');
    const bool took = count_.took(folder.counting, folder.matched++);
    struct stat st {};
    if (classify_entry(folder.pair->source, name.c_str(), type, st) == EntryKind::File) {
        // Every thread is busy with files ahead of the oldest in hand: the walk waits.
        report_done(Until::Room);
        if (stop_requested_)
            return Flow::End;
        pending_.push_back({name, true, took, static_cast<std::uint64_t>(st.st_size)});
        pool_->add(folder.pair, name);
    }
    return after_entry();
}

} // namespace vt
