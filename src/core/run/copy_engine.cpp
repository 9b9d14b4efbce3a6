#include "core/run/copy_engine.h"

#include "core/platform/directory.h"
#include "core/platform/event_pump.h"
#include "core/platform/prompter.h"
#include "core/run/destination_folder_box.h"
#include "core/run/run_start.h"
#include "core/run/version_prune.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <utility>

namespace vt {

CopyEngine::CopyEngine(const CopyInputs& inputs, Prompter& prompter, EventPump& pump,
                       DesktopServices* desktop, RunObserver* observer)
    : inputs_(inputs), prompter_(prompter), pump_(pump), desktop_(desktop), observer_(observer),
      transfer_(prompter_, journal_), folders_(prompter_, journal_, observer), decision_(prompter_),
      walk_(*this, prompter_, journal_, count_, observer),
      turns_([this](const TransferQueue::InFlight& in) { return while_waiting(in); }),
      jobs_(default_copy_jobs()) {
    // A question comes after everything the run did before it has been told.
    decision_.before_question([this] { return turns_.settle(); });
    // Every box of the run counts as an answer for the scan's look ahead.
    tell_boxes(prompter_, observer_);
    walk_.set_disks(&catalog_);
    transfer_.on_block(
        [this](std::uint64_t done, std::uint64_t size) { report_.block(done, size); });
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
    report_.running(running);
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
    run_started_ = std::time(nullptr);
    if (!journal_.preview())
        swept_.load(inputs_.list_file_name());
    run_total_ = 0;
    progress_ = {};
    // The count looks at the disks from its own thread as soon as it starts.
    catalog_.start(!dry_sink_, restore_);
    count_.set_disks(&catalog_);
    count_.start(counting_ ? RunCount::lines_of(inputs_) : std::vector<RunCount::Line>{});
    versions_.reset();
    destinations_.clear();
    if (options.keep_versions && !dry_sink_)
        versions_.emplace(kept_versions::stamp_for(now_()));
    folders_.start_run();
    transfer_.start_run();
    folders_.set_disks(&catalog_);
    turns_.start(journal_.preview() ? 1 : jobs_, transfer_.methods());
    const int folder_failures_before = folders_.failures() + walk_.failures();
    const int lines = inputs_.row_count() - 1;
    for (int row = 1; row <= lines; ++row) {
        if (process_line(row) == Flow::End) {
            summary_.ended_early = true;
            break;
        }
    }
    if (versions_ && !summary_.ended_early)
        summary_.failures +=
            prune_old_versions(destinations_, options.versions_days, now_(), journal_);
    summary_.failures += folders_.failures() + walk_.failures() - folder_failures_before;
    summary_.stopped = stop_requested_;
    end_run();
}

void CopyEngine::end_run() {
    count_.stop();
    turns_.finish([this] { pump_.wait_pump(); });
    dates_.finish(); // once every copy has its name
    folder_.reset();
    line_.reset();
    line_top_.reset();
    // The copies reach the disk before the journal says the run has ended; the
    // journal's entries so far go with them.
    if (journal_.preview()) {
        disks_.clear();
    } else {
        summary_.failures += disks_.flush(journal_, prompter_);
        swept_.save(); // only spares the next run some reading: a failure is no run's
    }
    set_running(false);
    summary_.copied = run_total_;
    if (journal_.is_open() &&
        !end_run_journal(journal_, prompter_, desktop_, run_total_, summary_.stopped)) {
        summary_.journal_failed = true;
        ++summary_.failures;
    }
}

CopyEngine::Flow CopyEngine::after_entry() {
    report_.now();
    if (!turns_.tell_ready())
        return Flow::End;
    pump_.pump();
    if (journal_.failed())
        return Flow::End;
    return stop_requested_ ? Flow::End : Flow::Go;
}

CopyEngine::Flow CopyEngine::process_line(int row) {
    line_ = std::make_shared<const ListLine>(read_line(inputs_, row));
    line_top_ = std::make_shared<SharedFd>();
    const ListLine& line = *line_;
    journal_.line_start(row, line.spec, line.source, line.destination);
    progress_.line = row;
    progress_.folder = line.source;
    line_destinations_.clear();
    dates_.start_line(line.source, line.destination, !journal_.preview());
    report_.now();
    if (walk_.line(line) == Flow::End)
        return Flow::End;
    // The next line may write the same files: it sees this line's copies.
    if (settle() == Flow::End)
        return Flow::End;
    dates_.finish();
    return Flow::Go;
}

void CopyEngine::refused(const ListLine&) {
    prompter_.ask({"Can't do this copy", "Source and destination directories are the same!",
                   Buttons::Ok, Answer::Ok, Icon::None, Answer::Ok});
    ++summary_.failures;
}

CopyEngine::Flow CopyEngine::settle() {
    return turns_.settle() ? Flow::Go : Flow::End;
}

CopyEngine::Flow CopyEngine::tell(std::function<bool()> f) {
    return turns_.tell(std::move(f)) ? Flow::Go : Flow::End;
}

CopyEngine::Flow CopyEngine::enter(ListWalk::Folder& walked) {
    const ListLine& line = *line_;
    if (walked.index == 0 && std::find(destinations_.begin(), destinations_.end(),
                                       line.destination) == destinations_.end())
        destinations_.push_back(line.destination);
    folder_ = std::make_shared<RunFolder>(line_, walked.sub_path, walked.source, walked.destination,
                                          versions_ ? &*versions_ : nullptr, line_top_, &catalog_);
    RunFolder& folder = *folder_;
    folder.no_source_links = restore_;
    const Flow told =
        tell([this, pattern = folder.source + "/" + line.spec, sub = folder.sub_path] {
            dates_.reach(sub);
            journal_.search(pattern);
            return true;
        });
    if (told == Flow::End)
        return Flow::End;
    progress_.folder = folder.source;
    progress_.file.clear();
    report_.now();
    if (walked.passed_over)
        return Flow::Go;

    switch (
        open_destination(folder, prompter_, journal_, [this] { return settle() == Flow::Go; })) {
    case DestinationOpened::EndRun:
        ++summary_.failures;
        return Flow::End;
    case DestinationOpened::PassedOver:
        ++summary_.failures;
        return Flow::Leave;
    case DestinationOpened::Ended:
        return Flow::End;
    case DestinationOpened::Opened:
        break;
    }
    if (folder.destination_dir && !journal_.preview()) {
        for (const std::string& name :
             swept_.sweep(folder.destination_fd(), folder.destination_stat, folder.destination,
                          run_started_, folder.disk().steady_change_times))
            if (passed_over(walked, PassedOver::StaleTemporary, folder.destination + "/" + name) ==
                Flow::End)
                return Flow::End;
    }
    if (!journal_.preview())
        folder.close_if_missing_drive();
    if (folder.destination_dir && !seen_first(folder) && settle() == Flow::End)
        return Flow::End;
    return Flow::Go;
}

CopyEngine::Flow CopyEngine::passed_over(ListWalk::Folder&, PassedOver what,
                                         const std::string& path) {
    if (restore_ && (what == PassedOver::FolderLink || what == PassedOver::DanglingLink)) {
        // A restore's source is the backup, which holds no links of the run's making:
        // one found there was put there, and what it leaves out is a failure.
        what = PassedOver::LinkInBackup;
        ++summary_.failures;
    }
    return tell([this, what, path] {
        journal_.passed_over(what, path);
        return true;
    });
}

void CopyEngine::opened(ListWalk::Folder& walked) {
    folder_->source_dir = walked.source_dir;
}

CopyEngine::Flow CopyEngine::entry(ListWalk::Folder& walked, const FolderScan::Entry& entry,
                                   const struct stat* file, bool took) {
    ++progress_.examined;
    progress_.file = entry.name;
    RunFolder& folder = *folder_;
    if (file && restore_ && is_link(folder.source_fd(), entry.name.c_str(), entry.type)) {
        // A link in the backup may point anywhere (another person's files): a restore
        // reports it and never reads through it.
        ++summary_.failures;
        if (passed_over(walked, PassedOver::LinkInBackup, folder.source + "/" + entry.name) ==
            Flow::End)
            return Flow::End;
        file = nullptr;
    }
    if (file) {
        if (process_file(folder, entry, *file, took) == Flow::End)
            return Flow::End;
        if (folder.abandoned)
            return Flow::Leave;
    }
    if (after_entry() == Flow::End)
        return Flow::End;
    // A copy told meanwhile may have found its folder impossible to make.
    return folder.abandoned ? Flow::Leave : Flow::Go;
}

CopyEngine::Flow CopyEngine::idle() {
    if (!turns_.tell_ready())
        return Flow::End;
    pump_.wait_pump();
    return stop_requested_ ? Flow::End : Flow::Go;
}

CopyEngine::Flow CopyEngine::leave(ListWalk::Folder&) {
    // The count is complete once the folder's copies before it have been told. Only
    // those keep the folder open from now on: a disk must not stay busy after a run.
    return tell([this, shared = std::move(folder_)] {
        if (!shared->abandoned && shared->count > 0)
            journal_.folder_total(shared->count);
        return true;
    });
}

bool CopyEngine::seen_first(const RunFolder& folder) {
    return line_destinations_
        .insert({folder.destination_stat.st_dev, folder.destination_stat.st_ino})
        .second;
}

CopyEngine::Flow CopyEngine::make_destination(RunFolder& folder) {
    const ListLine& line = *folder.line;
    if (journal_.preview()) {
        folders_.pretend(line.destination, folder.sub_path);
        folder.pretended = true;
        return Flow::Go;
    }
    if (!folders_.prepare(line.destination, line.source, folder.sub_path)) {
        ++summary_.failures;
        return Flow::End;
    }
    switch (folders_.create_below(folder.template_folder(), line.destination, folder.sub_path)) {
    case FolderOutcome::EndRun:
        return Flow::End;
    case FolderOutcome::Failed:
        folder.abandoned = true;
        return Flow::Go;
    case FolderOutcome::Created:
        took_made(folder);
        dates_.made(folder.sub_path);
        break;
    }
    return Flow::Go;
}

void CopyEngine::took_made(RunFolder& folder) {
    folder.made = true;
    folder.made_at = AnsweredPrompter::Clock::now();
    folder.open_destination();
    disks_.wrote_into(folder.destination_fd(), folder.destination);
    folder.noted = true;
    seen_first(folder);
}

CopyEngine::Flow CopyEngine::make_ahead(RunFolder& folder, bool& made) {
    made = false;
    if (!turns_.parallel() || journal_.preview())
        return Flow::Go;
    AttributeLoss lost;
    std::shared_ptr<FolderAhead> ahead = folders_.create_ahead(
        folder.template_folder(), folder.line->destination, folder.sub_path, lost);
    if (!ahead)
        return Flow::Go;
    made = true;
    took_made(folder);
    return tell([this, ahead, lost, path = folder.destination, sub = folder.sub_path] {
        ahead->keep();
        folders_.made_ahead(path, lost);
        dates_.made(sub);
        return true;
    });
}

CopyEngine::Flow CopyEngine::process_file(RunFolder& folder, const FolderScan::Entry& entry,
                                          const struct stat& source, bool took,
                                          MadeEarlier* earlier) {
    const ListLine& line = *folder.line;
    const std::string& name = entry.name;
    Decision decision;
    const CopyOptions options = inputs_.options();
    // A folder the run has just made holds no file it has not copied there itself, and
    // each name comes once: nothing is looked for. After a box, or a while, anyone may
    // have put a file there that asks for a question; one put there later still is found
    // when the copy takes its name.
    const bool empty = folder.made && !options.verify_each_file && decision_.recent(folder.made_at);
    const int look_in = empty ? -1 : folder.destination_fd();
    if (!decision_.decide(entry, source, folder.source, folder.destination, look_in,
                          folder.compared(), line.replace, options.verify_each_file, decision))
        return Flow::End;
    const FileTime& s = decision.source;
    const std::optional<FileTime>& replaced = decision.replaced;
    const bool present = decision.present;
    const auto size = static_cast<std::uint64_t>(source.st_size);
    const bool counted =
        took && copies_unasked(decision.source_time, decision.replaced_time, folder.compared(),
                               line.replace, decision.same_size);
    report_.decided(line.row, folder.sub_path, name, size, s, replaced, line.replace,
                    decision.copy);
    if (!decision.copy) {
        return tell([this, shared = folder.shared_from_this(), name, type = entry.type,
                     answers = prompter_.answers(), s, replaced, took, counted, size] {
            if (prompter_.answers() != answers)
                return redo(*shared, name, type, took);
            journal_.not_copied(name, s, replaced ? &*replaced : nullptr);
            report_.file_done(shared->source, name, false);
            report_.tally(counted, size, false);
            return true;
        });
    }
    if (folder.missing()) {
        // Made ahead of the copies still being told where nothing needs asking;
        // otherwise nothing the run would not have made yet is made: an Abort at a copy
        // still being told ends the run before this folder.
        bool made = false;
        if (make_ahead(folder, made) == Flow::End)
            return Flow::End;
        if (!made && (settle() == Flow::End || make_destination(folder) == Flow::End))
            return Flow::End;
        if (folder.abandoned) {
            report_.tally(counted, size, false);
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
        report_.tally(counted, size, true);
        return Flow::Go;
    }
    // A file just asked about is copied here at once: everything before it has been
    // told, and the next question would wait for it anyway.
    if (turns_.parallel() && !decision.asked)
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
        report_.tally(counted, size, false);
        return Flow::Go;
    case TransferOutcome::Copied:
        break;
    }
    copied(folder, name, s, replaced, size);
    report_.tally(counted, size, true);
    return Flow::Go;
}

bool CopyEngine::while_waiting(const TransferQueue::InFlight& in) {
    report_.waiting(in);
    pump_.wait_pump();
    return !stop_requested_;
}

CopyEngine::Flow CopyEngine::start_transfer(RunFolder& folder, const FolderScan::Entry& entry,
                                            const struct stat& source, const FileTime& s,
                                            const std::optional<FileTime>& replaced, bool present,
                                            bool took, bool counted, bool compare) {
    auto job = std::make_shared<TransferJob>(
        folder.source_dir, folder.destination_dir, folder.place(), entry.name,
        present ? DestinationSeen::Present : DestinationSeen::Absent,
        static_cast<std::uint64_t>(source.st_size), compare);
    // The turn holds the job through its slot; the folder through its own pointer.
    auto turn = [this, shared = folder.shared_from_this(), job = job.get(), type = entry.type,
                 answers = prompter_.answers(), s, replaced, source, present, took, counted] {
        if (job->made().problem == MadeCopy::Problem::Cancelled)
            return false; // the run stopped before this file
        if (prompter_.answers() != answers) {
            MadeEarlier earlier{job, source, present};
            return redo(*shared, job->name(), type, took, &earlier);
        }
        return transfer_turn(*shared, *job, s, replaced, counted);
    };
    return turns_.transfer(std::move(job), std::move(turn)) ? Flow::Go : Flow::End;
}

bool CopyEngine::transfer_turn(RunFolder& folder, TransferJob& job, const FileTime& s,
                               const std::optional<FileTime>& replaced, bool counted) {
    MadeCopy& made = job.made();
    progress_.file_done = 0;
    progress_.file_size = job.size();
    transfer_.set_compare(job.compare()); // for a Retry, or a copy tried again alone
    TransferOutcome outcome;
    if (made.problem == MadeCopy::Problem::Data && (made.error == ENOSPC || made.error == EDQUOT)) {
        // Copies made at the same time may have held the room this one lacked: at its
        // turn it is tried once more alone, as a run copying one file at a time would.
        made.file.discard();
        outcome = transfer_.transfer(job.place(), job.name());
    } else {
        outcome = transfer_.finish(made, job.place(), job.name());
    }
    switch (outcome) {
    case TransferOutcome::EndRun:
        ++summary_.failures;
        return false;
    case TransferOutcome::Skip:
        ++summary_.failures;
        report_.tally(counted, job.size(), false);
        return true;
    case TransferOutcome::Copied:
        break;
    }
    copied(folder, job.name(), s, replaced, job.size());
    report_.tally(counted, job.size(), true);
    return true;
}

bool CopyEngine::redo(RunFolder& folder, const std::string& name, unsigned char type, bool took,
                      MadeEarlier* earlier) {
    if (folder.abandoned)
        return true; // a folder that could not be made is not looked into further
    FolderScan::Entry entry;
    entry.name = name;
    entry.type = type;
    struct stat source {};
    if (classify_entry(folder.source_fd(), name.c_str(), type, source) != EntryKind::File)
        return true;
    return turns_.redo(
        [&] { return process_file(folder, entry, source, took, earlier) == Flow::Go; });
}

void CopyEngine::copied(RunFolder& folder, const std::string& name, const FileTime& s,
                        const std::optional<FileTime>& replaced, std::uint64_t size) {
    if (!folder.noted && !journal_.preview()) {
        disks_.wrote_into(folder.destination_fd(), folder.destination);
        folder.noted = true;
    }
    journal_.copied(name, s, replaced ? &*replaced : nullptr);
    dates_.wrote(folder.sub_path);
    ++run_total_;
    ++folder.count;
    ++progress_.copied;
    progress_.bytes += size;
    report_.file_done(folder.source, name, true);
}

} // namespace vt
