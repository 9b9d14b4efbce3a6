#pragma once
#include "core/list/entry_defaults.h"

#include <string>
#include <vector>

namespace vt {

// What the main window's commands share besides the list: the values the settings
// file keeps apart from the copy options, what start-up found out, and which line the
// entry editor works on. The fields keep the names of the window's design.
struct MainWindowState {
    int editor_mode = 0; // 0 add, 1 insert, 2 edit
    int editor_row = 0;  // grid row the entry editor shows; 0 = a new line
    EntryDefaults entry_defaults;
    std::string startup_list;
    std::vector<std::string> recent_files;
    bool IntroFirst = true;
    bool IntroShow = true;
    bool FileTypeRegistered = false;
    bool HelpAvailable = false;
};

} // namespace vt
