#include "engine/copy_engine.h"

#include "platform/directory.h"
#include "platform/event_pump.h"
#include "platform/prompter.h"

#include <fcntl.h>
#include <unistd.h>

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
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && S_ISDIR(sa.st_mode) &&
           same_identity(sa, sb);
}

Answer ask_copy(Prompter& prompter, std::string text) {
    return prompter.ask({kCopyTitle, std::move(text), Buttons::YesNoCancel, Answer::Yes, Icon::None,
                         Answer::Cancel});
}

} // namespace

// The state of one sub-path of a line while its files are searched.
struct CopyEngine::Folder {
    std::string source;      // line's source folder text + sub-path
    std::string destination; // line's destination folder text + sub-path
    std::string sub_path;
    Directory search;
    int destination_fd = -1; // -1 while the destination folder is missing
    int count = 0;           // files copied in this folder
    bool abandoned = false;  // its destination could not be created
    bool pretended = false;  // a dry run acts as if the destination had been created

    ~Folder() {
        if (destination_fd >= 0)
            ::close(destination_fd);
    }
    bool missing() const { return destination_fd < 0 && !pretended; }
    void open_destination() {
        destination_fd = ::open(destination.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
};

CopyEngine::CopyEngine(const CopyInputs& inputs, Prompter& prompter, EventPump& pump,
                       DesktopServices* desktop, RunObserver* observer)
    : inputs_(inputs), prompter_(prompter), pump_(pump), desktop_(desktop), observer_(observer),
      transfer_(prompter, journal_), folders_(prompter, journal_) {
    transfer_.on_block([this](std::uint64_t done, std::uint64_t size) {
        progress_.file_done = done;
        progress_.file_size = size;
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
    if (observer_)
        observer_->progress(progress_);
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
    const int folder_failures_before = folders_.failures();
    const int lines = inputs_.row_count() - 1;
    for (int row = 1; row <= lines; ++row) {
        if (process_line(row) == Flow::End) {
            summary_.ended_early = true;
            break;
        }
    }
    summary_.failures += folders_.failures() - folder_failures_before;
    summary_.stopped = stop_requested_;
    end_run();
}

void CopyEngine::end_run() {
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
    pump_.pump();
    if (journal_.failed())
        return Flow::End;
    return stop_requested_ ? Flow::End : Flow::Go;
}

CopyEngine::Flow CopyEngine::keep_alive() {
    pump_.wait_pump();
    return stop_requested_ ? Flow::End : Flow::Go;
}

CopyEngine::Flow CopyEngine::process_line(int row) {
    const std::string source = inputs_.cell(kSourceColumn, row);
    const std::string spec = inputs_.cell(kSpecColumn, row);
    const std::string destination = inputs_.cell(kDestinationColumn, row);
    journal_.line_start(row, spec, source, destination);
    progress_.line = row;
    progress_.folder = source;
    notify();

    if (source == destination || same_folder(source, destination)) {
        prompter_.ask({"Can't do this copy", "Source and destination directories are the same!",
                       Buttons::Ok, Answer::Ok, Icon::None, Answer::Ok});
        ++summary_.failures;
        return Flow::Go;
    }

    std::vector<std::string> folders;
    if (flag_set(inputs_.cell(kSubDirsColumn, row))) {
        struct stat target {};
        const bool have_target = ::stat(destination.c_str(), &target) == 0;
        list_folders(source, folders, have_target ? &target : nullptr);
    } else {
        folders.push_back(source);
    }
    std::vector<FolderScan::Place> places;
    places.reserve(folders.size());
    for (std::string& entry : folders) {
        entry.erase(0, source.size());
        places.push_back({source + entry, destination + entry});
    }
    FolderScan scan(std::move(places), spec);
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (process_folder(row, folders[i], scan, i) == Flow::End)
            return Flow::End;
    }
    return Flow::Go;
}

void CopyEngine::list_folders(const std::string& folder, std::vector<std::string>& out,
                              const struct stat* destination) {
    out.push_back(folder);
    std::vector<std::string> subfolders;
    {
        Directory dir(folder);
        std::string_view name;
        unsigned char type = 0;
        while (dir.next(name, type)) {
            if (name.front() == '.')
                continue;
            const std::string sub(name);
            if (!is_real_folder(dir.fd(), sub.c_str(), type))
                continue;
            // The backup folder inside its own source is not copied into itself.
            struct stat st {};
            if (destination && ::fstatat(dir.fd(), sub.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                same_identity(st, *destination))
                continue;
            subfolders.push_back(sub);
        }
    }
    // Reading the whole folder before going down keeps one folder open at a time,
    // however deep the tree; the order stays parent first, then each child in turn.
    for (const std::string& sub : subfolders)
        list_folders(folder + "/" + sub, out, destination);
}

CopyEngine::Flow CopyEngine::process_folder(int row, const std::string& sub_path, FolderScan& scan,
                                            std::size_t index) {
    const std::string spec = inputs_.cell(kSpecColumn, row);
    Folder folder;
    folder.sub_path = sub_path;
    folder.source = inputs_.cell(kSourceColumn, row) + sub_path;
    folder.destination = inputs_.cell(kDestinationColumn, row) + sub_path;
    journal_.search(folder.source + "/" + spec);
    progress_.folder = folder.source;
    progress_.file.clear();
    notify();

    folder.open_destination();
    // Opened for looking at and copying the entries the scan reports.
    folder.search.open(folder.source);
    std::vector<FolderScan::Entry> batch;
    for (bool more = true; more;) {
        more = scan.next(index, batch);
        // A folder slow to read (a network share, say) still lets the window answer
        // and "Stop Copy" work.
        if (batch.empty() && more && keep_alive() == Flow::End)
            return Flow::End;
        for (const FolderScan::Entry& entry : batch) {
            ++progress_.examined;
            progress_.file = entry.name;
            struct stat source {};
            if (classify_entry(folder.search.fd(), entry.name.c_str(), entry.type, source) ==
                EntryKind::File) {
                if (process_file(row, folder, entry, source) == Flow::End)
                    return Flow::End;
                if (folder.abandoned)
                    return Flow::Go;
            }
            if (after_entry() == Flow::End)
                return Flow::End;
        }
    }
    if (folder.count > 0)
        journal_.folder_total(folder.count);
    return Flow::Go;
}

bool CopyEngine::unchanged(int row, const FolderScan::Entry& entry, const struct stat& source,
                           const FileTime& s) const {
    if (!entry.destination_present)
        return false;
    // A look taken before the last answer, or long ago, may be out of date.
    if (entry.seen_at < prompter_.last_answer() ||
        AnsweredPrompter::Clock::now() - entry.seen_at > kScanLifetime)
        return false;
    if (same_identity(source, entry.destination))
        return true;
    const FileTime d = file_time(entry.destination.st_mtime);
    return !(s > d) && !(d > s) && !flag_set(inputs_.cell(kReplaceColumn, row));
}

CopyEngine::Flow CopyEngine::decide(int row, Folder& folder, const FolderScan::Entry& entry,
                                    const struct stat& source, const FileTime& s, bool& copy,
                                    std::optional<FileTime>& replaced) {
    const std::string& name = entry.name;
    replaced.reset();
    // The scan's look at the destination settles only the case with nothing to do
    // and nothing to ask; a copy or a question is decided on a fresh look.
    if (unchanged(row, entry, source, s)) {
        replaced = file_time(entry.destination.st_mtime);
        copy = false;
        return Flow::Go;
    }
    struct stat destination {};
    const bool present = folder.destination_fd >= 0 &&
                         ::fstatat(folder.destination_fd, name.c_str(), &destination, 0) == 0 &&
                         !S_ISDIR(destination.st_mode);
    FileTime d;
    if (present) {
        d = file_time(destination.st_mtime);
        replaced = d;
        // The destination is the source itself: it is its own copy already.
        if (same_identity(source, destination)) {
            copy = false;
            return Flow::Go;
        }
    }
    const bool replace = flag_set(inputs_.cell(kReplaceColumn, row));
    copy = !present || s > d || replace;

    if (copy && inputs_.options().verify_each_file) {
        const Answer a =
            ask_copy(prompter_, "Confirm copy of \r\n" + name + "\r\n from \r\n" + folder.source +
                                    "\r\n to \r\n" + folder.destination);
        if (a == Answer::Cancel)
            return Flow::End;
        copy = a == Answer::Yes;
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

CopyEngine::Flow CopyEngine::process_file(int row, Folder& folder, const FolderScan::Entry& entry,
                                          const struct stat& source) {
    const std::string& name = entry.name;
    bool copy = false;
    std::optional<FileTime> replaced;
    const FileTime s = file_time(source.st_mtime);
    if (decide(row, folder, entry, source, s, copy, replaced) == Flow::End)
        return Flow::End;
    if (!copy) {
        journal_.not_copied(name, s, replaced ? &*replaced : nullptr);
        if (observer_)
            observer_->file_done(progress_, false);
        return Flow::Go;
    }
    const bool dry = journal_.preview();
    if (folder.missing()) {
        if (dry) {
            journal_.folder_created(folder.destination);
            folder.pretended = true;
        } else {
            const std::string line_source = inputs_.cell(kSourceColumn, row);
            const std::string line_destination = inputs_.cell(kDestinationColumn, row);
            if (!folders_.prepare(line_destination, line_source, folder.sub_path)) {
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
                folder.open_destination();
                break;
            }
        }
    }
    progress_.file_done = 0;
    progress_.file_size = static_cast<std::uint64_t>(source.st_size);
    if (!dry) {
        switch (transfer_.transfer(folder.search.fd(), folder.destination_fd, name)) {
        case TransferOutcome::EndRun:
            ++summary_.failures;
            return Flow::End;
        case TransferOutcome::Skip:
            ++summary_.failures;
            return Flow::Go;
        case TransferOutcome::Copied:
            break;
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
