#pragma once
#include "core/platform/io_result.h"

#include <string>
#include <sys/stat.h>

namespace vt {

// Whether `path` exists as a folder (a symbolic link to a folder counts), however
// long the path.
bool is_folder(const std::string& path);

// Creates the one folder `new_folder` (its parent must exist) and gives it the
// permission bits of `template_folder`. The owner always keeps read, write and
// search permission on the new folder: a read-only source folder must not make its
// backup folder impossible to fill. Paths of any length.
IoResult create_folder_from_template(const std::string& template_folder,
                                     const std::string& new_folder);

// The same inside the open folder `parent` under the name `leaf`; `whole_path` names
// the new folder for the fault hook, `template_st` is the template's (or nullptr).
IoResult create_folder_at(int parent, const std::string& leaf, const std::string& whole_path,
                          const struct stat* template_st);

} // namespace vt
