#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// One spelling per file, so that every way of naming a list meets the same lock,
// the same schedule and the same record of its last run.
namespace vt::names {

// The file's path with symbolic links, "." and ".." resolved. A file that does not
// exist keeps its name under its resolved folder; a folder that does not exist
// either leaves the name made absolute.
std::string canonical_path(std::string_view name);

// A 64-bit FNV-1a hash of the text, as 16 lower-case hexadecimal digits: short file
// and unit names for long paths.
std::string path_hash(std::string_view text);

} // namespace vt::names
