#pragma once
#include <sys/stat.h>

namespace vt {

// Whether the folders of the file system that holds the open folder `fd` count their
// subfolders in their links (two, and one for each subfolder), so that a folder with
// two links holds none and need not be read to find its subfolders. Only the file
// systems known to keep that count exactly say so: ext2/3/4, XFS and tmpfs. Others
// (btrfs gives every folder one link; a network share says what its server says)
// are always read.
bool counts_subfolders(int fd);

// Whether `folder`, on the device `device` whose file system counts subfolders, holds
// none. A folder on another device (a disk mounted inside the tree) is never taken
// for one without subfolders: its own file system may not count them.
inline bool holds_no_subfolders(const struct stat& folder, dev_t device) {
    return S_ISDIR(folder.st_mode) && folder.st_dev == device && folder.st_nlink == 2;
}

} // namespace vt
