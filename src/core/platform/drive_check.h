#pragma once
#include <string>
#include <vector>

// Telling an unplugged disk from an empty folder. A backup written into the mount
// point of a disk that is not there lands on the system disk underneath, unseen; an
// empty folder a new user made for the backup is a perfectly good place for one.
namespace vt::drives {

struct Places {
    std::string mountinfo = "/proc/self/mountinfo"; // what is mounted now
    std::string fstab = "/etc/fstab";               // where disks are meant to be mounted
    // Folders whose direct subfolders are mount points of removable disks; empty for
    // the system's: /media, /media/<user>, /run/media/<user> and /mnt.
    std::vector<std::string> media_folders;
};

// Points the rule at other tables and folders (tests use fakes); reset_places() puts
// back the system's.
void set_places(Places places);
void reset_places();

// Whether the existing folder `folder` is the mount point of a disk that is not
// there: it holds nothing but hidden entries, it is a mount point named in fstab or
// a folder directly inside one of the media folders, and no file system is mounted
// on it. A table that cannot be read counts as naming nothing.
bool is_missing_drive(const std::string& folder);

} // namespace vt::drives
