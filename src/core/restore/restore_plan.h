#pragma once
#include "core/list/copy_list.h"

#include <string>
#include <vector>

namespace vt {

// Where a restore puts the files back, and from which state of the backup.
struct RestoreRequest {
    // Empty: every line's source folder. Else this folder, with a folder per line.
    std::string to_folder;
    // Empty: the backup as it is. Else a kept versions' stamp, or a day that names
    // exactly one of them ("2024-05-01"), for every line that kept versions then.
    std::string version;
};

// A copy list turned around: each line copies from its destination folder back to
// its source folder (or into a folder of its own under `to_folder`, keeping the
// sub-paths), with the same mask and subfolders flag. A file in the way is replaced
// only when the backup's copy is newer; one that is newer than the backup's copy is
// asked about (kept without a window), and an equal one is left as it is, whatever
// the line's replace flag says: a restore writes over the person's live files.
struct RestorePlan {
    CopyList list;         // the list to run: the original's name and message, lines turned
    std::vector<int> rows; // the original row of each line of `list`
    std::vector<std::string> notes; // lines left out, and why
    std::string error;              // the restore cannot be made (a version that names none)
    std::string started_note;       // for the journal's started entry

    bool ok() const { return error.empty(); }
};

RestorePlan plan_restore(const CopyList& list, const RestoreRequest& request);

// The folder of one line under `to_folder`: its row and the last part of its source
// folder ("3-Documents"); the row alone for a source without one ("/").
std::string restore_folder_for(const std::string& to_folder, int row, const std::string& source);

// The stamps of kept versions found in any line's destination, oldest first, each
// with the rows that keep it.
struct VersionChoice {
    std::string stamp;
    std::vector<int> rows;
};
std::vector<VersionChoice> restore_versions(const CopyList& list);

} // namespace vt
