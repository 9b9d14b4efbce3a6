#include "core/platform/stale_temporaries.h"

#include "core/platform/directory.h"
#include "core/platform/new_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vt {
namespace {

// Whether the temporary file `name` in `dirfd` was left by a run that is gone: nobody
// holds its lock. The lock is let go with the file's last descriptor, when its run
// names it, drops it or dies.
bool left_behind(int dirfd, const std::string& name, std::time_t started) {
    const int fd =
        ::openat(dirfd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    bool gone = false;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            gone = true;
        else if (errno != EWOULDBLOCK)
            gone = st.st_mtime < started; // a disk without locks
    }
    ::close(fd);
    return gone;
}

} // namespace

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
        if (left_behind(dir.fd(), own, started) && ::unlinkat(dir.fd(), own.c_str(), 0) == 0)
            removed.push_back(own);
    }
    if (none_seen)
        *none_seen = none && dir.error() == 0;
    return removed;
}

} // namespace vt
