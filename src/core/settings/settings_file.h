#pragma once
#include "core/list/entry_defaults.h"
#include "core/platform/io_result.h"
#include "core/run/copy_options.h"

#include <string>
#include <vector>

namespace vt {

// What the settings file "Vantorel.ini" keeps between runs.
struct Settings {
    CopyOptions options;
    EntryDefaults defaults;
    bool intro_show = true;
    bool intro_first = true;
    // The recent files list as held in memory: entry 0 is the current list (empty
    // when none), then earlier lists, most recent first.
    std::vector<std::string> recent_files{std::string()};
    std::string startup_list; // empty: no startup list

    bool operator==(const Settings&) const = default;
};

// The groups of keys a write covers, as bit flags that can be combined.
inline constexpr unsigned kSettingsOptions = 1;
inline constexpr unsigned kSettingsDefaults = 2;
inline constexpr unsigned kSettingsAutoload = 4;
inline constexpr unsigned kSettingsHistoryFiles = 8;
inline constexpr unsigned kSettingsIntroduction = 16;

// The error text of a settings file that cannot be written.
inline constexpr const char* kSettingsWriteError = "Unable to write to Vantorel.ini";

// $XDG_CONFIG_HOME/Vantorel/Vantorel.ini, or ~/.config/Vantorel/Vantorel.ini when
// XDG_CONFIG_HOME is unset, empty or not an absolute path.
std::string settings_file_path();

// Reads every key; a missing or unreadable file, section or key gives its default.
// The recent files list gets an empty entry 0, then the non-empty values of File0
// to File9 in that order.
Settings read_settings(const std::string& path);

// Writes exactly the keys of the given groups, in the order Options, Defaults,
// Introduction, Autoload, HistoryFiles, keeping everything else of the file. The
// HistoryFiles section is rewritten as a whole with every entry of the list. The
// file is replaced in one step: either the whole call is written or nothing of it.
// A failure gives kSettingsWriteError as the error text.
IoResult write_settings(const std::string& path, const Settings& settings, unsigned groups);

// The copy options the program starts with, from the user's settings file. This is
// what a run without a window should copy with.
CopyOptions startup_copy_options();

} // namespace vt
