#include "core/platform/whole_file.h"

#include "core/platform/sys.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace vt {

IoResult read_whole_file(const std::string& path, std::string& content) {
    content.clear();
    // Opening a FIFO without O_NONBLOCK waits for a writer; a terminal could become
    // the program's own without O_NOCTTY.
    const int fd = sys::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return IoResult::from_errno(errno);
    struct stat st {};
    int refused = 0;
    if (::fstat(fd, &st) != 0)
        refused = errno;
    else if (S_ISDIR(st.st_mode))
        refused = EISDIR;
    else if (!S_ISREG(st.st_mode))
        refused = EACCES;
    if (refused != 0) {
        sys::close(fd);
        return IoResult::from_errno(refused);
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = sys::read(fd, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int code = errno;
            sys::close(fd);
            return IoResult::from_errno(code);
        }
        content.append(buffer, static_cast<size_t>(n));
    }
    sys::close(fd);
    return IoResult::success();
}

} // namespace vt
