#pragma once
#include <string_view>
#include <sys/stat.h>

namespace vt {

// A backup tree may be deeper than the system's limit for one path (PATH_MAX, 4096
// bytes), which the system calls refuse with ENAMETOOLONG. These open and look at
// such paths by handing the kernel at most PATH_MAX - 1 bytes at a time, each part
// relative to the folder the previous part reached. A path within the limit costs one
// call, as before.
//
// No descriptor is kept between calls: each open walks the path again from `dirfd`,
// as open(2) walks it from the root. Keeping a descriptor per level instead would
// make a tree 10,000 folders deep hold 10,000 of them and run into the process's
// limit of open files; this holds two at most, for the length of one call.

// openat(dirfd, path, flags) for a path of any length (O_CLOEXEC is added). -1 with
// errno set on failure.
int open_long_path(int dirfd, std::string_view path, int flags);

// lstat (follow = false) or stat of a path of any length; 0 or -1 with errno set.
int stat_long_path(std::string_view path, struct stat& st, bool follow);

// The parent folder of `path` opened as O_PATH (the working folder for a bare name)
// and the last part of the path in `leaf`; -1 with errno set on failure.
int open_parent(std::string_view path, std::string& leaf);

} // namespace vt
