#include "core/run/disk_flush.h"

#include "core/platform/disk_traits.h"
#include "core/platform/error_text.h"
#include "core/platform/long_path.h"
#include "core/platform/prompter.h"
#include "core/platform/sys.h"
#include "core/run/flush_policy.h"
#include "core/run/journal.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vt {
namespace {

// The folder holding `path`; empty for a top folder or a name alone.
std::string holder_of(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0)
        return {};
    return path.substr(0, slash);
}

} // namespace

void DiskFlush::wrote_into(int dirfd, const std::string& folder) {
    struct stat st {};
    if (dirfd < 0 || ::fstat(dirfd, &st) != 0)
        return;
    Disk* disk = nullptr;
    for (Disk& d : disks_) {
        if (d.device == st.st_dev)
            disk = &d;
    }
    if (!disk) {
        const int fd = ::openat(dirfd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return;
        // The disk's type, asked once for each disk a run writes to.
        struct statfs fs {};
        const DiskTraits traits =
            traits_of_type(sys::fstatfs(fd, &fs) == 0 ? static_cast<long>(fs.f_type) : 0);
        const bool whole = FlushPolicy(&traits).flushes_whole_disk();
        disk = &disks_.emplace_back(Disk{st.st_dev, whole, fd, folder, {}, {}});
        if (whole)
            behind_.add(fd);
    }
    if (disk->whole)
        return;
    // A folder the run made has its entry in the folder holding it.
    for (const std::string& f : {folder, holder_of(folder)}) {
        if (!f.empty() && disk->noted.insert(f).second)
            disk->folders.push_back(f);
    }
}

int DiskFlush::flush_folders(const Disk& disk, std::string& failed) {
    for (const std::string& folder : disk.folders) {
        const int fd = open_long_path(AT_FDCWD, folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        // A folder gone since holds nothing of the run's to flush.
        if (fd < 0 && errno == ENOENT)
            continue;
        const int error = fd < 0 || sys::fsync(fd) != 0 ? errno : 0;
        if (fd >= 0)
            ::close(fd);
        // EINVAL: a file system that keeps nothing to flush for a folder.
        if (error && error != EINVAL) {
            failed = folder;
            return error;
        }
    }
    return 0;
}

int DiskFlush::flush(Journal& journal, Prompter& prompter) {
    behind_.stop();
    int failures = 0;
    for (const Disk& d : disks_) {
        std::string folder = d.folder;
        const int error = d.whole ? (sys::syncfs(d.fd) == 0 ? 0 : errno) : flush_folders(d, folder);
        if (error == 0)
            continue;
        const std::string text = system_error_text(error);
        journal.flush_failure(folder, text);
        prompter.show_error("Unable to flush the copies in " + folder + " to the disk: " + text);
        ++failures;
    }
    clear();
    return failures;
}

void DiskFlush::clear() {
    behind_.stop();
    for (const Disk& d : disks_)
        ::close(d.fd);
    disks_.clear();
}

} // namespace vt
