#pragma once
#include <string_view>

namespace vt {

// Whether a file name matches a search mask: "*" stands for any run of characters,
// "?" for exactly one; letters are compared without regard to case (ASCII). The
// mask "*.*" matches every name, with or without a dot, as users of the old
// desktop expect.
bool mask_matches(std::string_view mask, std::string_view name);

} // namespace vt
