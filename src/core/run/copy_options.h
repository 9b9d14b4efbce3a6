#pragma once

namespace vt {

// The copy options of the main window: "Verify Each File", "Create Journal File",
// the selected journal option (0 append, 1 create new, -1 none selected),
// "Compare Each Copy" (every copy read back and compared with its source), and
// "Keep Replaced Versions" with the days its versions are kept (0: for ever), and
// "Copy Hidden Folders" (subfolders whose names begin with "." are entered).
struct CopyOptions {
    bool verify_each_file = true;
    bool create_journal = true;
    int journal_append_index = 0;
    bool compare_each_copy = false;
    bool keep_versions = false;
    int versions_days = 30;
    bool copy_hidden_folders = true;

    bool operator==(const CopyOptions&) const = default;
};

} // namespace vt
