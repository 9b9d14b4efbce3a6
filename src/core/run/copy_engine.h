#pragma once
#include "core/platform/file_time.h"
#include "core/restore/kept_versions.h"
#include "core/run/answered_prompter.h"
#include "core/run/copy_decision.h"
#include "core/run/copy_inputs.h"
#include "core/run/disk_flush.h"
#include "core/run/file_transfer.h"
#include "core/run/folder_dates.h"
#include "core/run/folder_maker.h"
#include "core/run/folder_scan.h"
#include "core/run/journal.h"
#include "core/run/list_walk.h"
#include "core/run/run_count.h"
#include "core/run/run_folder.h"
#include "core/run/run_progress.h"
#include "core/run/run_report.h"
#include "core/run/swept_folders.h"
#include "core/run/turn_order.h"

#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace vt {

class DesktopServices;
class EventPump;
class Prompter;
class TransferJob;

// How the last run went, for the exit status of a headless run.
struct RunSummary {
    bool started = false;        // passed its checks and its journal opened
    bool stopped = false;        // ended by a stop request
    bool ended_early = false;    // ended by Cancel, Abort, a stop or a journal error
    bool journal_failed = false; // the journal could not be written
    int copied = 0;
    int failures = 0; // files, folders, lines and disk flushes that could not be done
};

// "Copy Now": works through every line of the list, finds the files each line
// selects, decides file by file whether to copy, asks where the options or the
// dates call for it, copies and records each step in the journal. One engine lives
// as long as the window; its run-in-progress flag and stop request are kept
// between runs. At the end every disk written to is flushed before the journal's
// end entries.
//
// The walk of each line is ListWalk's. Files are copied by a few worker threads while
// the run goes on (see transfer_queue.h); what the run tells, it tells in the order of
// a run that copies one file at a time (TurnOrder), and every question and box waits
// until what comes before it has been told.
class CopyEngine final : private ListWalk::Visitor {
public:
    CopyEngine(const CopyInputs& inputs, Prompter& prompter, EventPump& pump,
               DesktopServices* desktop, RunObserver* observer = nullptr);
    ~CopyEngine() override;

    // How many files are copied at once (1: one after the other, on the run's
    // thread); by default one per core, at most 8. Taken when a run starts.
    void set_jobs(int jobs) { jobs_ = jobs < 1 ? 1 : jobs; }
    // Whether the runs count ahead the files they will copy, for a progress display
    // (the default). A run nobody watches spares the count's look at every file.
    void set_counting(bool counting) { counting_ = counting; }
    int jobs() const { return jobs_; }

    // The click of "Copy Now" / "Stop Copy": starts a run, or, while one is in
    // progress (a click that arrives through the event pump), asks it to stop.
    void click();
    // Asks a run in progress to stop after the entry it is working on.
    void request_stop() { stop_requested_ = true; }
    bool running() const { return running_; }

    // A dry run makes every decision as a real one and sends what it would do to
    // `sink` line by line; it creates and writes nothing. An empty sink: real runs.
    void set_dry_run(std::function<void(const std::string&)> sink) { dry_sink_ = std::move(sink); }
    // Text after the date of the journal's started entry: a restore says it is one.
    void set_started_note(std::string note) { journal_.set_started_note(std::move(note)); }
    // A restore reads a backup that others may have written to: a symbolic link found
    // in it is reported and never read through.
    void set_restore(bool restore) { restore_ = restore; }
    // The clock that names a run's kept versions and ages the old ones (tests set theirs).
    void set_clock(std::function<std::time_t()> now) { now_ = std::move(now); }

    const RunSummary& summary() const { return summary_; }
    // The count of the files to copy, ahead of the run (the observer gets its totals).
    const RunCount& count() const { return count_; }

private:
    using Flow = ListWalk::Step;

    void run();
    Flow process_line(int row);

