#pragma once
#include <string>
#include <vector>

namespace vt {

// The copy options of the main window: "Verify Each File", "Create Journal File"
// and the selected journal option (0 append, 1 create new, -1 none selected).
struct CopyOptions {
    bool verify_each_file = true;
    bool create_journal = true;
    int journal_append_index = 0;

    bool operator==(const CopyOptions&) const = default;
};

// The texts a new line starts with in the entry editor.
struct EntryDefaults {
    std::string source;
    std::string destination;
    std::string filter = "*.*";
    std::string replace_existing = "No";
    std::string sub_dirs = "No";

    bool operator==(const EntryDefaults&) const = default;
};

} // namespace vt
