#pragma once

namespace vt {

// The copy options of the main window: "Verify Each File", "Create Journal File"
// and the selected journal option (0 append, 1 create new, -1 none selected).
struct CopyOptions {
    bool verify_each_file = true;
    bool create_journal = true;
    int journal_append_index = 0;

    bool operator==(const CopyOptions&) const = default;
};

} // namespace vt
