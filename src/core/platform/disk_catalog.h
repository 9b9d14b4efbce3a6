#pragma once
#include "core/platform/disk_traits.h"

#include <map>
#include <mutex>
#include <sys/types.h>

namespace vt {

// The disks a run writes to, each looked at once: learning what a FUSE disk keeps
// writes a file there, and a run enters thousands of folders on the same disk. A run
// forgets them at its start, since a stick may have been swapped for another since.
class DiskCatalog {
public:
    // A new run; `may_write`: whether the disks may be probed by writing a file there
    // (not by a dry run, a preview or a check).
    void start(bool may_write);

    // The disk of the folder `fd` (an O_PATH descriptor will do). Safe from any thread;
    // the reference stays valid until the next start.
    const DiskTraits& of(int fd);

private:
    std::mutex mutex_;
    bool may_write_ = false;
    std::map<dev_t, DiskTraits> disks_; // node-based: what `of` gave stays in place
};

} // namespace vt
