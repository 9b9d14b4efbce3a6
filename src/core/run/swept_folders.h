#pragma once
#include "core/platform/io_result.h"

#include <cstddef>
#include <ctime>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unordered_map>
#include <vector>

namespace vt {

// The backup folders a list's runs found without any of the program's temporary files
// (stale_temporaries.h), each with the change time it had then. Making, naming,
// renaming or removing a file in a folder changes the folder's change time, which
// nobody can set back; a folder whose change time is the one kept still holds none.
// A run over an unchanged tree so need not read every backup folder once more only
// to look for them, which would be a tenth of its work.
//
// Kept per list under the state folder, replaced at the end of each run with the
// folders that run found clean (not written again when that is what it holds). A record that is
// missing, damaged or of another disk only means that the folder is read again.
class SweptFolders {
public:
    // The record of the list `list_file`; nothing is kept for an unnamed list ("").
    void load(const std::string& list_file);
    // Whether the folder looked at as `folder` is known to hold no temporary file.
    // True keeps it in the record.
    bool clean(const struct stat& folder);
    // The folder looked at as `folder`, after `looked_after`, holds no temporary file.
    void found_clean(const struct stat& folder, std::time_t looked_after);
    // Removes the stale temporary files from the folder open at `fd` (looked at as
    // `folder`, named `path`) unless it is known to hold none, and returns their names;
    // a folder found without any is kept as clean. Only on a disk of `steady` change
    // times (DiskTraits): on FAT, exFAT and most FUSE disks the change time is the
    // modification time, which anyone may set back, and inode numbers are new at
    // every mount, so there the folder is always read.
    std::vector<std::string> sweep(int fd, const struct stat& folder, const std::string& path,
                                   std::time_t run_started, bool steady = true);
    // Replaces the record with the folders found clean since load().
    IoResult save();

    static std::string path_for(const std::string& list_file);

private:
    struct Folder {
        unsigned long long dev = 0, ino = 0;
        bool operator==(const Folder&) const = default;
    };
    struct FolderHash {
        std::size_t operator()(const Folder& f) const {
            return std::hash<unsigned long long>()(f.ino * 0x9e3779b97f4a7c15ULL ^ f.dev);
        }
    };
    struct Seen {
        long long seconds = 0;
        long long nanoseconds = 0;
        bool kept = false; // found clean by the run under way
    };

    std::string path_;
    std::unordered_map<Folder, Seen, FolderHash> folders_;
    std::size_t loaded_ = 0; // folders the record held
    bool added_ = false;     // a folder found clean that it did not hold as it is
};

} // namespace vt
