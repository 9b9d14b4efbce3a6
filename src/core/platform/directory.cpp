#include "core/platform/directory.h"

#include "core/platform/sys.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace vt {

namespace {

// As glibc's readdir reads: a folder of a few hundred entries in one call.
constexpr std::size_t kBatchBytes = 32768;

} // namespace

IoResult Directory::open(const std::string& path) {
    close();
    path_ = path;
    fd_ = sys::open_folder(AT_FDCWD, path.c_str(), O_RDONLY);
    if (fd_ < 0) {
        error_ = errno;
        return IoResult::from_errno(error_);
    }
    return IoResult::success();
}

void Directory::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    error_ = 0;
    at_ = end_ = 0;
}

bool Directory::fill() {
    if (!buffer_)
        buffer_ = std::make_unique_for_overwrite<char[]>(kBatchBytes);
    const ssize_t n = ::getdents64(fd_, buffer_.get(), kBatchBytes);
    if (n <= 0) {
        error_ = n < 0 ? errno : 0;
        return false;
    }
    at_ = 0;
    end_ = static_cast<std::size_t>(n);
    return true;
}

bool Directory::next(std::string_view& name, unsigned char& type) {
    if (fd_ < 0)
        return false;
    for (;;) {
        // The hook is asked where readdir would have been called, "." and ".." and the
        // end of the folder included.
        if (sys::entry_fails(path_.c_str())) {
            error_ = errno;
            at_ = end_ = 0;
            return false;
        }
        if (at_ >= end_ && !fill())
            return false;
        const auto* e = reinterpret_cast<const dirent64*>(buffer_.get() + at_);
        at_ += e->d_reclen;
        if (e->d_name[0] == '.' &&
            (e->d_name[1] == '\0' || (e->d_name[1] == '.' && e->d_name[2] == '\0')))
            continue;
        name = e->d_name;
        type = e->d_type;
        return true;
    }
}

EntryKind classify_entry(int dirfd, const char* name, unsigned char type, struct stat& st) {
    switch (type) {
    case DT_DIR:
        return EntryKind::Folder;
    case DT_REG:
        if (::fstatat(dirfd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return EntryKind::Other; // vanished since the folder was read
        break;
    case DT_LNK:
        if (::fstatat(dirfd, name, &st, 0) != 0)
            return EntryKind::Other; // dangling
        return S_ISREG(st.st_mode) ? EntryKind::File : EntryKind::Other;
    case DT_UNKNOWN:
        if (::fstatat(dirfd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return EntryKind::Other;
        if (S_ISDIR(st.st_mode))
            return EntryKind::Folder;
        if (S_ISLNK(st.st_mode))
            return classify_entry(dirfd, name, DT_LNK, st);
        break;
    default:
        return EntryKind::Other;
    }
    // A file replaced by another kind between readdir and the stat is passed over.
    if (S_ISDIR(st.st_mode))
        return EntryKind::Folder;
    return S_ISREG(st.st_mode) ? EntryKind::File : EntryKind::Other;
}

bool is_real_folder(int dirfd, const char* name, unsigned char type) {
    if (type == DT_DIR)
        return true;
    if (type != DT_UNKNOWN)
        return false;
    struct stat st {};
    return ::fstatat(dirfd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
}

bool is_link(int dirfd, const char* name, unsigned char type) {
    if (type != DT_UNKNOWN)
        return type == DT_LNK;
    struct stat st {};
    return ::fstatat(dirfd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode);
}

bool is_folder_link(int dirfd, const char* name, unsigned char type) {
    struct stat st {};
    return is_link(dirfd, name, type) && ::fstatat(dirfd, name, &st, 0) == 0 && S_ISDIR(st.st_mode);
}

bool is_dangling_link(int dirfd, const char* name, unsigned char type) {
    struct stat st {};
    return is_link(dirfd, name, type) && ::fstatat(dirfd, name, &st, 0) != 0 &&
           (errno == ENOENT || errno == ENOTDIR || errno == ELOOP);
}

} // namespace vt
