#pragma once
#include "core/platform/shared_fd.h"

#include <string>

namespace vt {

// The source folder of a line while a walk reads it: every folder below it is opened
// relative to it and never through a symbolic link, so that a folder swapped for a
// link after the folders were listed is a folder that cannot be read, not a way into
// another tree. A restore's source is a backup that others may write to; a link there
// would otherwise have it bring another person's files into the target.
//
// The line's folder itself may be a link (a person's "/data -> /mnt/disk/data" is their
// own choice): it is opened by its path, again for each look at it, so that a disk
// mounted since (a Retry) is found.
class SourceTop {
public:
    explicit SourceTop(std::string path) : path_(std::move(path)) {}

    // Opens the folder `sub_path` ("" for the line's folder, else "/a/b") with `flags`
    // (O_DIRECTORY added). Faults as Op::OpenDir with the folder's whole path. A link
    // on the way fails with ELOOP. -1 with errno.
    int open(const std::string& sub_path, int flags);

    const std::string& path() const { return path_; }

    // The line's folder as opened last (opened now if it was not), for another thread to
    // open folders below it; empty when it cannot be opened.
    SharedFd shared();

private:
    // Opens the line's folder afresh; false with `error_` set when it cannot be.
    bool reopen();

    std::string path_;
    SharedFd top_;
    int error_ = 0;
};

} // namespace vt
