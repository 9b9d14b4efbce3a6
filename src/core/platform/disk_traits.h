#pragma once
#include <cstdint>
#include <ctime>
#include <limits>

namespace vt {

// What a disk keeps of what a backup puts on it, and how a copy reaches it for sure.
//
// Backups go to USB sticks in FAT or exFAT, to NTFS and network disks through FUSE
// and to network shares at least as often as to a disk like the system's own, and
// each of those keeps less in its own way: coarser times, names that differ only in
// case taken for one, permission bits made up, a flush of the whole file system
// that never reaches the daemon behind it. Where the type of the file system does
// not say (FUSE hides which file system a daemon serves), a file of the program's
// own is written there and looked at.
struct DiskTraits {
    // How a copy that replaces a backup is put on its disk before it takes the name.
    enum class Flush {
        Batched, // many copies share one syncfs: the kernel passes it on to this disk
        EachFile // each copy has its own fdatasync: syncfs would not reach this disk
    };

    long type = 0; // statfs's f_type
    Flush flush = Flush::EachFile;
    // The smallest difference of modification times the disk keeps apart.
    std::int64_t time_step_ns = 1'000'000'000;
    bool ignores_case = false; // "README" and "Readme" name one file there
    // Folders there may fold case one by one (ext4 and F2FS with casefolding).
    bool folders_may_fold_case = false;
    // Owners and permission bits are the files' own, not made up for a whole disk.
    bool keeps_modes = true;
    // Only the kernel sets a folder's change time, and inode and device numbers last
    // from one mount to the next: a record of what a folder held may be trusted while
    // its change time stays the same.
    bool steady_change_times = false;
    // Giving a file a new name stamps it with the time of the renaming (fusefat): a
    // copy's times are set again once it has its name.
    bool naming_sets_time = false;
    // The largest file the disk can hold.
    std::uint64_t largest_file = std::numeric_limits<std::uint64_t>::max();
    // Learnt from a file of the program's own written there, not from the type alone.
    bool probed = false;

    // Whether two modification times are one at the precision the disk keeps: a copy
    // there of a file with the time `a` may read back as `b`.
    bool same_time(const timespec& a, const timespec& b) const;
    // Whether `a` is later than `b` by more than the disk can blur.
    bool later(const timespec& a, const timespec& b) const;
};

// What the file system type alone tells; the unknown and FUSE are taken at their
// least (each file flushed, whole seconds).
DiskTraits traits_of_type(long type);

// The disk of the open folder `fd` (not O_PATH). With `may_write`, what the type
// cannot tell is learnt from a short-lived file of the program's own written in that
// folder (named as the program's temporary files, so that a killed run's one is
// removed by the next run); without it, or where that file cannot be made, from the
// type and the folder's own entries.
DiskTraits disk_traits(int fd, bool may_write);

// Whether the folder `fd` on a disk of `traits` takes names that differ only in case
// for one: the disk's rule, or the folder's own casefolding.
bool folder_ignores_case(int fd, const DiskTraits& traits);

// The known file system types, for the tests' disk type hook.
namespace disk_type {
inline constexpr long kExt = 0xEF53; // ext2, ext3 and ext4
inline constexpr long kXfs = 0x58465342;
inline constexpr long kBtrfs = 0x9123683E;
inline constexpr long kF2fs = static_cast<long>(0xF2F52010);
inline constexpr long kTmpfs = 0x01021994;
inline constexpr long kFuse = 0x65735546;
inline constexpr long kVfat = 0x4d44; // also msdos
inline constexpr long kExfat = 0x2011BAB0;
inline constexpr long kNtfs3 = 0x7366746e;
inline constexpr long kNtfs = 0x5346544e;
inline constexpr long kNfs = 0x6969;
inline constexpr long kCifs = static_cast<long>(0xFF534D42);
inline constexpr long kSmb2 = static_cast<long>(0xFE534D42);
} // namespace disk_type

} // namespace vt
