#pragma once
#include "core/platform/disk_catalog.h"
#include "core/platform/shared_fd.h"
#include "core/run/destination_case.h"
#include "core/run/folder_scan.h"
#include "core/run/list_line.h"
#include "core/run/run_count.h"
#include "core/run/source_folders.h"
#include "core/run/source_top.h"
#include "core/run/walk_rules.h"

#include <cstddef>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unordered_map>

namespace vt {

class Journal;
class Prompter;
class RunObserver;

// The walk of a list line that the copy run, the check and the preview share: the
// same-folder refusal, the line's folders (subfolders, hidden names, links, the kept
// versions, the backup inside its own source), the entries the mask selects as the
// scan reads them ahead, and a source folder that cannot be opened or read to its
// end, which is asked about ("Source Folder Access Problem": Abort, Retry, Ignore) and
// never taken for an empty one. The folders below a line's source folder are opened
// beneath it, never through a link (see source_top.h). Retry reads the folder again from its start
// and passes over the entries already handled.
//
// On a destination folder that ignores case, two entries whose names it would take
// for one are never both handed on: the walk tells the visitor of each one that loses
// (see name_clash.h) in its place, a subfolder once when its parent is entered.
//
// What is done with each folder and entry is the visitor's; so is everything it tells,
// except the unreadable-folder entries and boxes, which the walk writes and asks once
// the visitor has told what comes before them.
class ListWalk {
public:
    // Go on; leave the folder (its entries are not looked at further); end the walk.
    enum class Step { Go, Leave, End };

    // One folder of a line while it is walked.
    struct Folder {
        const ListLine* line = nullptr;
        std::size_t index = 0;    // in the line's order of folders
        std::string sub_path;     // "" for the line's own folder, else "/a/b"
        std::string source;       // line's source folder text + sub-path
        std::string destination;  // line's destination folder text + sub-path
        bool passed_over = false; // could not be listed (Ignore): not read
        bool unread = false;      // not read when listed: the walk names its folder links
        SharedFd source_dir;      // while read

        // The walk's own: who counts the entries, how many were taken, and their
        // names ('\0' after each; a name costs its own bytes) for a Retry.
        RunCount::Place counting;
        std::size_t taken = 0;
        std::string handled;
        // The files that lose to another entry of the same name on a destination
        // that ignores case, with the name that wins.
        std::unordered_map<std::string, std::string> losers;
    };

    class Visitor {
    public:
        virtual ~Visitor() = default;
        // The line names one folder twice and is not walked.
        virtual void refused(const ListLine& line) = 0;
        // Everything the visitor holds back is told now: the walk is about to write to
        // the journal or ask itself.
        virtual Step settle() = 0;
        // A folder is reached, also one passed over when the folders were listed.
        virtual Step enter(Folder& folder) = 0;
        // Its source folder was opened (again after a Retry).
        virtual void opened(Folder&) {}
        // An entry the mask selects; `file` is what it is when it is a file (through a
        // link), else null. `took`: the count ahead looked at it first.
        virtual Step entry(Folder& folder, const FolderScan::Entry& entry, const struct stat* file,
                           bool took) = 0;
        // Whether what the scan saw of `entry` ahead is recent enough to stand for a
        // look now.
        virtual bool recent(const FolderScan::Entry&) const { return false; }
        // Something the walk passes over that the journal names (`path` whole).
        virtual Step passed_over(Folder&, PassedOver, const std::string&) { return Step::Go; }
        // An entry of `folder` not handed on: it has the same name as another on a
        // destination that ignores case. A failure.
        virtual Step clash(Folder& folder, const NameClash& clash) = 0;
        // The scan is slow to deliver (a network share, a huge folder with no match).
        virtual Step idle() = 0;
        // The folder's entries are done with (not after an End).
        virtual Step leave(Folder& folder) = 0;
    };

    // `observer` hears of every source folder that cannot be read; `count` is told
    // which folders and entries the walk reaches.
    ListWalk(Visitor& visitor, Prompter& prompter, Journal& journal, RunCount& count,
             RunObserver* observer = nullptr);

    // Whether the scan also looks at the source and destination entries ahead, as hints
    // for the visitor (on by default).
    void set_destination_hints(bool hints) { hints_ = hints; }
    // The disks of the destinations, as the visitor knows them (a copy run, which may
    // write there to learn what they keep); by default the walk's own, which only
    // looks.
    void set_disks(DiskCatalog* disks) { disks_ = disks ? disks : &own_disks_; }

    // Walks one line. Leave is never returned.
    Step line(const ListLine& line);

    // Source folders that could not be read, over the walk's life.
    int failures() const { return failures_ + sources_.failures(); }

private:
    Step folder(const ListLine& line, const ListedFolder& listed, FolderScan& scan,
                std::size_t index);
    // 0, or the errno of a source folder that cannot be opened.
    int open_source(Folder& folder);
    Step read_scanned(Folder& folder, FolderScan& scan, int& error);
    Step read_again(Folder& folder, int& error);
    Step take(Folder& folder, const FolderScan::Entry& entry);
    // In a folder not read when listed, a link to a folder is named where the walk
    // meets it.
    Step told_if_folder_link(Folder& folder, const FolderScan::Entry& entry);
    // A file of the mask named like the program's temporary files is passed over, and
    // named.
    Step told_if_temporary_name(Folder& folder, const FolderScan::Entry& entry);
    // The files of the open source folder that lose to another entry's name on its
    // destination, when that ignores case.
    void find_losers(Folder& folder);

    Visitor& visitor_;
    Prompter& prompter_;
    Journal& journal_;
    RunCount& count_;
    RunObserver* observer_;
    SourceFolders sources_;
    std::optional<SourceTop> top_; // of the line being walked
    bool hints_ = true;
    int failures_ = 0;
    DiskCatalog own_disks_;
    DiskCatalog* disks_ = &own_disks_;
    // Of the line being walked.
    std::optional<DestinationCase> case_;
    ClashRule rule_;
    struct stat target_ {};
};

} // namespace vt
