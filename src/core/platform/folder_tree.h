#pragma once
#include "core/platform/io_result.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// What the entry editor's folder and file pickers show of a folder.
namespace vt::folders {

// The folder and its ancestors, from the root down: "/a/b" gives "/", "/a", "/a/b".
std::vector<std::string> ancestors(std::string_view folder);

// The folder with "." and ".." parts, repeated and trailing "/" taken out; relative
// names are taken from the working folder. Symbolic links are not resolved.
std::string clean(std::string_view folder);

// The names of the subfolders of `folder` (directories and links to directories),
// ordinary ones first, then hidden ones, each group without regard to letter case.
IoResult subfolders(const std::string& folder, std::vector<std::string>& names);

// The names of the files of `folder` (regular files and links to them, hidden ones
// included) that match `mask`, in the same order.
IoResult matching_files(const std::string& folder, std::string_view mask,
                        std::vector<std::string>& names);

// Makes the new folder `name` inside `parent` and gives its path in `made`. The
// name is one folder's name: not empty, no "/", not "." or "..", blanks at its ends
// taken off (a pasted name often carries them).
IoResult make_subfolder(const std::string& parent, std::string_view name, std::string& made);

// The path shortened with "..." in place of middle parts until `width` of it is at
// most `max_width`: "/home/anna/.../Reports/2024". The first and the last part stay.
std::string shorten(const std::string& path, int max_width,
                    const std::function<int(const std::string&)>& width);

} // namespace vt::folders
