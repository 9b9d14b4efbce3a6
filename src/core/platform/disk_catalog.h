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
    // A new run; `may_write`: whether the destinations' disks may be probed by writing
    // a file there (not by a dry run, a preview or a check); `sources_too`: the sources'
    // disks as well (a restore's source is the backup, the program's own; a backup's
    // source is the user's, written to by nobody but the user).
    void start(bool may_write, bool sources_too = false);

    // The disk of the destination folder `fd` (an O_PATH descriptor will do). Safe from
    // any thread; the reference stays valid until the next start.
    const DiskTraits& of(int fd) { return look(fd, may_write_); }
    // The disk of the source folder `fd`.
    const DiskTraits& of_source(int fd) { return look(fd, may_write_ && sources_too_); }

    // How times of a file copied from the one disk to the other are compared: at the
    // coarser of their precisions, since a backup restored from a FAT disk carries the
    // FAT disk's two seconds back.
    static DiskTraits comparing(const DiskTraits& destination, const DiskTraits& source);

private:
    const DiskTraits& look(int fd, bool may_write);

    std::mutex mutex_;
    bool may_write_ = false;
    bool sources_too_ = false;
    std::map<dev_t, DiskTraits> disks_; // node-based: what `of` gave stays in place
};

} // namespace vt
