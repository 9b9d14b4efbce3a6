#include "core/restore/kept_versions.h"

#include "core/platform/long_path.h"
#include "core/platform/sys.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vt {
namespace kept_versions {
namespace {

constexpr std::size_t kStampLength = 17; // "2024-05-01_143005"

bool digits(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int number(std::string_view s) {
    int n = 0;
    for (char c : s)
        n = n * 10 + (c - '0');
    return n;
}

// Removes the tree `name` inside `root` without following a link out of it, and
// without a descriptor per level (a deep tree would exhaust them): the walk keeps
// relative paths and opens each folder afresh. Counts the files removed.
int remove_tree(int root, const std::string& name, int& files) {
    std::vector<std::string> stack{name};
    while (!stack.empty()) {
        const std::string path = stack.back();
        const int fd = open_long_path(root, path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
        if (fd < 0)
            return errno;
        DIR* dir = ::fdopendir(fd);
        if (!dir) {
            const int e = errno;
            ::close(fd);
            return e;
        }
        bool deeper = false;
        int error = 0;
        errno = 0;
        while (const dirent* e = ::readdir(dir)) {
            const std::string_view n = e->d_name;
            if (n == "." || n == "..")
                continue;
            struct stat st {};
            if (::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                error = errno;
                break;
            }
            if (S_ISDIR(st.st_mode)) {
                stack.push_back(path + "/" + e->d_name);
                deeper = true;
            } else if (sys::unlinkat(fd, e->d_name, 0) == 0) {
                ++files;
            } else {
                error = errno;
                break;
            }
        }
        ::closedir(dir);
        if (error)
            return error;
        if (deeper)
            continue; // back here once the folders below are gone
        const std::size_t slash = path.rfind('/');
        int parent = root;
        if (slash != std::string::npos) {
            parent = open_long_path(root, path.substr(0, slash), O_PATH | O_DIRECTORY);
            if (parent < 0)
                return errno;
        }
        const std::string leaf = slash == std::string::npos ? path : path.substr(slash + 1);
        const int removed = sys::unlinkat(parent, leaf.c_str(), AT_REMOVEDIR);
        const int e = errno;
        if (parent != root)
            ::close(parent);
        if (removed != 0)
            return e;
        stack.pop_back();
    }
    return 0;
}

} // namespace

std::string stamp_for(std::time_t when) {
    std::tm t{};
    ::localtime_r(&when, &t);
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d_%H%M%S", &t);
    return text;
}

bool parse_stamp(std::string_view name, std::time_t& when) {
    if (name.size() != kStampLength || name[4] != '-' || name[7] != '-' || name[10] != '_')
        return false;
    const std::string_view y = name.substr(0, 4), mo = name.substr(5, 2), d = name.substr(8, 2),
                           h = name.substr(11, 2), mi = name.substr(13, 2), s = name.substr(15, 2);
    for (std::string_view part : {y, mo, d, h, mi, s})
        if (!digits(part))
            return false;
    std::tm t{};
    t.tm_year = number(y) - 1900;
    t.tm_mon = number(mo) - 1;
    t.tm_mday = number(d);
    t.tm_hour = number(h);
    t.tm_min = number(mi);
    t.tm_sec = number(s);
    t.tm_isdst = -1;
    if (t.tm_mon > 11 || t.tm_mday < 1 || t.tm_mday > 31 || t.tm_hour > 23 || t.tm_min > 59 ||
        t.tm_sec > 60)
        return false;
    when = std::mktime(&t);
    return when != static_cast<std::time_t>(-1);
}

bool walks_into(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name != kFolder;
}

std::string folder_of(const std::string& destination) {
    return destination + "/" + kFolder;
}

std::string run_folder(const std::string& destination, const std::string& stamp) {
    return folder_of(destination) + "/" + stamp;
}

std::vector<std::string> stamps(const std::string& destination) {
    std::vector<std::string> found;
    const int fd = open_long_path(AT_FDCWD, folder_of(destination), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return found;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return found;
    }
    while (const dirent* e = ::readdir(dir)) {
        std::time_t when = 0;
        struct stat st {};
        if (parse_stamp(e->d_name, when) &&
            ::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
            found.emplace_back(e->d_name);
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end()); // the stamps sort as their times do
    return found;
}

std::vector<std::string> matching(const std::vector<std::string>& stamps,
                                  const std::string& wanted) {
    std::vector<std::string> out;
    if (wanted.empty())
        return out;
    if (std::find(stamps.begin(), stamps.end(), wanted) != stamps.end())
        return {wanted};
    for (const std::string& s : stamps)
        if (s.rfind(wanted, 0) == 0)
            out.push_back(s);
    return out;
}

Pruned prune(const std::string& destination, int days, std::time_t now) {
    Pruned pruned;
    if (days <= 0)
        return pruned;
    const std::string folder = folder_of(destination);
    const int fd = open_long_path(AT_FDCWD, folder, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    if (fd < 0) {
        if (errno != ENOENT)
            pruned.error = errno;
        return pruned;
    }
    const std::time_t limit = now - static_cast<std::time_t>(days) * 24 * 60 * 60;
    std::vector<std::string> old;
    if (DIR* dir = ::fdopendir(::fcntl(fd, F_DUPFD_CLOEXEC, 0))) {
        while (const dirent* e = ::readdir(dir)) {
            std::time_t when = 0;
            struct stat st {};
            if (parse_stamp(e->d_name, when) && when < limit &&
                ::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
                old.emplace_back(e->d_name);
        }
        ::closedir(dir);
    }
    for (const std::string& stamp : old) {
        const int error = remove_tree(fd, stamp, pruned.files);
        if (error != 0 && pruned.error == 0)
            pruned.error = error;
        if (error == 0)
            ++pruned.folders;
    }
    ::close(fd);
    // The versions folder goes when its last run has gone; one still in use stays.
    if (!old.empty()) {
        std::string leaf;
        const int parent = open_parent(folder, leaf);
        if (parent >= 0) {
            ::unlinkat(parent, leaf.c_str(), AT_REMOVEDIR);
            ::close(parent);
        }
    }
    return pruned;
}

} // namespace kept_versions

KeptVersions::~KeptVersions() {
    if (open_fd_ >= 0)
        ::close(open_fd_);
}

int KeptVersions::open_folder(const std::string& destination, const std::string& sub_path) {
    std::string key = destination;
    key.push_back('\0');
    key += sub_path;
    if (open_fd_ >= 0 && key == open_key_)
        return open_fd_;
    if (open_fd_ >= 0)
        ::close(open_fd_);
    open_fd_ = -1;
    int at = open_long_path(AT_FDCWD, destination, O_PATH | O_DIRECTORY);
    if (at < 0)
        return -1;
    // The versions keep the permissions of the folder they are kept in; the owner
    // can always get into them.
    struct stat st {};
    const mode_t mode = (::fstat(at, &st) == 0 ? (st.st_mode & 07777) : 0755) | S_IRWXU;
    std::vector<std::string> parts{kept_versions::kFolder, stamp_};
    for (std::size_t start = 0; start < sub_path.size();) {
        const std::size_t slash = sub_path.find('/', start);
        const std::size_t end = slash == std::string::npos ? sub_path.size() : slash;
        if (end > start)
            parts.push_back(sub_path.substr(start, end - start));
        start = end + 1;
    }
    std::string whole = destination;
    for (const std::string& part : parts) {
        whole += "/" + part;
        if (sys::mkdirat(at, part.c_str(), mode, whole.c_str()) != 0 && errno != EEXIST) {
            const int e = errno;
            ::close(at);
            errno = e;
            return -1;
        }
        // Never through a link: the versions stay inside the destination folder.
        const int next = ::openat(at, part.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int e = errno;
        ::close(at);
        if (next < 0) {
            errno = e;
            return -1;
        }
        at = next;
    }
    open_fd_ = at;
    open_key_ = std::move(key);
    return open_fd_;
}

int KeptVersions::keep(int folder_fd, const std::string& destination, const std::string& sub_path,
                       const std::string& name, bool& moved) {
    moved = false;
    const int versions = open_folder(destination, sub_path);
    if (versions < 0)
        return errno;
    struct stat st {};
    if (::fstatat(versions, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        return 0; // replaced once already in this run: the first version is the one kept
    if (sys::linkat(folder_fd, name.c_str(), versions, name.c_str(), 0) == 0) {
        ++linked_;
        return 0;
    }
    const int link_error = errno;
    // A file system without hard links (FAT, exFAT, some shares) says so in one of
    // these ways; so does a file with as many links as it may have.
    if (link_error != EPERM && link_error != EMLINK && link_error != ENOTSUP &&
        link_error != EOPNOTSUPP && link_error != ENOSYS)
        return link_error;
    if (sys::renameat(folder_fd, name.c_str(), versions, name.c_str()) != 0)
        return errno;
    moved = true;
    ++moved_;
    return 0;
}

void KeptVersions::put_back(int folder_fd, const std::string& destination,
                            const std::string& sub_path, const std::string& name) {
    const int versions = open_folder(destination, sub_path);
    if (versions >= 0 && ::renameat(versions, name.c_str(), folder_fd, name.c_str()) == 0)
        --moved_;
}

} // namespace vt
