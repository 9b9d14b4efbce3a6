#pragma once
#include <string>

namespace vt {

// The list file name to load for a command-line argument: made absolute against the
// working folder, and spelled as stored on disk when exactly one name in its folder
// matches it regardless of letter case.
std::string resolve_list_argument(const std::string& argument);

} // namespace vt
