#pragma once
#include "core/platform/file_attributes.h"
#include "core/platform/io_result.h"

#include <functional>
#include <string>
#include <sys/stat.h>

namespace vt {

// Whether the disk of the open template folder `fd` makes owners and permission bits
// up: a folder made after it then gets those the umask gives (see NewCopy).
using MadeUpModes = std::function<bool(int fd)>;

// Whether `path` exists as a folder (a symbolic link to a folder counts), however
// long the path.
bool is_folder(const std::string& path);

// Creates the one folder `new_folder` (its parent must exist) and gives it what a copy
// keeps of `template_folder` (copy_attributes: owner, extended attributes and ACLs,
// permission bits), unless `made_up` tells that the template's disk made them up. The
// owner always keeps read, write and search permission on the new folder: a read-only
// source folder must not make its backup folder impossible to fill. What could not be
// kept goes to `lost`. Paths of any length.
IoResult create_folder_from_template(const std::string& template_folder,
                                     const std::string& new_folder, AttributeLoss* lost = nullptr,
                                     const MadeUpModes& made_up = {});

// The same inside the open folder `parent` under the name `leaf`; `whole_path` names
// the new folder for the fault hook, `template_folder` is the template's path (empty:
// none, the folder gets the bits the umask leaves).
IoResult create_folder_at(int parent, const std::string& leaf, const std::string& whole_path,
                          const std::string& template_folder, AttributeLoss* lost = nullptr,
                          const MadeUpModes& made_up = {});

} // namespace vt
