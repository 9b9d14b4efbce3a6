#pragma once
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace vt {

// Two entries of one source folder whose names a disk that ignores case takes for one
// ("README" and "Readme"): only one of them can be in the backup. Were both written,
// the second would silently become the first's copy, and each run would swap them.
// The one whose name sorts first by its bytes is the one copied, whatever order the
// folder lists them in, so that every run, the check and the preview agree; each
// other one is a failure.
struct NameClash {
    std::string name;    // not copied
    std::string winner;  // the entry copied in its place
    bool folder = false; // `name` is a folder: nothing in it is copied
};

// What of a folder a walk writes to its destination, and so what may clash there: the
// files the mask selects, and with `subfolders` the subfolders it enters.
struct ClashRule {
    std::string mask;
    bool subfolders = false;
    bool hidden_folders = true;
    const struct stat* destination = nullptr; // the line's backup folder, never entered
};

// The clashes among `entries` (name and readdir type) of the folder open at `dirfd`,
// in the order of the names not copied. Only names that fold to one are looked at.
std::vector<NameClash> name_clashes(int dirfd,
                                    std::vector<std::pair<std::string, unsigned char>> entries,
                                    const ClashRule& rule);

// The failure's text for the journal and the preview; `folder`: the source folder that
// holds the entry.
std::string clash_text(const std::string& folder, const NameClash& clash);

} // namespace vt
