#pragma once
#include "core/platform/io_result.h"

#include <string>
#include <vector>

// The per-user base folders of the XDG base directory rules.
namespace vt::xdg {

// $XDG_CONFIG_HOME, or ~/.config when it is unset, empty or not absolute.
std::string config_home();
// $XDG_DATA_HOME, or ~/.local/share likewise.
std::string data_home();
// The system's data folders, most important first: the absolute entries of
// $XDG_DATA_DIRS, or /usr/local/share and /usr/share when it names none.
std::vector<std::string> data_dirs();
// $XDG_STATE_HOME, or ~/.local/state likewise.
std::string state_home();
// $XDG_RUNTIME_DIR; when unset, /run/user/<uid> if that is the user's own folder (a
// login without the variable must still meet the same locks as the desktop); else
// empty.
std::string runtime_dir();

// Creates the folder and every missing folder above it (mode 0700 for new ones,
// as the base directory rules ask for).
IoResult make_folders(const std::string& path);

} // namespace vt::xdg
