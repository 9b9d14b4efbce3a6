#pragma once
#include <string>
#include <string_view>
#include <vector>

// The mounted file systems a user picks folders from, in place of drive letters.
namespace vt::mounts {

struct Mount {
    std::string device;
    std::string mount_point;
    std::string type;

    bool operator==(const Mount&) const = default;
};

// Parses the text of /proc/self/mounts (fstab format: octal escapes such as "\040"
// for a blank). Lines that do not have the three first fields are skipped.
std::vector<Mount> parse(std::string_view text);

// True for the file systems a user would pick: the root, the one holding the home
// folder, removable media under /media, /run/media or /mnt, network file systems and
// disks mounted outside the system's own folders; never proc, sysfs, tmpfs and the like.
bool user_visible(const Mount& mount, std::string_view home_mount_point);

// The user's mount points from a mounts text, each once, the root first, then sorted.
std::vector<Mount> user_mounts(const std::vector<Mount>& all, std::string_view home);

// The mount point among `points` that holds `folder`: the longest one that is the
// folder or one of its ancestors. Empty when none does.
std::string holding(const std::vector<std::string>& points, std::string_view folder);

// The user's mounts of this system (the root alone when the table cannot be read).
std::vector<Mount> read_user_mounts();

} // namespace vt::mounts
