#pragma once
#include <string_view>

namespace vt {

// Opening inside a tree without ever passing through a symbolic link: whoever can
// write the backup disk could otherwise place `sub -> /elsewhere` there and have the
// next run write into /elsewhere. The top folder itself is opened by the caller and
// may be a link (a person's "/backup -> /mnt/disk/backup" is their own choice); every
// part below it must be a real folder.
//
// Opens `sub_path` ("a/b", "/a/b" or "" for `top` itself) relative to the open folder
// `top` with `flags` | O_CLOEXEC. A symbolic link anywhere on the way, the last part
// included, fails with ELOOP; ".." parts fail with EXDEV. Where the kernel has
// openat2 it resolves the path in one call (RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS);
// elsewhere each part is opened with O_NOFOLLOW. Paths of any length. -1 with errno.
int open_beneath(int top, std::string_view sub_path, int flags);

// Tests only: pretend the kernel has no openat2, to exercise the part-by-part walk.
void set_openat2_usable(bool usable);

} // namespace vt
