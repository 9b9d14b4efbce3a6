#pragma once
#include "engine/answered_prompter.h"
#include "engine/copy_inputs.h"
#include "engine/file_transfer.h"
#include "engine/folder_maker.h"
#include "engine/folder_scan.h"
#include "engine/journal.h"
#include "engine/run_progress.h"
#include "platform/file_time.h"

#include <functional>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace vt {

class DesktopServices;
class EventPump;
class Prompter;

// How the last run went, for the exit status of a headless run.
struct RunSummary {
    bool started = false;        // passed its checks and its journal opened
    bool stopped = false;        // ended by a stop request
    bool ended_early = false;    // ended by Cancel, Abort, a stop or a journal error
    bool journal_failed = false; // the journal could not be written
    int copied = 0;
    int failures = 0; // files, folders and lines that could not be done
};

// "Copy Now": works through every line of the list, finds the files each line
// selects, decides file by file whether to copy, asks where the options or the
// dates call for it, copies and records each step in the journal. One engine lives
// as long as the window; its run-in-progress flag and stop request are kept
// between runs.
class CopyEngine {
public:
    CopyEngine(const CopyInputs& inputs, Prompter& prompter, EventPump& pump,
               DesktopServices* desktop, RunObserver* observer = nullptr);

    // The click of "Copy Now" / "Stop Copy": starts a run, or, while one is in
    // progress (a click that arrives through the event pump), asks it to stop.
    void click();
    // Asks a run in progress to stop after the entry it is working on.
    void request_stop() { stop_requested_ = true; }
    bool running() const { return running_; }

    // A dry run makes every decision as a real one and sends what it would do to
    // `sink` line by line; it creates and writes nothing. An empty sink: real runs.
    void set_dry_run(std::function<void(const std::string&)> sink) { dry_sink_ = std::move(sink); }

    const RunSummary& summary() const { return summary_; }

private:
    enum class Flow { Go, End };
    struct Folder; // the open folders of one sub-path

    void run();
    Flow process_line(int row);
    Flow process_folder(int row, const std::string& sub_path, FolderScan& scan, std::size_t index);
    Flow process_file(int row, Folder& folder, const FolderScan::Entry& entry,
                      const struct stat& source);
    // Whether the scan saw a destination that leaves the file nothing to do.
    bool unchanged(int row, const FolderScan::Entry& entry, const struct stat& source,
                   const FileTime& s) const;
    Flow decide(int row, Folder& folder, const FolderScan::Entry& entry, const struct stat& source,
                const FileTime& s, bool& copy, std::optional<FileTime>& replaced);
    void list_folders(const std::string& folder, std::vector<std::string>& out,
                      const struct stat* destination);
    void end_run();
    void set_running(bool running);
    Flow after_entry();
    Flow keep_alive(); // while the folder scan is slow
    void notify();

    const CopyInputs& inputs_;
    AnsweredPrompter prompter_;
    EventPump& pump_;
    DesktopServices* desktop_;
    RunObserver* observer_;
    std::function<void(const std::string&)> dry_sink_;

    bool running_ = false;
    bool stop_requested_ = false;

    Journal journal_;
    FileTransfer transfer_;
    FolderMaker folders_;
    RunSummary summary_;
    RunProgress progress_;
    int run_total_ = 0;
};

} // namespace vt
