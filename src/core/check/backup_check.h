#pragma once
#include "core/check/compare_pool.h"
#include "core/run/answered_prompter.h"
#include "core/run/copy_inputs.h"
#include "core/run/journal.h"
#include "core/run/list_walk.h"
#include "core/run/run_count.h"
#include "core/run/run_progress.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>

namespace vt {

class DesktopServices;
class EventPump;
class Prompter;

// What the last check found.
struct CheckSummary {
    bool started = false;        // passed its checks and its report opened
    bool stopped = false;        // ended by a stop request
    bool ended_early = false;    // ended by a stop, Abort or a journal error
    bool journal_failed = false; // the journal could not be written
    int same = 0, different = 0, missing = 0;
    int unreadable = 0;         // files that could not be read, on either side
    int folders_unreadable = 0; // source folders that could not be read
    int lines_refused = 0;      // lines whose source and destination are one folder
    // Files and folders a run does not copy: another entry of their folder has the
    // same name on a backup disk that ignores case.
    int clashes = 0;

    int files() const { return same + different + missing + unreadable; }
    // Every file the list selects has a backup of the same content.
    bool all_same() const;
};

// One line saying what a check found: "120 files checked: all the same", or
// "120 files checked: 2 DIFFERENT, 1 missing in backup".
std::string check_summary_text(const CheckSummary& summary);

// "Check Backup": walks the list as a copy run would (the same lines, folders, masks,
// hidden files, links and refusals) and compares every file it selects with its
// backup, byte for byte, writing nothing to the destination. The report is a journal
// block of its own ("... started <date> (Check Backup)") with an entry per file:
// "Same: ", "DIFFERENT: ", "Missing in backup: ", or why it could not be read.
//
// The files are compared on a few threads of the check's own (ComparePool), several
// at once, while this thread walks the folders; the entries are written in the walk's
// order all the same.
class BackupCheck final : private ListWalk::Visitor {
public:
    static constexpr const char* kLabel = " (Check Backup)";

    BackupCheck(const CopyInputs& inputs, Prompter& prompter, EventPump& pump,
                DesktopServices* desktop, RunObserver* observer = nullptr);
    ~BackupCheck() override;
    BackupCheck(const BackupCheck&) = delete;
    BackupCheck& operator=(const BackupCheck&) = delete;

    // Starts a check, or, while one is in progress, asks it to stop.
    void click();
    void request_stop() { stop_requested_ = true; }
    bool running() const { return running_; }

    // Every line of the report goes to `sink` as well (standard output).
    void set_report_sink(std::function<void(const std::string&)> sink) { sink_ = std::move(sink); }
    // Without a journal file the report goes to the sink only. A check writes its
    // journal whatever "Create Journal File" says: its report is what it is for.
    void set_journal_file(bool write) { journal_file_ = write; }
    // Threads comparing at once (0: one per core, at most 8).
    void set_threads(unsigned threads) { threads_ = threads; }
    // Offer the journal for viewing at the end (the window does; a headless check
    // has printed it).
    void set_offer_journal(bool offer) { offer_ = offer; }

    const CheckSummary& summary() const { return summary_; }
    const std::string& journal_path() const { return journal_.path(); }

private:
    using Flow = ListWalk::Step;
    // An entry of the report waiting for the comparisons before it: a text, or the
    // verdict of a file from the pool.
    struct Pending {
        std::string text; // the entry, or the file's name
        bool file = false;
        bool took = false; // the count looked at the file first
        std::uint64_t size = 0;
    };

    void run();
    bool open_report();
    Flow process_line(int row);
    Flow after_entry();

    // What the check does on its walk.
    void refused(const ListLine& line) override;
    Flow settle() override;
    Flow enter(ListWalk::Folder& folder) override;
    void opened(ListWalk::Folder& folder) override;
    Flow entry(ListWalk::Folder& folder, const FolderScan::Entry& entry, const struct stat* file,
               bool took) override;
    Flow clash(ListWalk::Folder& folder, const NameClash& clash) override;
    Flow idle() override;
    Flow leave(ListWalk::Folder&) override;
    void end_check();

    void note(std::string text);
    // Writes the entries at the front of the report whose comparisons are done,
    // waiting (the window kept alive) until there are none left, or until the pool
    // has room for another file.
    enum class Until { Ready, Room, All };
    void report_done(Until until);
    void report_file(const Pending& file, const FileVerdict& verdict);
    void notify(bool in_file);
    void set_running(bool running);

    const CopyInputs& inputs_;
    AnsweredPrompter prompter_;
    EventPump& pump_;
    DesktopServices* desktop_;
    RunObserver* observer_;
    std::function<void(const std::string&)> sink_;
    bool journal_file_ = true;
    bool offer_ = true;
    unsigned threads_ = 0;

    bool running_ = false;
    bool stop_requested_ = false;
    Journal journal_;
    RunCount count_;
    ListWalk walk_;
    std::unique_ptr<ComparePool> pool_;
    std::shared_ptr<const FolderPair> pair_; // of the folder being walked
    std::deque<Pending> pending_;
    bool discarding_ = false;             // a comparison was given up: the rest is not told
    std::uint64_t reported_compared_ = 0; // bytes of the files reported, as compared
    RunProgress progress_;
    CheckSummary summary_;
};

} // namespace vt
