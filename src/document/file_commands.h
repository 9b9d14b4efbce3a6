#pragma once
#include "document/copy_list.h"
#include "document/file_dialog.h"
#include "platform/prompter.h"

#include <functional>
#include <string>

namespace vt {

// What the file commands need from the main window. `load_vtl` and `save_vtl`
// show their own errors and return false after one.
struct FileCommandHooks {
    std::function<bool(const std::string&)> load_vtl;
    std::function<bool(const std::string&)> save_vtl;
    std::function<void(const std::string&)> add_history_file;
    std::function<void()> update_files_history;
    // Hides the menu items that act on the current list file.
    std::function<void()> hide_current_file_items;
};

// New, Open, Save, Save As and the question about unsaved changes on closing.
class FileCommands {
public:
    FileCommands(CopyList& list, Prompter& prompter, FileDialog& open_dialog,
                 FileDialog& save_dialog, FileCommandHooks hooks);

    // Empties the list and makes it untitled; the message, the list folder and the
    // modified flag stay.
    void New1Click();
    void Open1Click();
    // True when the list was written.
    bool Save1Click();
    bool SaveAs1Click();
    // True when the window may close. Answering Yes closes it only once the
    // changes are written.
    bool FormCloseQuery();

    static std::string close_question_text(const std::string& file_name);

private:
    CopyList& list_;
    Prompter& prompter_;
    FileDialog& open_dialog_;
    FileDialog& save_dialog_;
    FileCommandHooks hooks_;
};

} // namespace vt
