#pragma once
#include "platform/io_result.h"

#include <string>

namespace vt {

// Whether `path` exists as a folder (a symbolic link to a folder counts).
bool is_folder(const std::string& path);

// Creates the one folder `new_folder` (its parent must exist) and gives it the
// permission bits of `template_folder`. The owner always keeps read, write and
// search permission on the new folder: a read-only source folder must not make its
// backup folder impossible to fill.
IoResult create_folder_from_template(const std::string& template_folder,
                                     const std::string& new_folder);

} // namespace vt
