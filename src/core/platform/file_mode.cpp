#include "core/platform/file_mode.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/xattr.h>

namespace vt {
namespace {

// Read from /proc rather than with umask(2), which would have to change it for a
// moment under the program's other threads.
std::optional<mode_t> read_umask() {
    std::FILE* status = std::fopen("/proc/self/status", "re");
    if (!status)
        return std::nullopt;
    std::optional<mode_t> mask;
    char line[256];
    while (std::fgets(line, sizeof line, status)) {
        unsigned value = 0;
        if (std::sscanf(line, "Umask: %o", &value) == 1) {
            mask = static_cast<mode_t>(value);
            break;
        }
    }
    std::fclose(status);
    return mask;
}

} // namespace

bool umask_decides(int dirfd) {
    char self[32];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", dirfd);
    if (::getxattr(self, "system.posix_acl_default", nullptr, 0) >= 0)
        return false;
    return errno == ENODATA || errno == EOPNOTSUPP;
}

std::optional<mode_t> bits_after_umask(mode_t mode) {
    static const std::optional<mode_t> mask = read_umask();
    if (!mask)
        return std::nullopt;
    return mode & ~*mask;
}

} // namespace vt
