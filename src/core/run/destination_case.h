#pragma once
#include <string>
#include <unordered_map>

namespace vt {

class DiskCatalog;

// Whether the destination folders of one line take names that differ only in case
// for one: asked of each folder's disk (probed, not guessed from its type) and of the
// folder's own casefolding. A folder the run has still to make would be made on the
// disk of its parent, and would inherit its parent's casefolding: it is answered for
// by its nearest existing ancestor. Each folder is asked once a line.
class DestinationCase {
public:
    DestinationCase(DiskCatalog& disks, std::string destination)
        : disks_(disks), destination_(std::move(destination)) {}

    // `sub_path`: "" for the line's own folder, else "/a/b".
    bool ignores_case(const std::string& sub_path);

private:
    // The answer of the folder at `path`; false when it cannot be opened (`found`).
    bool of_folder(const std::string& path, bool& found);

    DiskCatalog& disks_;
    const std::string destination_;
    struct Known {
        bool ignores = false;
        bool found = false; // the folder is there: a missing one's subfolders are too
    };
    std::unordered_map<std::string, Known> known_; // by sub-path
};

} // namespace vt
