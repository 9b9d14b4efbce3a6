#include "gui/list/scripted_file_dialog.h"

#include <gtest/gtest.h>

namespace vt::test {

bool ScriptedFileDialog::execute() {
    shown.push_back({initial_dir, file_name, filter});
    if (script_.empty()) {
        ADD_FAILURE() << "unexpected file dialog showing \"" << file_name << "\"";
        return false;
    }
    const std::optional<std::string> choice = script_.front();
    script_.pop_front();
    if (!choice)
        return false;
    file_name = *choice;
    return true;
}

} // namespace vt::test
