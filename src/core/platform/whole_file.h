#pragma once
#include "core/platform/io_result.h"

#include <string>

namespace vt {

// Reads a whole file into `content` (through vt::sys, so tests can make it fail).
// Only a regular file is read: a folder fails with EISDIR, and a FIFO, socket or
// device with EACCES before a byte is read, since reading one could block the
// program or never end. `error_code` tells a missing file (ENOENT) apart.
IoResult read_whole_file(const std::string& path, std::string& content);

} // namespace vt
