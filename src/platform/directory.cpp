#include "platform/directory.h"

#include "platform/sys.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace vt {

IoResult Directory::open(const std::string& path) {
    close();
    const int fd = sys::open(path.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return IoResult::from_errno(errno);
    dir_ = ::fdopendir(fd);
    if (!dir_) {
        const int e = errno;
        ::close(fd);
        return IoResult::from_errno(e);
    }
    return IoResult::success();
}

void Directory::close() {
    if (dir_)
        ::closedir(dir_);
    dir_ = nullptr;
}

int Directory::fd() const {
    return dir_ ? ::dirfd(dir_) : -1;
}

bool Directory::next(std::string_view& name, unsigned char& type) {
    if (!dir_)
        return false;
    while (const dirent* e = ::readdir(dir_)) {
        if (e->d_name[0] == '.' &&
            (e->d_name[1] == '\0' || (e->d_name[1] == '.' && e->d_name[2] == '\0')))
            continue;
        name = e->d_name;
        type = e->d_type;
        return true;
    }
    return false;
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

} // namespace vt
