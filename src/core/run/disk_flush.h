#pragma once
#include "core/platform/write_behind.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace vt {

class Journal;
class Prompter;

// The file systems a run wrote to, flushed (syncfs) before the journal's end entries,
// so that "Journal file Ended" means the copies are on the disk: a backup disk pulled
// out right after the run holds what the journal says. While the run writes, the same
// file systems are flushed in the background (write_behind.h), so that this flush
// finds little left.
class DiskFlush {
public:
    DiskFlush() = default;
    ~DiskFlush() { clear(); }
    DiskFlush(const DiskFlush&) = delete;
    DiskFlush& operator=(const DiskFlush&) = delete;

    // The run wrote into the folder `dirfd` (named `folder` in messages).
    void wrote_into(int dirfd, const std::string& folder);

    // Flushes every file system noted since the last flush; a failure is written to
    // the journal and shown. Returns the number of failures.
    int flush(Journal& journal, Prompter& prompter);

    // Forgets what was noted (a dry run, or a run that ends without writing).
    void clear();

private:
    struct Disk {
        dev_t device;
        int fd; // a folder on it, open for reading (syncfs refuses O_PATH descriptors)
        std::string folder;
    };
    std::vector<Disk> disks_;
    WriteBehind behind_;
};

} // namespace vt
