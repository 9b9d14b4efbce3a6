#include "platform/whole_file.h"

#include "platform/sys.h"

#include <cerrno>
#include <fcntl.h>

namespace vt {

IoResult read_whole_file(const std::string& path, std::string& content) {
    content.clear();
    const int fd = sys::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return IoResult::from_errno(errno);
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
