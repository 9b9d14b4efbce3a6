#pragma once
#include <string>
#include <string_view>

// File-name parts on a platform whose only separator is "/".
namespace vt::names {

// Text up to and including the last "/", empty when there is none.
std::string folder_part(std::string_view name);
// Text after the last "/" (the whole text when there is none).
std::string name_part(std::string_view name);
// From the last "." to the end, provided no "/" follows it; otherwise empty.
std::string extension(std::string_view name);
// The name without the extension above.
std::string without_extension(std::string_view name);

// The running program's full path (/proc/self/exe), and its folder with a trailing "/".
std::string program_path();
std::string program_folder();

// The name made absolute against the working folder, without "." and ".." parts and
// doubled slashes. Symbolic links stay as named; only one followed by ".." is
// resolved, since ".." leads up from the link's target.
std::string absolute(std::string_view name);

} // namespace vt::names
