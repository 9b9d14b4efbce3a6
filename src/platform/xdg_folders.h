#pragma once
#include "platform/io_result.h"

#include <string>

// The per-user base folders of the XDG base directory rules.
namespace vt::xdg {

// $XDG_CONFIG_HOME, or ~/.config when it is unset, empty or not absolute.
std::string config_home();
// $XDG_DATA_HOME, or ~/.local/share likewise.
std::string data_home();

// Creates the folder and every missing folder above it (mode 0700 for new ones,
// as the base directory rules ask for).
IoResult make_folders(const std::string& path);

} // namespace vt::xdg
