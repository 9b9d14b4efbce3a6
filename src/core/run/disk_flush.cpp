#include "core/run/disk_flush.h"

#include "core/platform/error_text.h"
#include "core/platform/prompter.h"
#include "core/platform/sys.h"
#include "core/run/journal.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vt {

void DiskFlush::wrote_into(int dirfd, const std::string& folder) {
    struct stat st {};
    if (dirfd < 0 || ::fstat(dirfd, &st) != 0)
        return;
    for (const Disk& d : disks_) {
        if (d.device == st.st_dev)
            return;
    }
    const int fd = ::openat(dirfd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    disks_.push_back({st.st_dev, fd, folder});
    behind_.add(fd);
}

int DiskFlush::flush(Journal& journal, Prompter& prompter) {
    behind_.stop();
    int failures = 0;
    for (const Disk& d : disks_) {
        if (sys::syncfs(d.fd) == 0)
            continue;
        const std::string error = system_error_text(errno);
        journal.flush_failure(d.folder, error);
        prompter.show_error("Unable to flush the copies in " + d.folder + " to the disk: " + error);
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
