#pragma once
#include <string>

// The list file loaded when the program starts.
namespace vt {

// The list to load at start: the one named on the command line (already resolved),
// else the startup list when that names an existing file, else none (empty). A
// startup list that has gone is passed over without a word.
std::string initial_list_name(const std::string& command_line_list,
                              const std::string& startup_list);

// The startup list name recorded for the current list file: its full name, or empty
// for an untitled list.
std::string startup_list_for(const std::string& current_file_name);

} // namespace vt
