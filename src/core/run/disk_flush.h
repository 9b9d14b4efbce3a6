#pragma once
#include "core/platform/write_behind.h"

#include <set>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vt {

class Journal;
class Prompter;

// The disks a run wrote to, flushed before the journal's end entries, so that
// "Journal file Ended" means the copies are on the disk: a backup disk pulled out
// right after the run holds what the journal says.
//
// Each disk is flushed the way its flush policy says (flush_policy.h): a disk that a
// flush of the whole file system reaches by one syncfs, flushed in the background as
// well while the run writes (write_behind.h), so that this flush finds little left;
// any other by an fsync of each folder written there and of the folder holding it,
// for the names the copies took (the copies themselves were flushed one by one).
class DiskFlush {
public:
    DiskFlush() = default;
    ~DiskFlush() { clear(); }
    DiskFlush(const DiskFlush&) = delete;
    DiskFlush& operator=(const DiskFlush&) = delete;

    // The run wrote into the folder `dirfd` (named `folder`, its path, in messages).
    void wrote_into(int dirfd, const std::string& folder);

    // Flushes every disk noted since the last flush; a failure is written to the
    // journal and shown, once for each disk. Returns the number of failures.
    int flush(Journal& journal, Prompter& prompter);

    // Forgets what was noted (a dry run, or a run that ends without writing).
    void clear();

private:
    struct Disk {
        dev_t device;
        bool whole; // flushed by syncfs
        int fd;     // a folder on it, open for reading (syncfs refuses O_PATH descriptors)
        std::string folder;
        // Flushed one by one: the folders written and those that hold them, by path,
        // since a run may write into more folders than it may hold open; in the order
        // noted (`noted` keeps them once).
        std::vector<std::string> folders;
        std::set<std::string> noted;
    };
    // 0, or the errno of the first folder of `disk` that could not be flushed, named
    // in `failed`.
    static int flush_folders(const Disk& disk, std::string& failed);

    std::vector<Disk> disks_;
    WriteBehind behind_;
};

} // namespace vt
