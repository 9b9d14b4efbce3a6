#include "core/run/copy_engine.h"

// The turns of the copies made on workers: what the run tells waits behind them and is
// told, in the order of a run copying one file at a time, as each comes to the head.
#include "core/platform/directory.h"
#include "core/platform/event_pump.h"
#include "core/run/copy_engine_folder.h"
#include "core/run/transfer_queue.h"

#include <cerrno>
#include <utility>

namespace vt {

CopyEngine::Flow CopyEngine::tell(std::function<bool()> f) {
    if (!queue_ || redoing_ || queue_->idle())
        return f() ? Flow::Go : Flow::End;
    return queue_->note(std::move(f), [this] { return while_waiting(); }) ? Flow::Go : Flow::End;
}

CopyEngine::Flow CopyEngine::settle() {
    // A file decided again is told at its own turn: what comes before it is told.
    if (!queue_ || redoing_ || queue_->idle())
        return Flow::Go;
    return queue_->retire_all([this] { return while_waiting(); }) ? Flow::Go : Flow::End;
}

bool CopyEngine::while_waiting() {
    const TransferQueue::InFlight in = queue_->in_flight();
    if (in.size > 0 && observer_) {
        count_.read(progress_);
        RunProgress now = progress_;
        now.file =
            in.files > 1 ? in.first + " and " + std::to_string(in.files - 1) + " more" : in.first;
        now.file_done = in.done;
        now.file_size = in.size;
        observer_->transfer_progress(now);
    }
    journal_.tick();
    pump_.wait_pump();
    return !stop_requested_;
}

CopyEngine::Flow CopyEngine::start_transfer(Folder& folder, const FolderScan::Entry& entry,
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
    const bool room =
        queue_->transfer(std::move(job), std::move(turn), [this] { return while_waiting(); });
    return room ? Flow::Go : Flow::End;
}

bool CopyEngine::transfer_turn(Folder& folder, TransferJob& job, const FileTime& s,
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
        tally(counted, job.size(), false);
        return true;
    case TransferOutcome::Copied:
        break;
    }
    copied(folder, job.name(), s, replaced, job.size());
    tally(counted, job.size(), true);
    return true;
}

bool CopyEngine::redo(Folder& folder, const std::string& name, unsigned char type, bool took,
                      MadeEarlier* earlier) {
    if (folder.abandoned)
        return true; // a folder that could not be made is not looked into further
    FolderScan::Entry entry;
    entry.name = name;
    entry.type = type;
    struct stat source {};
    if (classify_entry(folder.source_fd(), name.c_str(), type, source) != EntryKind::File)
        return true;
    const bool outer = std::exchange(redoing_, true);
    const Flow flow = process_file(*folder.line, folder, entry, source, took, earlier);
    redoing_ = outer;
    return flow == Flow::Go;
}

void CopyEngine::copied(Folder& folder, const std::string& name, const FileTime& s,
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
    file_done(folder.source, name, true);
}

void CopyEngine::file_done(const std::string& folder, const std::string& name, bool copied) {
    if (!observer_)
        return;
    if (progress_.folder == folder && progress_.file == name) {
        observer_->file_done(progress_, copied);
        return;
    }
    // Told after the run has gone on to other files.
    RunProgress then = progress_;
    then.folder = folder;
    then.file = name;
    observer_->file_done(then, copied);
}

} // namespace vt
