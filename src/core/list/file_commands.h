#pragma once
#include "core/list/copy_list.h"
#include "core/list/file_dialog.h"
#include "core/platform/prompter.h"

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
    // Closes the entry editor, taking back an Insert it was not confirmed for.
    std::function<void()> close_editor;
    // Whether the list differs from its file once the editor is closed; without it,
    // the modified flag.
    std::function<bool()> changes_to_save;
};

// New, Open, Save, Save As and the question about unsaved changes. Every command
// that leaves the current list (New, Open, reopening a recent file, ending the
// program) asks it first, so that no change is dropped without a word.
class FileCommands {
public:
    FileCommands(CopyList& list, Prompter& prompter, FileDialog& open_dialog,
                 FileDialog& save_dialog, FileCommandHooks hooks);

    // After the close question: empties the list and makes it untitled; the message,
    // the list folder and the modified flag stay.
    void New1Click();
    // After the close question: the open dialog, then the chosen list.
    void Open1Click();
    // True when the list was written.
    bool Save1Click();
    bool SaveAs1Click();
    // The close question, asked when the list has changes to save: true when the
    // command may go on and leave the list. Yes saves (Save As for an untitled list)
    // and goes on only once the list is written; No goes on; Cancel (or closing the
    // box) stops the command and changes nothing, the entry editor included. Going
    // on closes the entry editor.
    bool confirm_discard();
    // True when the window may close: the close question.
    bool FormCloseQuery() { return confirm_discard(); }

    static std::string close_question_text(const std::string& file_name);
    // The name a list is saved under: a name typed without an extension gets ".vtl",
    // so that the desktop knows the file as a list and the journal, named after the
    // list less its extension, never takes the list's own name.
    static std::string list_name_for(const std::string& chosen);
    // The question before Save As replaces another file.
    static Prompt replace_question(const std::string& file_name);

private:
    void close_editor();
    // Whether `name` is another file than the current list's, already there.
    bool replaces_another_file(const std::string& name) const;

    CopyList& list_;
    Prompter& prompter_;
    FileDialog& open_dialog_;
    FileDialog& save_dialog_;
    FileCommandHooks hooks_;
};

} // namespace vt
