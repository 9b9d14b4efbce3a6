#include "core/platform/new_file.h"

#include "core/platform/sys.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vt {
namespace {

constexpr std::string_view kPrefix = ".vantorel-";
constexpr std::string_view kSuffix = ".tmp";
constexpr std::size_t kRandomChars = 12;
constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";

} // namespace

std::string NewFile::temporary_name() {
    thread_local std::mt19937_64 generator{std::random_device{}()};
    std::string name(kPrefix);
    for (std::size_t i = 0; i < kRandomChars; ++i)
        name += kDigits[generator() % 36];
    return name + std::string(kSuffix);
}

namespace {

// Unnamed files get their name through /proc: linking a descriptor directly
// (AT_EMPTY_PATH) needs a privilege most users lack.
bool unnamed_files_usable() {
    static const bool usable = ::access("/proc/self/fd", X_OK) == 0;
    return usable;
}

// Errors of O_TMPFILE that only mean the file system cannot make unnamed files.
bool unnamed_unsupported(int error) {
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL || error == ENOENT;
}

// Whether this kernel links a descriptor directly for its opener (AT_EMPTY_PATH, open
// to everyone since Linux 6.10); older ones asked for a privilege and said ENOENT.
std::atomic<bool> links_descriptors{true};

// Gives the unnamed file `fd` the name `name` in `dirfd` with `link` (the fault seam's
// for a name the file keeps, the plain call for a hidden one on its way to a rename):
// directly where the kernel allows it, saving the walk through /proc, else through the
// descriptor's /proc entry.
using Link = int (*)(int, const char*, int, const char*, int);
int link_unnamed(int fd, int dirfd, const char* name, Link link) {
    if (links_descriptors.load(std::memory_order_relaxed)) {
        if (link(fd, "", dirfd, name, AT_EMPTY_PATH) == 0)
            return 0;
        if (errno != ENOENT && errno != EPERM)
            return -1;
        // ENOENT may also mean the folder is gone: the /proc path tells.
        links_descriptors.store(false, std::memory_order_relaxed);
    }
    char self[32];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    return link(AT_FDCWD, self, dirfd, name, AT_SYMLINK_FOLLOW);
}

std::string inside(const std::string& folder, const std::string& name) {
    return folder == "." ? name : folder + "/" + name;
}

} // namespace

NewFile& NewFile::operator=(NewFile&& other) noexcept {
    if (this != &other) {
        discard();
        dirfd_ = other.dirfd_;
        folder_ = std::move(other.folder_);
        temp_ = std::move(other.temp_);
        fd_ = std::exchange(other.fd_, -1);
        named_ = std::exchange(other.named_, false);
        other.temp_.clear();
    }
    return *this;
}

int NewFile::create(int dirfd, const std::string& folder, mode_t mode) {
    discard();
    dirfd_ = dirfd;
    folder_ = folder;
    if (unnamed_files_usable()) {
        fd_ = sys::openat(dirfd, folder.c_str(), O_RDWR | O_TMPFILE, mode);
        if (fd_ >= 0)
            return 0;
        if (!unnamed_unsupported(errno))
            return errno;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp_ = inside(folder, temporary_name());
        fd_ = sys::openat(dirfd, temp_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOCTTY, mode);
        if (fd_ >= 0) {
            hold(fd_);
            return 0;
        }
        if (errno != EEXIST)
            break;
    }
    const int error = errno;
    temp_.clear();
    return error;
}

int NewFile::name_as(const std::string& name, bool flush_before_replacing, Target target) {
    if (fd_ < 0 || named_)
        return EBADF;
    auto flush = [&] { return !flush_before_replacing || sys::fdatasync(fd_) == 0; };
    bool replacing = target == Target::Taken;
    if (target == Target::Unknown) {
        struct stat existing {};
        replacing = ::fstatat(dirfd_, name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
    }
    if (temp_.empty()) {
        // A new name is taken directly; an existing file is replaced by a rename,
        // which a link cannot do, so the file is first linked under a hidden name.
        if (!replacing) {
            if (link_unnamed(fd_, dirfd_, name.c_str(), sys::linkat) == 0) {
                named_ = true;
                return 0;
            }
            if (errno != EEXIST || target == Target::Free)
                return errno;
        }
        if (!flush())
            return errno;
        hold(fd_);
        for (int attempt = 0;; ++attempt) {
            const std::string temp = inside(folder_, temporary_name());
            if (link_unnamed(fd_, dirfd_, temp.c_str(), ::linkat) == 0) {
                temp_ = temp;
                break;
            }
            if (errno != EEXIST || attempt == 10)
                return errno;
        }
    } else if (target == Target::Free) {
        struct stat existing {};
        if (::fstatat(dirfd_, name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0)
            return EEXIST;
    } else if (replacing && !flush()) {
        return errno;
    }
    if (sys::renameat(dirfd_, temp_.c_str(), dirfd_, name.c_str()) != 0) {
        const int error = errno;
        // The hidden name goes: the file keeps no name.
        ::unlinkat(dirfd_, temp_.c_str(), 0);
        temp_.clear();
        return error;
    }
    temp_.clear();
    named_ = true;
    return 0;
}

void NewFile::discard() {
    if (fd_ >= 0)
        sys::close(fd_);
    fd_ = -1;
    if (!temp_.empty())
        ::unlinkat(dirfd_, temp_.c_str(), 0);
    temp_.clear();
    named_ = false;
}

int NewFile::close() {
    if (fd_ < 0)
        return 0;
    const int r = sys::close(fd_);
    const int error = r == 0 ? 0 : errno;
    fd_ = -1;
    if (!temp_.empty())
        ::unlinkat(dirfd_, temp_.c_str(), 0);
    temp_.clear();
    named_ = false;
    return error;
}

int NewFile::release() {
    if (!named_)
        return -1;
    const int fd = fd_;
    fd_ = -1;
    named_ = false;
    return fd;
}

void NewFile::hold(int fd) {
    // Never waits: nobody else has the file yet. Where the disk takes no locks, the
    // age of a leftover decides alone (stale_temporaries.h).
    ::flock(fd, LOCK_EX | LOCK_NB);
}

bool NewFile::is_own_temporary(std::string_view name) {
    if (name.size() != kPrefix.size() + kRandomChars + kSuffix.size() ||
        !name.starts_with(kPrefix) || !name.ends_with(kSuffix))
        return false;
    for (char c : name.substr(kPrefix.size(), kRandomChars)) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z')))
            return false;
    }
    return true;
}

} // namespace vt
