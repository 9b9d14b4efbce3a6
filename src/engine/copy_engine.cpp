#include "engine/copy_engine.h"

#include "platform/directory.h"
#include "platform/drive_check.h"
#include "platform/error_text.h"
#include "platform/event_pump.h"
#include "platform/file_mask.h"
#include "platform/long_path.h"
#include "platform/new_file.h"
#include "platform/prompter.h"
#include "platform/sys.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>
#include <unordered_set>

namespace vt {

namespace {

constexpr const char* kCopyTitle = "Copy this file?";

// How long the scan's look at a destination is believed. A run that has nothing to
// copy gets there within milliseconds; a run slowed by large copies looks again.
constexpr std::chrono::seconds kScanLifetime{1};

bool same_identity(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Two folder texts that name the same folder on disk ("/data" and "/data/", or a
// link and its target).
bool same_folder(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    return stat_long_path(a, sa, true) == 0 && stat_long_path(b, sb, true) == 0 &&
           S_ISDIR(sa.st_mode) && same_identity(sa, sb);
}

Answer ask_copy(Prompter& prompter, std::string text) {
    return prompter.ask({kCopyTitle, std::move(text), Buttons::YesNoCancel, Answer::Yes, Icon::None,
                         Answer::Cancel});
}

// Keeps the backups a copy replaces in one folder of a line, in the run's versions.
class FolderKeeper final : public FileTransfer::Keeper {
public:
    FolderKeeper(KeptVersions& versions, const std::string& destination,
                 const std::string& sub_path)
        : versions_(versions), destination_(destination), sub_path_(sub_path) {}
    int keep(int destination_dir, const std::string& name, bool& moved) override {
        return versions_.keep(destination_dir, destination_, sub_path_, name, moved);
    }
    void put_back(int destination_dir, const std::string& name) override {
        versions_.put_back(destination_dir, destination_, sub_path_, name);
    }

private:
    KeptVersions& versions_;
    const std::string& destination_;
    const std::string& sub_path_;
};

} // namespace

// The state of one sub-path of a line while its files are searched.
struct CopyEngine::Folder {
    std::string source;      // line's source folder text + sub-path
    std::string destination; // line's destination folder text + sub-path
    std::string sub_path;
    int source_fd = -1;      // for looking at and copying the entries
    int destination_fd = -1; // -1 while the destination folder is missing
    int count = 0;           // files copied in this folder
    bool abandoned = false;  // its destination could not be created
    bool pretended = false;  // a dry run acts as if the destination had been created
    bool noted = false;      // its disk is among those flushed at the end
    // Who counts its entries, the count ahead of the run or the run, and how many
    // entries were handled.
    RunCount::Place counting;
    std::size_t matched = 0;
    // The names of the entries handled, one after another ('\0' ends each): a folder
    // read again after a failure passes over them. A name costs its own bytes here.
    std::string handled;

    ~Folder() {
        close_source();
        close_destination();
    }
    bool missing() const { return destination_fd < 0 && !pretended; }
    void open_destination() {
        close_destination();
        destination_fd = open_long_path(AT_FDCWD, destination, O_PATH | O_DIRECTORY);
    }
    void close_destination() {
        if (destination_fd >= 0)
            ::close(destination_fd);
        destination_fd = -1;
    }
    // 0, or the errno of a source folder that cannot be opened.
    int open_source() {
        close_source();
        source_fd = sys::open_folder(AT_FDCWD, source.c_str(), O_RDONLY);
        return source_fd < 0 ? errno : 0;
    }
    void close_source() {
        if (source_fd >= 0)
            ::close(source_fd);
        source_fd = -1;
    }
};

CopyEngine::CopyEngine(const CopyInputs& inputs, Prompter& prompter, EventPump& pump,
                       DesktopServices* desktop, RunObserver* observer)
    : inputs_(inputs), prompter_(prompter), pump_(pump), desktop_(desktop), observer_(observer),
      transfer_(prompter_, journal_), folders_(prompter_, journal_),
      sources_(prompter_, journal_, observer) {
    // Every box of the run counts as an answer for the scan's look ahead, and the
    // journal is on disk while a box waits: a run killed then shows where it stood.
    prompter_.before_ask([this] {
        journal_.flush();
        if (observer_)
            observer_->waiting_for_answer(true);
    });
    prompter_.after_ask([this] {
        if (observer_)
            observer_->waiting_for_answer(false);
    });
    transfer_.on_block([this](std::uint64_t done, std::uint64_t size) {
        progress_.file_done = done;
        progress_.file_size = size;
        journal_.tick();
        count_.read(progress_);
        if (observer_)
            observer_->transfer_progress(progress_);
    });
}

void CopyEngine::click() {
    if (!running_)
        summary_ = {};
    if (inputs_.row_count() <= 1) {
        prompter_.ask({"Nothing to do", "There is no list of files to copy!, Save and try again",
                       Buttons::Ok, Answer::Ok, Icon::None, Answer::Ok});
        return;
    }
    const std::string message = inputs_.message();
    if (!message.empty() && prompter_.ask({"Confirm", message, Buttons::Ok, Answer::Ok,
                                           Icon::Question, Answer::Cancel}) != Answer::Ok)
        return;
    if (running_) {
        stop_requested_ = true;
        return;
    }
    run();
}

void CopyEngine::set_running(bool running) {
    running_ = running;
    if (observer_)
        observer_->running_changed(running);
}

void CopyEngine::notify() {
    count_.read(progress_);
    if (observer_)
        observer_->progress(progress_);
}

void CopyEngine::tally(bool took, std::uint64_t size, bool copied) {
    const bool counted = took && counted_;
    if (copied && !counted) {
        count_.add(size);
    } else if (!copied && counted) {
        ++progress_.passed_files;
        progress_.passed_bytes += size;
    }
}

void CopyEngine::run() {
    stop_requested_ = false;
    set_running(true);
    const CopyOptions options = inputs_.options();
    if (dry_sink_) {
        journal_.open_preview(dry_sink_);
    } else if (options.create_journal &&
               !journal_.open(inputs_.list_file_name(), options.journal_append_index == 0,
                              prompter_)) {
        set_running(false);
        return;
    }
    summary_.started = true;
    run_total_ = 0;
    progress_ = {};
    count_.start(RunCount::lines_of(inputs_));
    versions_.reset();
    destinations_.clear();
    if (options.keep_versions && !dry_sink_)
        versions_.emplace(kept_versions::stamp_for(now_()));
    folders_.start_run();
    const int folder_failures_before = folders_.failures() + sources_.failures();
    const int lines = inputs_.row_count() - 1;
    for (int row = 1; row <= lines; ++row) {
        if (process_line(row) == Flow::End) {
            summary_.ended_early = true;
            break;
        }
    }
    if (versions_ && !summary_.ended_early)
        prune_versions(options.versions_days);
    summary_.failures += folders_.failures() + sources_.failures() - folder_failures_before;
    summary_.stopped = stop_requested_;
    end_run();
}

void CopyEngine::prune_versions(int days) {
    const std::time_t now = now_();
    for (const std::string& destination : destinations_) {
        const kept_versions::Pruned pruned = kept_versions::prune(destination, days, now);
        const std::string folder = kept_versions::folder_of(destination);
        if (pruned.files > 0 || pruned.folders > 0)
            journal_.versions_removed(folder, pruned.files, days);
        if (pruned.error)
            journal_.versions_unremovable(folder, system_error_text(pruned.error));
    }
}

void CopyEngine::end_run() {
    count_.stop();
    // The copies reach the disk before the journal says the run has ended; the
    // journal's entries so far go with them.
    journal_.flush();
    if (journal_.preview())
        disks_.clear();
    else
        summary_.failures += disks_.flush(journal_, prompter_);
    set_running(false);
    summary_.copied = run_total_;
    if (!journal_.is_open())
        return;
    const bool preview = journal_.preview();
    IoResult written = journal_.failed() ? journal_.failure() : journal_.finish(run_total_);
    journal_.abandon();
    if (!written) {
        summary_.journal_failed = true;
        ++summary_.failures;
        prompter_.show_error(Journal::error_message("write", journal_.path(), written.error));
        return;
    }
    if (!preview)
        offer_journal(prompter_, desktop_, journal_.path(), run_total_);
}

CopyEngine::Flow CopyEngine::after_entry() {
    notify();
    journal_.tick();
    pump_.pump();
    if (journal_.failed())
        return Flow::End;
    return stop_requested_ ? Flow::End : Flow::Go;
}

CopyEngine::Flow CopyEngine::keep_alive() {
    journal_.tick();
    pump_.wait_pump();
    return stop_requested_ ? Flow::End : Flow::Go;
}

CopyEngine::Flow CopyEngine::process_line(int row) {
    Line line;
    line.row = row;
    line.source = inputs_.cell(kSourceColumn, row);
    line.spec = inputs_.cell(kSpecColumn, row);
    line.destination = inputs_.cell(kDestinationColumn, row);
    line.replace = flag_set(inputs_.cell(kReplaceColumn, row));
    line.subfolders = flag_set(inputs_.cell(kSubDirsColumn, row));
    journal_.line_start(row, line.spec, line.source, line.destination);
    progress_.line = row;
    progress_.folder = line.source;
    notify();

    if (line.source == line.destination || same_folder(line.source, line.destination)) {
        prompter_.ask({"Can't do this copy", "Source and destination directories are the same!",
                       Buttons::Ok, Answer::Ok, Icon::None, Answer::Ok});
        ++summary_.failures;
        return Flow::Go;
    }

    if (std::find(destinations_.begin(), destinations_.end(), line.destination) ==
        destinations_.end())
        destinations_.push_back(line.destination);
    std::vector<ListedFolder> folders;
    if (line.subfolders) {
        struct stat target {};
        const bool have_target = stat_long_path(line.destination, target, true) == 0;
        if (!sources_.list(line.source, have_target ? &target : nullptr, folders))
            return Flow::End;
    } else {
        folders.push_back({"", false});
    }
    std::vector<FolderScan::Place> places;
    places.reserve(folders.size());
    for (const ListedFolder& f : folders)
        places.push_back({line.source + f.sub_path, line.destination + f.sub_path, f.passed_over});
    FolderScan scan(std::move(places), line.spec);
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (process_folder(line, folders[i], scan, i) == Flow::End)
            return Flow::End;
    }
    return Flow::Go;
}

CopyEngine::Flow CopyEngine::process_folder(const Line& line, const ListedFolder& listed,
                                            FolderScan& scan, std::size_t index) {
    Folder folder;
    folder.sub_path = listed.sub_path;
    folder.source = line.source + listed.sub_path;
    folder.destination = line.destination + listed.sub_path;
    folder.counting = count_.reached(line.row, index);
    journal_.search(folder.source + "/" + line.spec);
    progress_.folder = folder.source;
    progress_.file.clear();
    notify();
    if (listed.passed_over)
        return Flow::Go; // its failure was reported when the folders were listed

    folder.open_destination();
    // A line's destination that is the empty mount point of a disk that is not there
    // counts as missing: the disk is, and whatever the run wrote there would land on
    // the disk underneath. Its creation then asks about the disk and fails.
    if (listed.sub_path.empty() && folder.destination_fd >= 0 && !journal_.preview() &&
        drives::is_missing_drive(folder.destination))
        folder.close_destination();
    int error = folder.open_source();
    Flow flow = error ? Flow::Go : read_scanned(line, folder, scan, index, error);
    // A folder that cannot be opened or read to its end is asked about; Retry reads it
    // again, here, from its start.
    while (flow == Flow::Go && error != 0 && !folder.abandoned) {
        if (observer_)
            observer_->folder_unreadable(folder.source);
        const Answer answer = ask_unreadable_folder(prompter_, journal_, folder.source, error);
        if (answer == Answer::Retry) {
            error = folder.open_source();
            if (error == 0)
                flow = read_again(line, folder, error);
            continue;
        }
        ++summary_.failures;
        if (answer != Answer::Ignore)
            return Flow::End;
        error = 0;
    }
    if (flow == Flow::End)
        return Flow::End;
    if (!folder.abandoned && folder.count > 0)
        journal_.folder_total(folder.count);
    return Flow::Go;
}

CopyEngine::Flow CopyEngine::read_scanned(const Line& line, Folder& folder, FolderScan& scan,
                                          std::size_t index, int& error) {
    std::vector<FolderScan::Entry> batch;
    for (bool more = true; more;) {
        more = scan.next(index, batch, error);
        // A folder slow to read (a network share, say) still lets the window answer
        // and "Stop Copy" work.
        if (batch.empty() && more && keep_alive() == Flow::End)
            return Flow::End;
        for (const FolderScan::Entry& entry : batch) {
            if (process_entry(line, folder, entry) == Flow::End)
                return Flow::End;
            if (folder.abandoned)
                return Flow::Go;
        }
    }
    return Flow::Go;
}

CopyEngine::Flow CopyEngine::read_again(const Line& line, Folder& folder, int& error) {
    const std::string handled = folder.handled; // the set below looks into this copy
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
        FolderScan::Entry entry;
        entry.name.assign(name);
        entry.type = type;
        if (process_entry(line, folder, entry) == Flow::End)
            return Flow::End;
        if (folder.abandoned)
            return Flow::Go;
    }
    error = dir.error();
    return Flow::Go;
}

CopyEngine::Flow CopyEngine::process_entry(const Line& line, Folder& folder,
                                           const FolderScan::Entry& entry) {
    ++progress_.examined;
    progress_.file = entry.name;
    folder.handled.append(entry.name).push_back('\0');
    const bool took = count_.took(folder.counting, folder.matched++);
    struct stat source {};
    if (classify_entry(folder.source_fd, entry.name.c_str(), entry.type, source) ==
        EntryKind::File) {
        const int copied = progress_.copied;
        if (process_file(line, folder, entry, source) == Flow::End)
            return Flow::End;
        tally(took, static_cast<std::uint64_t>(source.st_size), progress_.copied != copied);
        if (folder.abandoned)
            return Flow::Go;
    }
    return after_entry();
}

bool CopyEngine::unchanged(const Line& line, const FolderScan::Entry& entry,
                           const struct stat& source, const FileTime& s) const {
    if (!entry.destination_present)
        return false;
    // A look taken before the last answer, or long ago, may be out of date.
    if (entry.seen_at < prompter_.last_answer() ||
        AnsweredPrompter::Clock::now() - entry.seen_at > kScanLifetime)
        return false;
    if (same_identity(source, entry.destination))
        return true;
    const FileTime d = file_time(entry.destination.st_mtime);
    return !(s > d) && !(d > s) && !line.replace;
}

CopyEngine::Flow CopyEngine::decide(const Line& line, Folder& folder,
                                    const FolderScan::Entry& entry, const struct stat& source,
                                    const FileTime& s, bool& copy,
                                    std::optional<FileTime>& replaced) {
    const std::string& name = entry.name;
    replaced.reset();
    // The scan's look at the destination settles only the case with nothing to do
    // and nothing to ask; a copy or a question is decided on a fresh look.
    if (unchanged(line, entry, source, s)) {
        replaced = file_time(entry.destination.st_mtime);
        copy = false;
        return Flow::Go;
    }
    struct stat destination {};
    FileTime d;
    bool present = false;
    auto look = [&] {
        present = folder.destination_fd >= 0 &&
                  ::fstatat(folder.destination_fd, name.c_str(), &destination, 0) == 0 &&
                  !S_ISDIR(destination.st_mode);
        replaced.reset();
        if (present) {
            d = file_time(destination.st_mtime);
            replaced = d;
        }
        // The destination is the source itself: it is its own copy already.
        return present && same_identity(source, destination);
    };
    if (look()) {
        copy = false;
        return Flow::Go;
    }
    copy = !present || s > d || line.replace;

    if (copy && inputs_.options().verify_each_file) {
        const Answer a =
            ask_copy(prompter_, "Confirm copy of \r\n" + name + "\r\n from \r\n" + folder.source +
                                    "\r\n to \r\n" + folder.destination);
        if (a == Answer::Cancel)
            return Flow::End;
        copy = a == Answer::Yes;
        // A backup edited while the question was open still gets the newer question.
        if (look()) {
            copy = false;
            return Flow::Go;
        }
    }
    if (present && d > s) {
        const Answer a = ask_copy(
            prompter_,
            "The version of: \r\n\r\n" + name + "\r\n\r\nIn the Destination folder: \r\n" +
                folder.destination + "\r\nDated:  " + date_time_text(d) +
                "\r\n\r\nIs newer than the version in the Source folder:\r\n" + folder.source +
                "\r\nDated:  " + date_time_text(s) + "\r\n\r\nDo you still want to copy?");
        if (a == Answer::Cancel)
            return Flow::End;
        copy = a == Answer::Yes;
    }
    return Flow::Go;
}

CopyEngine::Flow CopyEngine::make_destination(const Line& line, Folder& folder) {
    if (journal_.preview()) {
        journal_.folder_created(folder.destination);
        if (observer_)
            observer_->folder_created(folder.destination);
        folder.pretended = true;
        return Flow::Go;
    }
    if (!folders_.prepare(line.destination, line.source, folder.sub_path)) {
        ++summary_.failures;
        return Flow::End;
    }
    switch (folders_.create(folder.source, folder.destination)) {
    case FolderOutcome::EndRun:
        return Flow::End;
    case FolderOutcome::Failed:
        folder.abandoned = true;
        return Flow::Go;
    case FolderOutcome::Created:
        if (observer_)
            observer_->folder_created(folder.destination);
        folder.open_destination();
        disks_.wrote_into(folder.destination_fd, folder.destination);
        folder.noted = true;
        break;
    }
    return Flow::Go;
}

CopyEngine::Flow CopyEngine::process_file(const Line& line, Folder& folder,
                                          const FolderScan::Entry& entry,
                                          const struct stat& source) {
    const std::string& name = entry.name;
    bool copy = false;
    std::optional<FileTime> replaced;
    const FileTime s = file_time(source.st_mtime);
    if (decide(line, folder, entry, source, s, copy, replaced) == Flow::End)
        return Flow::End;
    counted_ = copies_unasked(s, replaced, line.replace);
    if (observer_) {
        FileDecision decision;
        decision.line = line.row;
        decision.sub_path = &folder.sub_path;
        decision.name = &name;
        decision.size = static_cast<std::uint64_t>(source.st_size);
        decision.source = s;
        decision.destination = replaced ? &*replaced : nullptr;
        decision.replace = line.replace;
        decision.copy = copy;
        observer_->decided(decision);
    }
    if (!copy) {
        journal_.not_copied(name, s, replaced ? &*replaced : nullptr);
        if (observer_)
            observer_->file_done(progress_, false);
        return Flow::Go;
    }
    if (folder.missing()) {
        if (make_destination(line, folder) == Flow::End)
            return Flow::End;
        if (folder.abandoned)
            return Flow::Go;
    }
    progress_.file_done = 0;
    progress_.file_size = static_cast<std::uint64_t>(source.st_size);
    if (!journal_.preview()) {
        std::optional<FolderKeeper> keeper;
        if (versions_)
            keeper.emplace(*versions_, line.destination, folder.sub_path);
        transfer_.keep_replaced(keeper ? &*keeper : nullptr);
        const TransferOutcome outcome =
            transfer_.transfer(folder.source_fd, folder.destination_fd, name);
        transfer_.keep_replaced(nullptr);
        switch (outcome) {
        case TransferOutcome::EndRun:
            ++summary_.failures;
            return Flow::End;
        case TransferOutcome::Skip:
            ++summary_.failures;
            return Flow::Go;
        case TransferOutcome::Copied:
            break;
        }
        if (!folder.noted) {
            disks_.wrote_into(folder.destination_fd, folder.destination);
            folder.noted = true;
        }
    }
    journal_.copied(name, s, replaced ? &*replaced : nullptr);
    ++run_total_;
    ++folder.count;
    ++progress_.copied;
    progress_.bytes += static_cast<std::uint64_t>(source.st_size);
    if (observer_)
        observer_->file_done(progress_, true);
    return Flow::Go;
}

} // namespace vt
