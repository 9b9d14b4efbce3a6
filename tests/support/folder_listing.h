#pragma once
#include <string>
#include <vector>

namespace vt::test {

// The names in a folder, sorted; none when it cannot be read.
std::vector<std::string> names_in(const std::string& folder);
// Every entry under a folder, at any depth, as a path relative to it, sorted.
std::vector<std::string> paths_under(const std::string& folder);

} // namespace vt::test
