#pragma once
#include <string>

namespace vt {

// The folder the snapshot commands write into, ending with "/": the program's folder
// (a build folder) when its owner may write it, else the user's pictures folder,
// created when it is missing (an installed program's folder, /usr/bin, is not the
// user's). When neither can be written the pictures folder is given all the same, so
// that the failure names the file the user would look for.
std::string snapshot_folder(const std::string& program_folder, const std::string& pictures_folder);

// A folder that this process may write into and whose owner's write bit is set: the
// program's folder as root sees it is only the program's when it says so.
bool owner_may_write(const std::string& folder);

} // namespace vt
