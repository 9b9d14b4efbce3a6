#include "core/platform/disk_traits.h"

#include "core/platform/directory.h"
#include "core/platform/new_file.h"
#include "core/platform/sys.h"

#include <array>
#include <cctype>
#include <fcntl.h>
#include <linux/fs.h>
#include <optional>
#include <set>
#include <string>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vt {
namespace {

constexpr std::int64_t kSecond = 1'000'000'000;
// The FAT file size field: 32 bits.
constexpr std::uint64_t kFatLargest = 0xFFFFFFFFull;
#ifndef FS_CASEFOLD_FL
constexpr long FS_CASEFOLD_FL = 0x40000000;
#endif

std::int64_t nanoseconds(const timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * kSecond + t.tv_nsec;
}

// The time a probe sets: an odd second with nanoseconds in every decimal place, so
// that what the disk keeps of it shows its precision, two seconds on FAT included.
constexpr timespec kProbeTime{1'000'000'001, 123'456'789};

// The smallest step of times at which what was set reads back unchanged; 0 when it
// reads back further off than any disk rounds (a disk that keeps no set times).
std::int64_t step_between(const timespec& set, const timespec& read) {
    const std::int64_t off = nanoseconds(set) > nanoseconds(read)
                                 ? nanoseconds(set) - nanoseconds(read)
                                 : nanoseconds(read) - nanoseconds(set);
    static constexpr std::array<std::int64_t, 7> kSteps{
        1, 1'000, 1'000'000, 10'000'000, 100'000'000, kSecond, 2 * kSecond};
    for (const std::int64_t step : kSteps) {
        if (off < step)
            return step;
    }
    return 0;
}

std::string swapped_case(std::string name) {
    for (char& c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (std::islower(u))
            c = static_cast<char>(std::toupper(u));
        else if (std::isupper(u))
            c = static_cast<char>(std::tolower(u));
    }
    return name;
}

// Whether `name` in `fd` is found by its name in the other case. On FUSE each name
// looked up gets its own inode number, so whether the two are one file is told by the
// other name not being an entry of its own (`entries`). Empty when nothing tells.
std::optional<bool> found_in_other_case(int fd, const std::string& name,
                                        const std::set<std::string>& entries) {
    const std::string other = swapped_case(name);
    if (other == name)
        return std::nullopt;
    struct stat found {};
    if (::fstatat(fd, other.c_str(), &found, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? std::optional<bool>(false) : std::nullopt;
    return !entries.contains(other);
}

// The coarsest step that every one of `times` sits on (two seconds, a second, ten
// milliseconds, ...); 0 when there are too few to tell.
std::int64_t step_of(const std::vector<timespec>& times) {
    if (times.size() < 3)
        return 0;
    static constexpr std::array<std::int64_t, 6> kSteps{2 * kSecond, kSecond,   100'000'000,
                                                        10'000'000,  1'000'000, 1'000};
    for (const std::int64_t step : kSteps) {
        bool all = true;
        for (const timespec& t : times)
            all = all && nanoseconds(t) % step == 0;
        if (all)
            return step;
    }
    return 1;
}

// What the folder's own entries tell without writing: of case, a name with a letter
// looked up in the other case; of times, the step their times keep to (a preview of a
// backup on a FAT disk through FUSE would otherwise find every file a second newer).
void look_at_entries(int fd, DiskTraits& traits) {
    Directory dir(::openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC), ".");
    std::set<std::string> entries;
    std::string_view name;
    unsigned char type = 0;
    while (entries.size() < 4096 && dir.next(name, type))
        entries.emplace(name);
    if (!traits.folders_may_fold_case) {
        for (const std::string& entry : entries) {
            if (auto ignores = found_in_other_case(dir.fd(), entry, entries)) {
                traits.ignores_case = *ignores;
                break;
            }
        }
    }
    std::vector<timespec> times;
    for (const std::string& entry : entries) {
        struct stat st {};
        if (times.size() == 64)
            break;
        if (!NewFile::is_own_temporary(entry) &&
            ::fstatat(dir.fd(), entry.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
            times.push_back(st.st_mtim);
    }
    if (const std::int64_t step = step_of(times); step > traits.time_step_ns)
        traits.time_step_ns = step;
}

// Writes a file of the program's own into `fd` and learns from it what the disk
// keeps. False when the file cannot be made there (a read-only disk, no room).
bool probe(int fd, DiskTraits& traits) {
    const std::string name = NewFile::temporary_name();
    const int file = sys::openat(fd, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
    if (file < 0)
        return false;
    const timespec times[2] = {kProbeTime, kProbeTime};
    struct stat st {};
    if (::futimens(file, times) == 0 && ::fstat(file, &st) == 0) {
        if (const std::int64_t step = step_between(kProbeTime, st.st_mtim))
            traits.time_step_ns = step;
    }
    // A disk that makes modes up either refuses the change or shows its own again.
    traits.keeps_modes =
        ::fchmod(file, 0640) == 0 && ::fstat(file, &st) == 0 && (st.st_mode & 0777) == 0640;
    if (!traits.folders_may_fold_case) {
        if (auto ignores = found_in_other_case(fd, name, {name}))
            traits.ignores_case = *ignores;
    }
    std::string named = name;
    const std::string renamed = NewFile::temporary_name();
    if (::fstat(file, &st) == 0 && ::renameat(fd, name.c_str(), fd, renamed.c_str()) == 0) {
        named = renamed;
        struct stat after {};
        traits.naming_sets_time =
            ::fstat(file, &after) == 0 && (after.st_mtim.tv_sec != st.st_mtim.tv_sec ||
                                           after.st_mtim.tv_nsec != st.st_mtim.tv_nsec);
    }
    ::close(file);
    ::unlinkat(fd, named.c_str(), 0);
    traits.probed = true;
    return true;
}

} // namespace

bool DiskTraits::same_time(const timespec& a, const timespec& b) const {
    return !later(a, b) && !later(b, a);
}

bool DiskTraits::later(const timespec& a, const timespec& b) const {
    return nanoseconds(a) - nanoseconds(b) >= time_step_ns;
}

DiskTraits traits_of_type(long type) {
    using namespace disk_type;
    DiskTraits t;
    t.type = type;
    switch (type) {
    case kExt:
    case kXfs:
    case kBtrfs:
        t.steady_change_times = true;
        [[fallthrough]];
    case kF2fs:
    case kTmpfs:
        t.flush = DiskTraits::Flush::Batched;
        t.time_step_ns = 1;
        t.folders_may_fold_case = type == kExt || type == kF2fs;
        break;
    case kVfat:
        t.time_step_ns = 2 * kSecond;
        t.ignores_case = true;
        t.keeps_modes = false;
        t.largest_file = kFatLargest;
        break;
    case kExfat:
        t.time_step_ns = 10'000'000;
        t.ignores_case = true;
        t.keeps_modes = false;
        break;
    case kNtfs3:
    case kNtfs:
        t.time_step_ns = 100;
        t.ignores_case = true;
        t.keeps_modes = false;
        break;
    case kCifs:
    case kSmb2:
        t.time_step_ns = 100;
        t.ignores_case = true;
        t.keeps_modes = false;
        break;
    default: // FUSE, NFS and the unknown: what the probe finds, else the least
        break;
    }
    return t;
}

DiskTraits disk_traits(int fd, bool may_write) {
    struct statfs fs {};
    DiskTraits traits =
        traits_of_type(sys::fstatfs(fd, &fs) == 0 ? static_cast<long>(fs.f_type) : 0);
    // A disk like the system's own tells all by its type.
    if (traits.flush == DiskTraits::Flush::Batched)
        return traits;
    if (!(may_write && probe(fd, traits)))
        look_at_entries(fd, traits);
    // Only FAT keeps times in steps of two seconds, and it keeps sizes in 32 bits.
    if (traits.time_step_ns == 2 * kSecond)
        traits.largest_file = kFatLargest;
    return traits;
}

bool folder_ignores_case(int fd, const DiskTraits& traits) {
    if (traits.ignores_case)
        return true;
    if (!traits.folders_may_fold_case)
        return false;
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0)
        return (flags & FS_CASEFOLD_FL) != 0;
    // An O_PATH descriptor takes no ioctl: the folder opened for reading does.
    const int readable = ::openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (readable < 0)
        return false;
    const bool folds = ::ioctl(readable, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_CASEFOLD_FL);
    ::close(readable);
    return folds;
}

} // namespace vt
