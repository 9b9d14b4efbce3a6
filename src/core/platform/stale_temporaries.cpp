#include "core/platform/stale_temporaries.h"

#include "core/platform/new_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vt {

std::vector<std::string> remove_stale_temporaries(int dirfd, std::time_t started) {
    std::vector<std::string> removed;
    const int fd = ::openat(dirfd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return removed;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return removed;
    }
    while (const dirent* e = ::readdir(dir)) {
        if (e->d_name[0] != '.' || !NewFile::is_own_temporary(e->d_name))
            continue;
        struct stat st {};
        if (::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
            st.st_mtime < started && ::unlinkat(fd, e->d_name, 0) == 0)
            removed.emplace_back(e->d_name);
    }
    ::closedir(dir);
    return removed;
}

} // namespace vt
