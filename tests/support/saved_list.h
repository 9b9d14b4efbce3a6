#pragma once
#include "core/list/copy_list.h"

#include <string>
#include <vector>

namespace vt::test {

// Writes a list file of these lines and message at `path`, through the program's own
// writer, creating its folder; returns `path`. A failure fails the test with the
// system's text.
std::string save_list(const std::string& path, const std::vector<CopyLine>& lines,
                      const std::string& message = "");

} // namespace vt::test
