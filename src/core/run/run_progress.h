#pragma once
#include "core/platform/file_time.h"

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
    std::uint64_t bytes = 0;   // bytes of the files copied to the end
    // Of the file being copied; while several are copied at once, of all of them
    // together (`file` names the first and says how many more).
    std::uint64_t file_done = 0, file_size = 0;
    // The files the run is to copy without a question, as counted ahead of it so far,
    // and the files it copied after a question: the totals only ever grow.
    std::int64_t total_files = 0;
    std::uint64_t total_bytes = 0;
    bool total_known = false; // the count has passed the last line (and the run is
                              // not in a folder it counts itself)
    // Files of the count that the run passed over after all (a No to the verify
    // question, a failed copy): they are done with, though not copied.
    int passed_files = 0;
    std::uint64_t passed_bytes = 0;
};

// What a run decided about one file, when it decided (after any question).
struct FileDecision {
    int line = 0;                          // grid row
    const std::string* sub_path = nullptr; // of the file's folder in the line
    const std::string* name = nullptr;     // the file's name
    std::uint64_t size = 0;                // the source's
    FileTime source;                       // the source's last-write time
    const FileTime* destination = nullptr; // the backup's, when there is one
    bool replace = false;                  // the line replaces existing versions
    bool copy = false;                     // the run copies it (a dry run: would)
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
    // A box of the run waits for an answer (true), or has been answered (false).
    virtual void waiting_for_answer(bool /*waiting*/) {}
    // The decision about each file of a line, before the run acts on it (again when a
    // run with workers decides a file again after a box; a dry run decides once).
    virtual void decided(const FileDecision& /*decision*/) {}
    // A destination folder the run created (a dry run: would create).
    virtual void folder_created(const std::string& /*folder*/) {}
    // A source folder that could not be read (opened, or read to its end).
    virtual void folder_unreadable(const std::string& /*folder*/) {}
    // An entry not copied since another has the same name on a destination that
    // ignores case (the journal's text).
    virtual void name_clash(const std::string& /*text*/) {}
};

} // namespace vt
