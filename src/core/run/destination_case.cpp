#include "core/run/destination_case.h"

#include "core/platform/disk_catalog.h"
#include "core/platform/disk_traits.h"
#include "core/platform/long_path.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace vt {

bool DestinationCase::of_folder(const std::string& path, bool& found) {
    int fd = open_long_path(AT_FDCWD, path, O_RDONLY | O_DIRECTORY);
    if (fd < 0 && errno == EACCES) // still on its disk, if unreadable
        fd = open_long_path(AT_FDCWD, path, O_PATH | O_DIRECTORY);
    found = fd >= 0;
    if (!found)
        return false;
    const bool ignores = folder_ignores_case(fd, disks_.of(fd));
    ::close(fd);
    return ignores;
}

bool DestinationCase::ignores_case(const std::string& sub_path) {
    if (const auto known = known_.find(sub_path); known != known_.end())
        return known->second.ignores;
    // Below a missing folder nothing is there yet: a first backup of a tree of
    // thousands of folders would otherwise look for each of them in vain.
    if (!sub_path.empty()) {
        const std::string parent = sub_path.substr(0, sub_path.rfind('/'));
        if (const auto known = known_.find(parent); known != known_.end() && !known->second.found) {
            const bool ignores = known->second.ignores; // before the map may grow
            known_.emplace(sub_path, Known{ignores, false});
            return ignores;
        }
    }
    bool found = false;
    bool ignores = of_folder(destination_ + sub_path, found);
    const bool there = found;
    if (!found && !sub_path.empty()) {
        ignores = ignores_case(sub_path.substr(0, sub_path.rfind('/')));
    } else if (!found) {
        // The line's own folder is missing: the nearest folder above it that exists.
        std::string above = destination_;
        while (!found && above != "/" && above != ".") {
            const std::size_t slash = above.find_last_of('/');
            above = slash == std::string::npos ? "." : slash == 0 ? "/" : above.substr(0, slash);
            ignores = of_folder(above, found);
        }
    }
    known_.emplace(sub_path, Known{ignores, there});
    return ignores;
}

} // namespace vt
