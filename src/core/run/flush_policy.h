#pragma once
#include "core/platform/disk_traits.h"

namespace vt {

struct MadeCopy;

// How what a run writes reaches each disk, decided once per disk from its type
// (DiskTraits::flush) and asked by everything that flushes: the workers, the queue,
// the naming of a copy, the closing flush and the flushes in the background.
//
// A flush of the whole file system (syncfs) is one journal commit and cache flush for
// thousands of copies, but only where the kernel passes it on to the disk: ext2/3/4,
// XFS, Btrfs, F2FS, tmpfs. A FUSE daemon (ntfs-3g, exfat-fuse, sshfs) never hears of
// it, and FAT and exFAT drivers send no cache flush for it. There each copy is flushed
// by itself (fdatasync, which reaches the daemon and the disk's cache), on the thread
// that made it, and the closing flush flushes each folder written (fsync, which FUSE
// passes on as well) for the names the copies took.
class FlushPolicy {
public:
    // A disk not known (none given) is flushed the way that reaches any disk.
    explicit FlushPolicy(const DiskTraits* disk)
        : whole_disk_(disk && disk->flush == DiskTraits::Flush::Batched) {}

    // Whether `made` is to be flushed before it takes its name and is not yet: a copy
    // that replaces a file everywhere, and every copy on a disk flushed file by file
    // (a new one too: nothing later would reach the disk for it).
    bool needs_flush(const MadeCopy& made) const;
    // Whether a copy that needs a flush may wait for one of its whole disk, shared
    // with the copies made meanwhile (flush_batch.h); else it is flushed by itself as
    // soon as it is made.
    bool shares_flush() const { return whole_disk_; }
    // Whether the disk is flushed whole at the end of a run and in the background
    // while it writes (syncfs); else each folder written there is flushed (fsync).
    bool flushes_whole_disk() const { return whole_disk_; }

private:
    bool whole_disk_;
};

} // namespace vt
