#include "core/run/run_lock.h"

#include "core/platform/error_text.h"
#include "core/platform/path_key.h"
#include "core/platform/xdg_folders.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace vt {

std::string RunLock::path_for(const std::string& list_file) {
    std::string folder = xdg::runtime_dir();
    folder = folder.empty() ? xdg::config_home() + "/Vantorel" : folder + "/Vantorel";
    return folder + "/run-" + names::path_hash(names::canonical_path(list_file)) + ".lock";
}

std::string RunLock::busy_text(const std::string& list_file) {
    return "The list " + list_file +
           " is being copied by another run. Try again when that run has ended.";
}

RunLock::RunLock(const std::string& list_file) {
    const std::string path = path_for(list_file);
    const std::string folder = path.substr(0, path.rfind('/'));
    if (IoResult made = xdg::make_folders(folder); !made) {
        error_ = made.error;
        return;
    }
    // Close-on-exec: a viewer started during the run must not keep the lock after it.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        error_ = system_error_text(errno);
        return;
    }
    int result;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        busy_ = errno == EWOULDBLOCK;
        if (!busy_)
            error_ = system_error_text(errno);
        ::close(fd);
        return;
    }
    fd_ = fd;
}

RunLock::~RunLock() {
    if (fd_ >= 0)
        ::close(fd_);
}

} // namespace vt
