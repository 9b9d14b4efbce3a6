#pragma once
#include <optional>
#include <sys/types.h>

namespace vt {

// The permission bits a new file gets are those it is created with, less the
// process's umask, unless its folder has a default ACL, which decides instead. Where
// the umask alone decides and takes nothing away, a copy needs no chmod of its own.

// Whether new files in the folder `dirfd` (any descriptor, O_PATH too) get their bits
// from the umask alone: the folder has no default ACL.
bool umask_decides(int dirfd);

// The bits a file created with `mode` gets where the umask decides; nothing when the
// process's umask cannot be read.
std::optional<mode_t> bits_after_umask(mode_t mode);

} // namespace vt
