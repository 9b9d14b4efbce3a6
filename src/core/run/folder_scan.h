#pragma once
#include "core/platform/directory.h"
#include "core/platform/shared_fd.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace vt {

// Reads the folders of one line ahead of the copy run on a second thread: each
// folder's entries that match the mask, in the file system's order, with what the
// destination folder held under the same name when the entry was read.
//
// A run over an unchanged tree does little but look at every file twice, once on
// each side; both looks are independent of the run's decisions, so they are taken off
// the run's thread, or shared with it (Looks::Shared). What the scan saw is only a
// hint: it may be old by the time the run gets there, so the run trusts it only while
// it is recent (see CopyDecision::recent), and to pass over a file it would neither
// copy nor ask about only when it says so, looking again for everything else.
class FolderScan {
public:
    struct Place {
        std::string source;
        std::string destination;
        bool skip = false; // not to be read (already known to be unreadable)
        // Links outside the mask are given too (outside_mask), for the walk to tell
        // which of them lead to folders.
        bool links_too = false;
        // With `top`, the folder is opened below it, never through a link (see
        // source_top.h): `source` is then `top`'s path + `sub_path`.
        SharedFd top = {};
        std::string sub_path = {};
    };
    struct Entry {
        std::string name;
        unsigned char type = 0;                          // as readdir reported it
        bool outside_mask = false;                       // a link the mask does not select,
        bool temporary_name = false;                     // or a name like the program's own
        bool source_seen = false;                        // the source entry was looked at
        EntryKind source_kind = EntryKind::Other;        // and is this
        struct stat source {};                           // with this stat, when a file
        bool destination_seen = false;                   // the destination was looked at
        bool destination_present = false;                // and held a regular file
        struct stat destination {};                      // what it held, when present
        std::chrono::steady_clock::time_point seen_at{}; // when the looks were taken
    };

    enum class Looks {
        None, // names and types only
        Both, // each entry's source (classify_entry), and where the place names one,
              // the destination of the same name
        // The source; the destination only while the scan is well ahead of its reader,
        // who looks at the others itself. In a run over an unchanged tree both threads
        // are then busy: the scan alone would take longest, the run waiting for it.
        Shared,
    };
    // The scan starts at once with the folders given; add() gives more (while the run
    // still lists them), until added_all().
    FolderScan(std::vector<Place> folders, std::string mask, Looks looks = Looks::Both,
               bool more_to_come = false);
    ~FolderScan();
    FolderScan(const FolderScan&) = delete;
    FolderScan& operator=(const FolderScan&) = delete;

    // The next entries of folder `index` (folders are taken in their order; asking
    // for a later folder drops what is left of the earlier ones). Waits for them when
    // the scan is behind, but not longer than `patience`: a slow folder then gives an
    // empty batch, so that the caller can keep its window alive. True while more
    // entries of this folder may follow. When the folder could not be opened or read
    // to its end, the last call sets `error` to the errno (else it is left as it was).
    bool next(std::size_t index, std::vector<Entry>& batch, int& error,
              std::chrono::milliseconds patience = std::chrono::milliseconds(50));

    void add(Place folder);
    void added_all();

private:
    struct Batch {
        std::size_t folder = 0;
        std::vector<Entry> entries;
        bool last = false;
        int error = 0; // of the last batch of a folder that could not be read
    };
    void scan();
    void scan_folder(const Place& place, std::size_t index);
    bool push(Batch&& batch);   // false once stopping
    std::vector<Entry> spare(); // an emptied batch's room, or none

    std::vector<Place> folders_; // under the mutex
    bool all_added_ = false;
    const std::string mask_;
    const Looks looks_;

    std::mutex mutex_;
    std::condition_variable ready_; // a batch was queued, or the scan ended
    std::condition_variable room_;  // a batch was taken, a folder added, or stopping
    std::deque<Batch> queue_;
    // The room of batches the run has taken, for the scan's next ones: a tree of many
    // folders would otherwise cost a few allocations and copies of entries per folder.
    std::vector<std::vector<Entry>> spares_;
    std::size_t queued_entries_ = 0;
    std::atomic<std::size_t> ahead_ = 0; // queued_entries_, for the scan to read unlocked
    std::atomic<bool> stopping_ = false; // set under the mutex, read by the scan without it
    bool finished_ = false;
    std::thread worker_;
};

} // namespace vt
