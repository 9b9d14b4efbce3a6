#pragma once
#include <string>
#include <string_view>

namespace vt {

// The name a disk that ignores case takes `name` (UTF-8) for: two names with the same
// folded form are one name there. Letters are compared by their capitals, as FAT,
// exFAT and NTFS compare names through their tables of capitals and Windows shares
// do, with Unicode's simple (one letter for one) mapping, so that "Straße" and
// "STRASSE" stay apart as they do there. Bytes that are not UTF-8 stay as they are and
// never fold together with a letter.
std::string fold_name(std::string_view name);

} // namespace vt
