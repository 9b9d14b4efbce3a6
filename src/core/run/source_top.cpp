#include "core/run/source_top.h"

#include "core/platform/beneath.h"
#include "core/platform/long_path.h"
#include "core/platform/sys.h"

#include <cerrno>
#include <fcntl.h>

namespace vt {

bool SourceTop::reopen() {
    top_ = SharedFd(open_long_path(AT_FDCWD, path_, O_PATH | O_DIRECTORY));
    error_ = top_ ? 0 : errno;
    return static_cast<bool>(top_);
}

SharedFd SourceTop::shared() {
    if (!top_)
        reopen();
    return top_;
}

int SourceTop::open(const std::string& sub_path, int flags) {
    const std::string whole = path_ + sub_path;
    const bool fresh = sub_path.empty() || !top_;
    if (fresh)
        reopen();
    int fd = sys::open_folder_beneath(top_.get(), sub_path.c_str(), flags, whole.c_str());
    if (fd >= 0)
        return fd;
    if (!top_ && errno == EBADF) {
        errno = error_; // the line's folder itself cannot be opened
        return -1;
    }
    if (fresh || errno != ENOENT)
        return -1;
    // A folder missing below the line's folder as it was opened may be there below the
    // folder now at its path: a disk mounted since, say.
    if (!reopen()) {
        errno = error_;
        return -1;
    }
    fd = open_beneath(top_.get(), sub_path, flags | O_DIRECTORY);
    return fd;
}

} // namespace vt
