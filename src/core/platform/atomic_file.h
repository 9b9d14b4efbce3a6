#pragma once
#include "core/platform/io_result.h"

#include <string>
#include <string_view>
#include <sys/stat.h>

namespace vt {

// Replaces the file `target` with `content` so that readers see either the old or
// the new file, never a half-written one: the content goes into a new file in the
// same folder (unnamed where the file system allows, see new_file.h), which is synced
// and renamed over the target. On any failure the old file stays as it was and no
// temporary file is left. A target that is a
// symbolic link has the file it points to replaced; the link stays. An existing
// file keeps its permission bits; a new one gets `new_mode` (less the umask). A file
// the user may not write (see user_may_write) is not replaced: the call fails with
// that error (EACCES, or EROFS on a read-only file system) and leaves it as it was.
IoResult replace_file(const std::string& target, std::string_view content,
                      unsigned new_mode = 0644);

// Whether the user may write the existing file `path` (with its `st`): the owner's
// write bit must be set, also for root, and the system must grant write access.
// On false errno tells why.
bool user_may_write(const std::string& path, const struct stat& st);

// The path a write to `path` really lands on: symbolic links followed, up to 40 of them.
std::string resolve_link_target(const std::string& path);

} // namespace vt
