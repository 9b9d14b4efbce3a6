#include "core/run/run_report.h"

namespace vt {

void RunReport::running(bool running) {
    if (observer_)
        observer_->running_changed(running);
}

void RunReport::now() {
    count.read(progress);
    if (observer_)
        observer_->progress(progress);
}

void RunReport::block(std::uint64_t done, std::uint64_t size) {
    progress.file_done = done;
    progress.file_size = size;
    count.read(progress);
    if (observer_)
        observer_->transfer_progress(progress);
}

void RunReport::waiting(const TransferQueue::InFlight& in) {
    if (in.size == 0 || !observer_)
        return;
    count.read(progress);
    RunProgress now = progress;
    now.file =
        in.files > 1 ? in.first + " and " + std::to_string(in.files - 1) + " more" : in.first;
    now.file_done = in.done;
    now.file_size = in.size;
    observer_->transfer_progress(now);
}

void RunReport::decided(int line, const std::string& sub_path, const std::string& name,
                        std::uint64_t size, const FileTime& source,
                        const std::optional<FileTime>& backup, bool replace, bool copy) {
    if (!observer_)
        return;
    FileDecision told;
    told.line = line;
    told.sub_path = &sub_path;
    told.name = &name;
    told.size = size;
    told.source = source;
    told.destination = backup ? &*backup : nullptr;
    told.replace = replace;
    told.copy = copy;
    observer_->decided(told);
}

void RunReport::tally(bool counted, std::uint64_t size, bool copied) {
    if (copied && !counted) {
        count.add(size);
    } else if (!copied && counted) {
        ++progress.passed_files;
        progress.passed_bytes += size;
    }
}

void RunReport::file_done(const std::string& folder, const std::string& name, bool copied) {
    if (!observer_)
        return;
    if (progress.folder == folder && progress.file == name) {
        observer_->file_done(progress, copied);
        return;
    }
    // Told after the run has gone on to other files.
    RunProgress then = progress;
    then.folder = folder;
    then.file = name;
    observer_->file_done(then, copied);
}

} // namespace vt
