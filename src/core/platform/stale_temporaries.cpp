#include "core/platform/stale_temporaries.h"

#include "core/platform/directory.h"
#include "core/platform/new_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vt {

std::vector<std::string> remove_stale_temporaries(int dirfd, std::time_t started, bool* none_seen,
                                                  const std::string& folder) {
    std::vector<std::string> removed;
    Directory dir(::openat(dirfd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC), folder);
    std::string_view name;
    unsigned char type = 0;
    bool none = dir.is_open();
    while (dir.next(name, type)) {
        if (name[0] != '.' || !NewFile::is_own_temporary(name))
            continue;
        none = false;
        const std::string own(name);
        struct stat st {};
        if (::fstatat(dir.fd(), own.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode) && st.st_mtime < started &&
            ::unlinkat(dir.fd(), own.c_str(), 0) == 0)
            removed.push_back(own);
    }
    if (none_seen)
        *none_seen = none && dir.error() == 0;
    return removed;
}

} // namespace vt
