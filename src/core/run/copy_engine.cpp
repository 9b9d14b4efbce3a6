#include "core/run/copy_engine.h"

#include "core/platform/directory.h"
#include "core/platform/drive_check.h"
#include "core/platform/error_text.h"
#include "core/platform/event_pump.h"
#include "core/platform/file_mask.h"
#include "core/platform/file_mode.h"
#include "core/platform/long_path.h"
#include "core/platform/new_file.h"
#include "core/platform/prompter.h"
#include "core/platform/sys.h"
#include "core/run/copy_engine_folder.h"
#include "core/run/run_start.h"
#include "core/run/transfer_queue.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>
#include <unordered_set>

namespace vt {

namespace {

// At a stop, the copies at the head with at most this much left between them are
// finished (the time of a call or two); the rest are given up.
constexpr std::uint64_t kStopBudget = 16u << 20;

} // namespace

CopyEngine::CopyEngine(const CopyInputs& inputs, Prompter& prompter, EventPump& pump,
                       DesktopServices* desktop, RunObserver* observer)
    : inputs_(inputs), prompter_(prompter), pump_(pump), desktop_(desktop), observer_(observer),
      transfer_(prompter_, journal_), folders_(prompter_, journal_),
      sources_(prompter_, journal_, observer), decision_(prompter_), jobs_(default_copy_jobs()) {
    // A question comes after everything the run did before it has been told.
    decision_.before_question([this] { return settle() == Flow::Go; });
    // Every box of the run counts as an answer for the scan's look ahead.
    tell_boxes(prompter_, journal_, observer_);
    transfer_.on_block([this](std::uint64_t done, std::uint64_t size) {
        progress_.file_done = done;
        progress_.file_size = size;
        journal_.tick();
        count_.read(progress_);
        if (observer_)
            observer_->transfer_progress(progress_);
    });
}

CopyEngine::~CopyEngine() = default;

void CopyEngine::click() {
    if (!running_)
        summary_ = {};
    if (!confirm_start(inputs_, prompter_))
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

void CopyEngine::tally(bool counted, std::uint64_t size, bool copied) {
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
    count_.start(counting_ ? RunCount::lines_of(inputs_) : std::vector<RunCount::Line>{});
    versions_.reset();
    destinations_.clear();
    if (options.keep_versions && !dry_sink_)
        versions_.emplace(kept_versions::stamp_for(now_()));
    folders_.start_run();
    transfer_.start_run();
    if (jobs_ > 1 && !journal_.preview())
        queue_ = std::make_unique<TransferQueue>(jobs_, transfer_.methods());
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
        if (pruned.error) {
            journal_.versions_unremovable(folder, system_error_text(pruned.error));
            ++summary_.failures;
        }
    }
}

void CopyEngine::end_run() {
    count_.stop();
    if (queue_) {
        // A run that stopped while workers copied tells what they finish in the time
        // of a call or two and gives the rest up: it ends as a run that stopped a few
        // files earlier would have.
        if (!queue_->idle()) {
            queue_->stop(kStopBudget);
            queue_->retire_all([this] {
                pump_.wait_pump();
                return true;
            });
        }
        queue_.reset();
    }
    dates_.finish(); // once every copy has its name
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
    if (queue_ && !queue_->retire_ready())
        return Flow::End;
    journal_.tick();
    pump_.pump();
    if (journal_.failed())
        return Flow::End;
    return stop_requested_ ? Flow::End : Flow::Go;
}

CopyEngine::Flow CopyEngine::keep_alive() {
    if (queue_ && !queue_->retire_ready())
        return Flow::End;
    journal_.tick();
    pump_.wait_pump();
    return stop_requested_ ? Flow::End : Flow::Go;
}

CopyEngine::Flow CopyEngine::process_line(int row) {
    const auto shared_line = std::make_shared<Line>();
    line_ = shared_line;
    Line& line = *shared_line;
    line.row = row;
    line.source = inputs_.cell(kSourceColumn, row);
    line.spec = inputs_.cell(kSpecColumn, row);
    line.destination = inputs_.cell(kDestinationColumn, row);
    line.replace = flag_set(inputs_.cell(kReplaceColumn, row));
    line.subfolders = flag_set(inputs_.cell(kSubDirsColumn, row));
    journal_.line_start(row, line.spec, line.source, line.destination);
    progress_.line = row;
    progress_.folder = line.source;
    line_destinations_.clear();
    dates_.start_line(line.source, line.destination, !journal_.preview());
    notify();

    if (names_one_folder(line.source, line.destination)) {
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
    // The next line may write the same files: it sees this line's copies.
    if (settle() == Flow::End)
        return Flow::End;
    dates_.finish();
    return Flow::Go;
}

CopyEngine::Flow CopyEngine::process_folder(const Line& line, const ListedFolder& listed,
                                            FolderScan& scan, std::size_t index) {
    const auto shared = std::make_shared<Folder>();
    Folder& folder = *shared;
    folder.line = line_;
    folder.sub_path = listed.sub_path;
    folder.source = line.source + listed.sub_path;
    folder.destination = line.destination + listed.sub_path;
    if (versions_)
        folder.keeper =
            std::make_unique<FolderKeeper>(*versions_, line.destination, listed.sub_path);
    folder.counting = count_.reached(line.row, index);
    const Flow told =
        tell([this, pattern = folder.source + "/" + line.spec, sub = listed.sub_path] {
            dates_.reach(sub);
            journal_.search(pattern);
            return true;
        });
    if (told == Flow::End)
        return Flow::End;
    progress_.folder = folder.source;
    progress_.file.clear();
    notify();
    if (listed.passed_over)
        return Flow::Go; // its failure was reported when the folders were listed

    folder.open_destination();
    // A line's destination that is the empty mount point of a disk that is not there
    // counts as missing: the disk is, and whatever the run wrote there would land on
    // the disk underneath. Its creation then asks about the disk and fails.
    if (listed.sub_path.empty() && folder.destination_dir && !journal_.preview() &&
        drives::is_missing_drive(folder.destination))
        folder.close_destination();
    if (folder.destination_dir && !seen_first(folder) && settle() == Flow::End)
        return Flow::End;
    int error = folder.open_source();
    Flow flow = error ? Flow::Go : read_scanned(line, folder, scan, index, error);
    // A folder that cannot be opened or read to its end is asked about; Retry reads it
    // again, here, from its start.
    while (flow == Flow::Go && error != 0 && !folder.abandoned) {
        if (settle() == Flow::End)
            return Flow::End;
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
    // The count is complete once the folder's copies before it have been told.
    return tell([this, shared] {
        if (!shared->abandoned && shared->count > 0)
            journal_.folder_total(shared->count);
        return true;
    });
}

bool CopyEngine::seen_first(const Folder& folder) {
    return line_destinations_
        .insert({folder.destination_stat.st_dev, folder.destination_stat.st_ino})
        .second;
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
    if (classify_entry(folder.source_fd(), entry.name.c_str(), entry.type, source) ==
        EntryKind::File) {
        if (process_file(line, folder, entry, source, took) == Flow::End)
            return Flow::End;
        if (folder.abandoned)
            return Flow::Go;
    }
    return after_entry();
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
        disks_.wrote_into(folder.destination_fd(), folder.destination);
        folder.noted = true;
        seen_first(folder);
        dates_.made(folder.sub_path);
        break;
    }
    return Flow::Go;
}

CopyEngine::Flow CopyEngine::process_file(const Line& line, Folder& folder,
                                          const FolderScan::Entry& entry, const struct stat& source,
                                          bool took, MadeEarlier* earlier) {
    const std::string& name = entry.name;
    Decision decision;
    const CopyOptions options = inputs_.options();
    if (!decision_.decide(entry, source, folder.source, folder.destination, folder.destination_fd(),
                          line.replace, options.verify_each_file, decision))
        return Flow::End;
    const FileTime s = file_time(source.st_mtime);
    const std::optional<FileTime>& replaced = decision.replaced;
    const bool present = decision.present;
    const auto size = static_cast<std::uint64_t>(source.st_size);
    const bool counted = took && copies_unasked(s, replaced, line.replace, decision.same_size);
    if (observer_) {
        FileDecision told;
        told.line = line.row;
        told.sub_path = &folder.sub_path;
        told.name = &name;
        told.size = size;
        told.source = s;
        told.destination = replaced ? &*replaced : nullptr;
        told.replace = line.replace;
        told.copy = decision.copy;
        observer_->decided(told);
    }
    if (!decision.copy) {
        return tell([this, shared = folder.shared_from_this(), name, type = entry.type,
                     answers = prompter_.answers(), s, replaced, took, counted, size] {
            if (prompter_.answers() != answers)
                return redo(*shared, name, type, took);
            journal_.not_copied(name, s, replaced ? &*replaced : nullptr);
            file_done(shared->source, name, false);
            tally(counted, size, false);
            return true;
        });
    }
    if (folder.missing()) {
        // Nothing the run would not have made yet is made: an Abort at a copy still
        // being told ends the run before this folder.
        if (settle() == Flow::End || make_destination(line, folder) == Flow::End)
            return Flow::End;
        if (folder.abandoned) {
            tally(counted, size, false);
            return Flow::Go;
        }
    }
    if (earlier) {
        const struct stat& then = earlier->source;
        // The copy made before is of the same version of the file, into the same state
        // of the destination: it is what the run would make now.
        if (earlier->present == present && then.st_dev == source.st_dev &&
            then.st_ino == source.st_ino && then.st_size == source.st_size &&
            then.st_mtim.tv_sec == source.st_mtim.tv_sec &&
            then.st_mtim.tv_nsec == source.st_mtim.tv_nsec)
            return transfer_turn(folder, *earlier->job, s, replaced, counted) ? Flow::Go
                                                                              : Flow::End;
        earlier->job->made().file.discard();
    }
    if (journal_.preview()) {
        copied(folder, name, s, replaced, size);
        tally(counted, size, true);
        return Flow::Go;
    }
    // A file just asked about is copied here at once: everything before it has been
    // told, and the next question would wait for it anyway.
    if (queue_ && !redoing_ && !decision.asked)
        return start_transfer(folder, entry, source, s, replaced, present, took, counted,
                              options.compare_each_copy);
    progress_.file_done = 0;
    progress_.file_size = size;
    transfer_.set_compare(options.compare_each_copy);
    switch (transfer_.transfer(folder.place(), name,
                               present ? DestinationSeen::Present : DestinationSeen::Absent)) {
    case TransferOutcome::EndRun:
        ++summary_.failures;
        return Flow::End;
    case TransferOutcome::Skip:
        ++summary_.failures;
        tally(counted, size, false);
        return Flow::Go;
    case TransferOutcome::Copied:
        break;
    }
    copied(folder, name, s, replaced, size);
    tally(counted, size, true);
    return Flow::Go;
}

} // namespace vt
