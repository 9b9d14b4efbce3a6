#pragma once
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace vt {

// Replaced versions of backup files, kept inside each line's destination folder:
//
//   <destination folder>/.vantorel-versions/<run's date and time>/<sub-path>/<name>
//
// The old file is given a second name there (a hard link) before the new copy takes
// its place, so keeping it costs no data; where the file system has no hard links it
// is moved there instead. Its bytes are never copied. The folder's name begins with
// a dot, so no run ever walks into it.
namespace kept_versions {

inline constexpr const char* kFolder = ".vantorel-versions";
// How long versions are kept when the settings say nothing; 0 keeps them for ever.
inline constexpr int kDefaultDays = 30;

// The name of a run's versions folder: its local start time, "2024-05-01_143005"
// (no colons: FAT and exFAT disks refuse them).
std::string stamp_for(std::time_t when);
// The time a stamp stands for; false for a name that is no stamp.
bool parse_stamp(std::string_view name, std::time_t& when);

// Whether a folder walk may enter a subfolder of this name: never the versions
// folder, whatever the setting about hidden folders says.
bool walks_into(std::string_view name);

// The versions folder of a line's destination, and the folder of one run's versions.
std::string folder_of(const std::string& destination);
std::string run_folder(const std::string& destination, const std::string& stamp);

// The stamps of the runs whose versions a line's destination keeps, oldest first.
std::vector<std::string> stamps(const std::string& destination);

// The stamps that `wanted` names: itself when it is a stamp there, else every
// stamp that begins with it (a day, "2024-05-01"). Oldest first.
std::vector<std::string> matching(const std::vector<std::string>& stamps,
                                  const std::string& wanted);

// What a prune removed: kept files, and the runs' folders emptied by it.
struct Pruned {
    int files = 0;
    int folders = 0;
    int error = 0; // errno of the first thing that could not be removed
};

// Removes the versions of runs older than `days` days before `now` from the
// versions folder of `destination`; nothing else, and nothing when `days` is 0.
// Folders there whose names are no stamps are left alone. An emptied versions folder
// is removed too.
Pruned prune(const std::string& destination, int days, std::time_t now);

} // namespace kept_versions

// Keeps the files a run replaces, for one run (one stamp).
class KeptVersions {
public:
    explicit KeptVersions(std::string stamp) : stamp_(std::move(stamp)) {}
    ~KeptVersions();
    KeptVersions(const KeptVersions&) = delete;
    KeptVersions& operator=(const KeptVersions&) = delete;

    const std::string& stamp() const { return stamp_; }

    // Keeps the file `name` of the folder `folder_fd`, which is the line's
    // `destination` followed by `sub_path`, as its version of this run: a hard link
    // where the file system allows, else the file is moved (then `moved` is set, and
    // the name is free). 0, or the errno of what failed (the file is then untouched).
    // A version of the name this run kept already is left as it is.
    int keep(int folder_fd, const std::string& destination, const std::string& sub_path,
             const std::string& name, bool& moved);

    // Gives a file that keep() moved its name back (the copy that was to take its
    // place could not).
    void put_back(int folder_fd, const std::string& destination, const std::string& sub_path,
                  const std::string& name);

    // Files kept so far, linked and moved.
    int linked() const { return linked_; }
    int moved() const { return moved_; }

private:
    // The folder for `sub_path`'s versions, made where missing; -1 with errno set.
    int open_folder(const std::string& destination, const std::string& sub_path);

    std::string stamp_;
    std::string open_key_; // destination + '\0' + sub-path of `open_fd_`
    int open_fd_ = -1;
    int linked_ = 0;
    int moved_ = 0;
};

} // namespace vt
