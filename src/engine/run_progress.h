#pragma once
#include <cstdint>
#include <string>

namespace vt {

// Where a copy run stands, for a progress display.
struct RunProgress {
    int line = 0;              // grid row being worked on
    std::string folder;        // source folder + sub-path being searched
    std::string file;          // the file being looked at or copied
    std::int64_t examined = 0; // directory entries looked at
    int copied = 0;            // files copied
    std::uint64_t bytes = 0;   // bytes of the copied files, the current one included
    // Of the file being copied; while several are copied at once, of all of them
    // together (`file` names the first, `files_in_flight` counts them).
    std::uint64_t file_done = 0, file_size = 0;
    int files_in_flight = 1;
};

// Told about a run's state and progress. Every call comes from inside the run.
class RunObserver {
public:
    virtual ~RunObserver() = default;
    virtual void running_changed(bool /*running*/) {}
    // After each line, folder and directory entry.
    virtual void progress(const RunProgress& /*now*/) {}
    // After each call that moved data of a file copied on the run's thread, and about
    // every 50 ms while the run waits for copies made by its workers; always on the
    // run's thread.
    virtual void transfer_progress(const RunProgress& /*now*/) {}
    // After a file was copied, or passed over by the decision (now.folder, now.file).
    virtual void file_done(const RunProgress& /*now*/, bool /*copied*/) {}
};

} // namespace vt
