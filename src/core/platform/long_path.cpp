#include "core/platform/long_path.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace vt {
namespace {

void close_keeping_errno(int fd) {
    const int e = errno;
    ::close(fd);
    errno = e;
}

std::string_view without_leading_slashes(std::string_view path) {
    while (!path.empty() && path.front() == '/')
        path.remove_prefix(1);
    return path;
}

} // namespace

int open_long_path(int dirfd, std::string_view path, int flags) {
    flags |= O_CLOEXEC;
    if (path.size() < PATH_MAX)
        return ::openat(dirfd, std::string(path).c_str(), flags);
    int base = dirfd;
    bool own = false;
    if (path.front() == '/') {
        base = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (base < 0)
            return -1;
        own = true;
        path = without_leading_slashes(path);
    }
    while (path.size() >= PATH_MAX) {
        // The longest leading part that ends at a separator and fits the limit; a name
        // is at most NAME_MAX bytes, so there is always one.
        const std::size_t cut = path.substr(0, PATH_MAX - 1).rfind('/');
        if (cut == std::string_view::npos || cut == 0) {
            if (own)
                ::close(base);
            errno = ENAMETOOLONG;
            return -1;
        }
        const int next = ::openat(base, std::string(path.substr(0, cut)).c_str(),
                                  O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (own)
            close_keeping_errno(base);
        if (next < 0)
            return -1;
        base = next;
        own = true;
        path = without_leading_slashes(path.substr(cut));
    }
    const int fd = ::openat(base, path.empty() ? "." : std::string(path).c_str(), flags);
    if (own)
        close_keeping_errno(base);
    return fd;
}

int open_parent(std::string_view path, std::string& leaf) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) {
        leaf = path;
        return ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
    leaf = path.substr(slash + 1);
    if (leaf.empty())
        leaf = "."; // the root itself
    return open_long_path(AT_FDCWD, slash == 0 ? std::string_view("/") : path.substr(0, slash),
                          O_PATH | O_DIRECTORY);
}

int stat_long_path(std::string_view path, struct stat& st, bool follow) {
    if (path.size() < PATH_MAX)
        return follow ? ::stat(std::string(path).c_str(), &st)
                      : ::lstat(std::string(path).c_str(), &st);
    std::string leaf;
    const int parent = open_parent(path, leaf);
    if (parent < 0)
        return -1;
    const int r = ::fstatat(parent, leaf.c_str(), &st, follow ? 0 : AT_SYMLINK_NOFOLLOW);
    close_keeping_errno(parent);
    return r;
}

} // namespace vt
