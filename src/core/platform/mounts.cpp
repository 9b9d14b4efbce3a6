#include "core/platform/mounts.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace vt::mounts {
namespace {

std::string unescape(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const auto octal = [](char c) { return c >= '0' && c <= '7'; };
            if (octal(field[i + 1]) && octal(field[i + 2]) && octal(field[i + 3])) {
                out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                         (field[i + 3] - '0'));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

bool is_under(std::string_view path, std::string_view folder) {
    if (folder == "/")
        return !path.empty() && path[0] == '/';
    return path.size() > folder.size() && path.substr(0, folder.size()) == folder &&
           path[folder.size()] == '/';
}

bool is_at_or_under(std::string_view path, std::string_view folder) {
    return path == folder || is_under(path, folder);
}

bool is_network_type(std::string_view type) {
    static constexpr std::array<std::string_view, 14> kTypes = {
        "nfs", "nfs4",  "cifs", "smb3",      "smbfs",      "ncpfs",       "afs",
        "9p",  "davfs", "ceph", "glusterfs", "fuse.sshfs", "fuse.rclone", "lustre"};
    return std::find(kTypes.begin(), kTypes.end(), type) != kTypes.end() ||
           type.starts_with("fuse.glusterfs");
}

// File systems that hold no user files, whatever their mount point.
bool is_pseudo_type(std::string_view type) {
    static constexpr std::array<std::string_view, 30> kTypes = {
        "proc",        "sysfs",           "devtmpfs",    "devpts",     "tmpfs",     "ramfs",
        "cgroup",      "cgroup2",         "securityfs",  "debugfs",    "tracefs",   "pstore",
        "bpf",         "mqueue",          "hugetlbfs",   "configfs",   "fusectl",   "autofs",
        "binfmt_misc", "efivarfs",        "nsfs",        "rpc_pipefs", "selinuxfs", "squashfs",
        "overlay",     "fuse.gvfsd-fuse", "fuse.portal", "fuse.lxcfs", "nfsd",      "devfs"};
    return std::find(kTypes.begin(), kTypes.end(), type) != kTypes.end();
}

// Folders of the system itself: a mount there is not a place for the user's files.
bool in_system_folder(std::string_view point) {
    if (is_at_or_under(point, "/run/media"))
        return false;
    static constexpr std::array<std::string_view, 10> kFolders = {
        "/proc", "/sys", "/dev", "/run", "/boot", "/snap", "/var", "/usr", "/etc", "/tmp"};
    return std::any_of(kFolders.begin(), kFolders.end(),
                       [&](std::string_view f) { return is_at_or_under(point, f); });
}

bool on_removable_media_path(std::string_view point) {
    return is_under(point, "/media") || is_under(point, "/run/media") || is_under(point, "/mnt") ||
           point == "/mnt";
}

} // namespace

std::vector<Mount> parse(std::string_view text) {
    std::vector<Mount> result;
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string device, point, type;
        if (!(fields >> device >> point >> type))
            continue;
        result.push_back({unescape(device), unescape(point), unescape(type)});
    }
    return result;
}

bool user_visible(const Mount& mount, std::string_view home_mount_point) {
    const std::string_view point = mount.mount_point;
    if (point.empty() || point[0] != '/')
        return false;
    if (point == "/" || (!home_mount_point.empty() && point == home_mount_point))
        return true;
    if (is_pseudo_type(mount.type) || in_system_folder(point))
        return false;
    if (is_network_type(mount.type) || on_removable_media_path(point))
        return true;
    // A disk of its own mounted elsewhere (/data, /home, /srv/backup...).
    return mount.device.starts_with("/dev/");
}

std::vector<Mount> user_mounts(const std::vector<Mount>& all, std::string_view home) {
    std::vector<std::string> points;
    for (const Mount& m : all)
        points.push_back(m.mount_point);
    const std::string home_point = home.empty() ? std::string() : holding(points, home);

    std::vector<Mount> result;
    // A later mount over the same point hides the earlier one.
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        if (!user_visible(*it, home_point))
            continue;
        const bool seen = std::any_of(result.begin(), result.end(), [&](const Mount& m) {
            return m.mount_point == it->mount_point;
        });
        if (!seen)
            result.push_back(*it);
    }
    if (std::none_of(result.begin(), result.end(),
                     [](const Mount& m) { return m.mount_point == "/"; }))
        result.push_back({"", "/", ""});
    std::sort(result.begin(), result.end(), [](const Mount& a, const Mount& b) {
        if ((a.mount_point == "/") != (b.mount_point == "/"))
            return a.mount_point == "/";
        return a.mount_point < b.mount_point;
    });
    return result;
}

std::string holding(const std::vector<std::string>& points, std::string_view folder) {
    std::string best;
    for (const std::string& p : points) {
        if (is_at_or_under(folder, p) && (best.empty() || p.size() > best.size()))
            best = p;
    }
    return best;
}

std::vector<Mount> read_user_mounts() {
    std::ifstream in("/proc/self/mounts");
    std::stringstream text;
    text << in.rdbuf();
    const char* home = std::getenv("HOME");
    return user_mounts(parse(text.str()), home ? home : "");
}

} // namespace vt::mounts
