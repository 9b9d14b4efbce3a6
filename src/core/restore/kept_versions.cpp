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
#include <utility>

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

// A folder as the prune saw it: whatever it enters or removes must still be that
// folder, or another process put something else in its place meanwhile.
struct Identity {
    dev_t dev = 0;
    ino_t ino = 0;
    bool of(const struct stat& st) const { return st.st_dev == dev && st.st_ino == ino; }
};

// A descriptor that closes itself.
struct Fd {
    int fd = -1;
    explicit Fd(int f = -1) : fd(f) {}
    ~Fd() { reset(-1); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    void reset(int f) {
        if (fd >= 0)
            ::close(fd);
        fd = f;
    }
};

// Opens the folder `name` of `parent`, never through a link, and only when it is
// still the folder `expected`; -1 with errno set otherwise (ESTALE: another one).
int enter(int parent, const char* name, const Identity& expected) {
    const int fd = sys::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !expected.of(st)) {
        ::close(fd);
        errno = ESTALE;
        return -1;
    }
    return fd;
}

// One folder of the walk down a tree being removed.
struct Level {
    std::string name; // in its parent
    Identity id;
    bool listed = false;
    int relisted = 0; // how often its entries changed under the walk
    std::vector<std::pair<std::string, Identity>> folders{}; // listed, still to remove
};

// A folder whose entries keep being swapped is given up after this many new looks.
constexpr int kMaxRelists = 16;

// Removes every entry of the open folder `fd` that is not a folder (a link is removed,
// never followed) and lists its folders. 0 or an errno.
int remove_files(int fd, Level& level, int& files) {
    DIR* dir = ::fdopendir(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
    if (!dir)
        return errno;
    level.folders.clear();
    int error = 0;
    errno = 0;
    while (const dirent* e = ::readdir(dir)) {
        const std::string_view n = e->d_name;
        if (n == "." || n == "..")
            continue;
        struct stat st {};
        if (::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT)
                continue;
            error = errno;
            break;
        }
        if (S_ISDIR(st.st_mode)) {
            level.folders.emplace_back(e->d_name, Identity{st.st_dev, st.st_ino});
        } else if (sys::unlinkat(fd, e->d_name, 0) == 0) {
            ++files;
        } else if (errno != ENOENT) {
            error = errno;
            break;
        }
        errno = 0;
    }
    if (error == 0 && errno != 0)
        error = errno; // reading the folder failed
    ::closedir(dir);
    return error;
}

// The folder of the level above the last of `levels`, reached from the one being
// left through "..", which is never a link; when that is no longer its parent (the
// folder was moved meanwhile), down again from `root` through every level.
int open_parent_level(int root, int child, const std::vector<Level>& levels) {
    const Identity& wanted = levels.back().id;
    const int up = sys::openat(child, "..", O_RDONLY | O_DIRECTORY);
    if (up >= 0) {
        struct stat st {};
        if (::fstat(up, &st) == 0 && wanted.of(st))
            return up;
        ::close(up);
    }
    Fd at(::fcntl(root, F_DUPFD_CLOEXEC, 0));
    for (const Level& level : levels) {
        at.reset(enter(at.fd, level.name.c_str(), level.id));
        if (at.fd < 0)
            return -1;
    }
    const int fd = at.fd;
    at.fd = -1;
    return fd;
}

// Removes the folder `name` of `root` (the versions folder) with everything in it. The
// walk goes through folder descriptors, each opened without following a link and
// checked to be the folder that was listed, and removes entries relative to them: a
// folder swapped for a link while the prune runs can never lead it out of the
// versions folder. One descriptor is open at a time besides `root`, whatever the
// depth. Counts the files removed; 0 or an errno.
int remove_tree(int root, const std::string& name, const Identity& top, int& files) {
    Fd current(enter(root, name.c_str(), top));
    if (current.fd < 0)
        return errno == ENOENT ? 0 : errno; // gone meanwhile
    std::vector<Level> levels;
    levels.push_back({name, top});
    while (!levels.empty()) {
        Level& level = levels.back();
        if (!level.listed) {
            if (++level.relisted > kMaxRelists)
                return EBUSY;
            if (const int error = remove_files(current.fd, level, files))
                return error;
            level.listed = true;
        }
        if (!level.folders.empty()) {
            const auto [child, id] = level.folders.back();
            level.folders.pop_back();
            const int fd = enter(current.fd, child.c_str(), id);
            if (fd < 0) {
                if (errno == ENOENT)
                    continue; // gone meanwhile
                if (errno == ESTALE || errno == ELOOP || errno == ENOTDIR) {
                    level.listed = false; // something else took its name: looked at again
                    continue;
                }
                return errno;
            }
            current.reset(fd);
            levels.push_back({child, id});
            continue;
        }
        // Emptied: the folder goes from its parent, when its name there is still it.
        const Level done = std::move(levels.back());
        levels.pop_back();
        Fd parent_fd;
        int parent = root;
        if (!levels.empty()) {
            parent_fd.reset(open_parent_level(root, current.fd, levels));
            if (parent_fd.fd < 0)
                return errno;
            parent = parent_fd.fd;
        }
        struct stat st {};
        if (::fstatat(parent, done.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            if (!done.id.of(st)) {
                if (levels.empty())
                    return ESTALE;
                levels.back().listed = false; // a link or another folder took its place
            } else if (sys::unlinkat(parent, done.name.c_str(), AT_REMOVEDIR) != 0) {
                if (errno != ENOTEMPTY && errno != EEXIST)
                    return errno;
                // Something was put into it meanwhile: emptied again, below the top.
                if (levels.empty())
                    return errno;
                levels.back().folders.emplace_back(done.name, done.id);
            }
        } else if (errno != ENOENT) {
            return errno;
        }
        if (levels.empty())
            break;
        current.reset(parent_fd.fd);
        parent_fd.fd = -1;
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
    return !name.empty() && name.front() != '.' && name != kFolder;
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
    std::vector<std::pair<std::string, Identity>> old;
    if (DIR* dir = ::fdopendir(::fcntl(fd, F_DUPFD_CLOEXEC, 0))) {
        while (const dirent* e = ::readdir(dir)) {
            std::time_t when = 0;
            struct stat st {};
            if (parse_stamp(e->d_name, when) && when < limit &&
                ::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
                old.emplace_back(e->d_name, Identity{st.st_dev, st.st_ino});
        }
        ::closedir(dir);
    }
    for (const auto& [stamp, id] : old) {
        const int error = remove_tree(fd, stamp, id, pruned.files);
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
