#include "core/platform/atomic_file.h"

#include "core/platform/file_names.h"
#include "core/platform/new_file.h"
#include "core/platform/sys.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vt {

std::string resolve_link_target(const std::string& path) {
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        char buffer[PATH_MAX + 1];
        const ssize_t n = ::readlink(current.c_str(), buffer, PATH_MAX);
        if (n <= 0)
            return current;
        std::string link(buffer, static_cast<size_t>(n));
        current = link.front() == '/' ? link : names::folder_part(current) + link;
    }
    return current;
}

bool user_may_write(const std::string& path, const struct stat& st) {
    // The rename would replace a file whatever its bits say, and root passes every
    // permission check: the owner's write bit is asked for explicitly.
    if ((st.st_mode & S_IWUSR) == 0) {
        errno = EACCES;
        return false;
    }
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

IoResult replace_file(const std::string& target, std::string_view content, unsigned new_mode) {
    const std::string final_path = resolve_link_target(target);
    struct stat existing {};
    const bool exists = ::stat(final_path.c_str(), &existing) == 0;
    if (exists && !user_may_write(final_path, existing))
        return IoResult::from_errno(errno);
    const unsigned mode = exists ? (existing.st_mode & 07777) : new_mode;

    NewFile file;
    const std::string folder = names::folder_part(final_path);
    if (const int e = file.create(AT_FDCWD, folder.empty() ? "." : folder, mode))
        return IoResult::from_errno(e);
    if (exists)
        ::fchmod(file.fd(), mode); // the umask must not narrow an existing file's bits
    if (!sys::write_all(file.fd(), content.data(), content.size()) || sys::fsync(file.fd()) != 0)
        return IoResult::from_errno(errno);
    if (const int e = file.name_as(final_path, false))
        return IoResult::from_errno(e);
    if (const int e = file.close())
        return IoResult::from_errno(e);
    return IoResult::success();
}

} // namespace vt
