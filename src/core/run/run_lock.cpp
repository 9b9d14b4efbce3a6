#include "core/run/run_lock.h"

#include "core/platform/error_text.h"
#include "core/platform/path_key.h"
#include "core/platform/xdg_folders.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vt {
namespace {

std::string lock_folder() {
    const std::string runtime = xdg::runtime_dir();
    return (runtime.empty() ? xdg::config_home() : runtime) + "/Vantorel";
}

} // namespace

std::string RunLock::path_for(const std::string& list_file) {
    return lock_folder() + "/run-" + names::path_hash(names::canonical_path(list_file)) + ".lock";
}

std::string RunLock::file_path_for(const std::string& list_file) {
    // Through a symbolic link: a link to the list names the same list.
    struct stat st {};
    if (::stat(list_file.c_str(), &st) != 0)
        return {};
    char name[64];
    std::snprintf(name, sizeof name, "/list-%llx-%llx.lock",
                  static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    return lock_folder() + name;
}

std::string RunLock::busy_text(const std::string& list_file) {
    return "The list " + list_file +
           " is being copied by another run. Try again when that run has ended.";
}

RunLock::RunLock(const std::string& list_file) {
    if (IoResult made = xdg::make_folders(lock_folder()); !made) {
        error_ = made.error;
        return;
    }
    if (!take(path_for(list_file)))
        return;
    // Should this one fail, the name's lock still keeps off what it always did.
    if (const std::string file = file_path_for(list_file); !file.empty())
        take(file);
}

bool RunLock::take(const std::string& path) {
    // Close-on-exec: a viewer started during the run must not keep the lock after it.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        error_ = system_error_text(errno);
        return false;
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
        if (busy_)
            release(); // the other run has the list: nothing of it is kept
        return false;
    }
    fds_.push_back(fd);
    return true;
}

void RunLock::release() {
    for (const int fd : fds_)
        ::close(fd);
    fds_.clear();
}

RunLock::~RunLock() {
    release();
}

} // namespace vt
