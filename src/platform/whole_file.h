#pragma once
#include "platform/io_result.h"

#include <string>

namespace vt {

// Reads a whole file into `content` (through vt::sys, so tests can make it fail).
// A folder fails with EISDIR; `error_code` tells a missing file (ENOENT) apart.
IoResult read_whole_file(const std::string& path, std::string& content);

} // namespace vt
