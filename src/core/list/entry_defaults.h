#pragma once
#include <string>

namespace vt {

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
