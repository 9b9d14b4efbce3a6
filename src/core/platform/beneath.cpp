#include "core/platform/beneath.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <linux/openat2.h>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace vt {
namespace {

// Cleared for good once the kernel (or a seccomp filter) answers ENOSYS.
std::atomic<bool> openat2_usable{true};

void close_keeping_errno(int fd) {
    const int e = errno;
    ::close(fd);
    errno = e;
}

std::string_view trimmed(std::string_view path) {
    while (!path.empty() && path.front() == '/')
        path.remove_prefix(1);
    while (!path.empty() && path.back() == '/')
        path.remove_suffix(1);
    return path;
}

// What O_NOFOLLOW reports for a link varies with the other flags (ELOOP, or ENOTDIR
// with O_DIRECTORY); a link is always told as ELOOP.
int opened_or_link(int dir, const std::string& part, int fd) {
    if (fd >= 0 || errno == ELOOP)
        return fd;
    const int error = errno;
    struct stat st {};
    errno = ::fstatat(dir, part.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode)
                ? ELOOP
                : error;
    return -1;
}

int part_by_part(int top, std::string_view path, int flags) {
    int dir = top;
    for (;;) {
        const std::size_t slash = path.find('/');
        const std::string part(path.substr(0, slash));
        if (part == "..") {
            if (dir != top)
                ::close(dir);
            errno = EXDEV;
            return -1;
        }
        const bool last = slash == std::string_view::npos;
        const int next_flags =
            last ? flags | O_NOFOLLOW : O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
        const int next = part.empty() || part == "."
                             ? ::openat(dir, ".", next_flags)
                             : opened_or_link(dir, part, ::openat(dir, part.c_str(), next_flags));
        if (dir != top)
            close_keeping_errno(dir);
        if (last || next < 0)
            return next;
        dir = next;
        path = path.substr(slash + 1);
        while (!path.empty() && path.front() == '/')
            path.remove_prefix(1);
        if (path.empty())
            path = ".";
    }
}

} // namespace

int open_beneath(int top, std::string_view sub_path, int flags) {
    flags |= O_CLOEXEC;
    const std::string_view path = trimmed(sub_path);
    if (path.empty())
        return ::openat(top, ".", flags);
    if (path.size() < PATH_MAX && openat2_usable.load(std::memory_order_relaxed)) {
        open_how how{};
        how.flags = static_cast<unsigned>(flags);
        how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
        const std::string text(path);
        const long fd = ::syscall(SYS_openat2, top, text.c_str(), &how, sizeof how);
        if (fd >= 0 || errno != ENOSYS)
            return static_cast<int>(fd);
        openat2_usable = false;
    }
    return part_by_part(top, path, flags);
}

void set_openat2_usable(bool usable) {
    openat2_usable = usable;
}

} // namespace vt