    // What the run does on its walk.
    void refused(const ListLine& line) override;
    Flow settle() override;
    Flow enter(ListWalk::Folder& walked) override;
    void opened(ListWalk::Folder& walked) override;
    Flow entry(ListWalk::Folder& walked, const FolderScan::Entry& entry, const struct stat* file,
               bool took) override;
    Flow passed_over(ListWalk::Folder& walked, PassedOver what, const std::string& path) override;
    Flow clash(ListWalk::Folder& walked, const NameClash& clash) override;
    bool recent(const FolderScan::Entry& entry) const override { return decision_.recent(entry); }
    Flow idle() override;
    Flow leave(ListWalk::Folder& walked) override;

    // A copy a worker made of a file whose decision is taken again at its turn: used
    // when the decision and the source are still those it was made for.
    struct MadeEarlier {
        TransferJob* job;
        struct stat source;
        bool present;
    };
    // `took`: the count ahead of the run looked at the file.
    Flow process_file(RunFolder& folder, const FolderScan::Entry& entry, const struct stat& source,
                      bool took, MadeEarlier* earlier = nullptr);
    Flow make_destination(RunFolder& folder);
    // Makes a missing destination folder before its turn where nothing needs asking
    // (see folder_ahead.h); `made` tells whether it did.
    Flow make_ahead(RunFolder& folder, bool& made);
    // The run made the folder's destination: it works in it from now on.
    void took_made(RunFolder& folder);
    // Whether a folder's destination is reached for the first time in the line.
    bool seen_first(const RunFolder& folder);
    // The copy of one file on a worker, told at its turn by transfer_turn.
    Flow start_transfer(RunFolder& folder, const FolderScan::Entry& entry,
                        const struct stat& source, const FileTime& s,
                        const std::optional<FileTime>& replaced, bool present, bool took,
                        bool counted, bool compare);
    bool transfer_turn(RunFolder& folder, TransferJob& job, const FileTime& s,
                       const std::optional<FileTime>& replaced, bool counted);
    // A file decided before a box that was answered at an earlier file's turn: looked
    // at and decided again (and copied on this thread), as a run copying one file at a
    // time would have after that box. False when the run ends.
    bool redo(RunFolder& folder, const std::string& name, unsigned char type, bool took,
              MadeEarlier* earlier = nullptr);
    // A file copied: its journal entry, the counts, the observer.
    void copied(RunFolder& folder, const std::string& name, const FileTime& s,
                const std::optional<FileTime>& replaced, std::uint64_t size);
    // Tells `f` now, or after what the workers are still copying (false from `f` ends
    // the run).
    Flow tell(std::function<bool()> f);
    // While the run waits for workers: progress, the window, a stop request.
    bool while_waiting(const TransferQueue::InFlight& in);
    void end_run();
    void set_running(bool running);
    Flow after_entry();

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
    DiskCatalog catalog_; // the destinations' disks, each looked at once a run
    FolderMaker folders_;
    FolderDates dates_{journal_}; // the times of the folders written into, once left
    DiskFlush disks_;
    CopyDecision decision_;
    RunSummary summary_;
    RunReport report_{observer_};
    RunProgress& progress_ = report_.progress;
    RunCount& count_ = report_.count;
    ListWalk walk_;
    TurnOrder turns_;
    bool counting_ = true;
    // The files this run replaces are kept (Keep Replaced Versions), under its stamp.
    std::optional<KeptVersions> versions_;
    std::vector<std::string> destinations_; // of the lines the run worked on
    std::function<std::time_t()> now_ = [] { return std::time(nullptr); };
    int run_total_ = 0;
    std::time_t run_started_ = 0; // the program's temporary files older than this are stale
    SweptFolders swept_;          // the backup folders known to hold none
    bool restore_ = false;
    int jobs_;
    std::shared_ptr<const ListLine> line_; // the line being run, for its folders
    std::shared_ptr<SharedFd> line_top_;   // its destination folder, once opened (RunFolder)
    std::shared_ptr<RunFolder> folder_;    // the folder being walked
    // The destination folders of the current line: a folder reached twice (through a
    // link) waits for the copies already made into it.
    std::set<std::pair<dev_t, ino_t>> line_destinations_;
};

} // namespace vt
