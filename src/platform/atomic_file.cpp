#include "platform/atomic_file.h"

#include "platform/file_names.h"
#include "platform/sys.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <random>
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

int create_temp_beside(const std::string& final_path, std::string& temp_path, unsigned mode) {
    static std::mt19937_64 generator{std::random_device{}()};
    const std::string folder = names::folder_part(final_path);
    const std::string base = names::name_part(final_path);
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix;
        for (int i = 0; i < 8; ++i)
            suffix += digits[generator() % 36];
        temp_path = folder + "." + base + "." + suffix + ".tmp";
        const int fd = sys::open(temp_path.c_str(), O_WRONLY | O_CREAT | O_EXCL, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
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

    std::string temp_path;
    const int fd = create_temp_beside(final_path, temp_path, mode);
    if (fd < 0)
        return IoResult::from_errno(errno);
    if (exists)
        ::fchmod(fd, mode); // the umask must not narrow an existing file's bits

    auto fail = [&](int code, bool open) {
        if (open)
            sys::close(fd);
        ::unlink(temp_path.c_str());
        return IoResult::from_errno(code);
    };
    if (!sys::write_all(fd, content.data(), content.size()))
        return fail(errno, true);
    if (sys::fsync(fd) != 0)
        return fail(errno, true);
    if (sys::close(fd) != 0)
        return fail(errno, false);
    if (sys::rename(temp_path.c_str(), final_path.c_str()) != 0)
        return fail(errno, false);
    return IoResult::success();
}

} // namespace vt
