#include "core/run/folder_ahead.h"

#include <fcntl.h>
#include <unistd.h>

namespace vt {

FolderAhead::~FolderAhead() {
    if (!kept_)
        ::unlinkat(parent_fd_, leaf_.c_str(), AT_REMOVEDIR);
    ::close(parent_fd_);
}

} // namespace vt
