#include "document/file_commands.h"

#include <utility>

namespace vt {

FileCommands::FileCommands(CopyList& list, Prompter& prompter, FileDialog& open_dialog,
                           FileDialog& save_dialog, FileCommandHooks hooks)
    : list_(list), prompter_(prompter), open_dialog_(open_dialog), save_dialog_(save_dialog),
      hooks_(std::move(hooks)) {
    save_dialog_.file_name = "*.vtj";
    save_dialog_.filter = "*.vtj";
}

void FileCommands::New1Click() {
    list_.replace_lines({});
    list_.set_untitled();
    if (hooks_.hide_current_file_items)
        hooks_.hide_current_file_items();
}

void FileCommands::Open1Click() {
    if (!list_.list_folder().empty())
        open_dialog_.initial_dir = list_.list_folder();
    open_dialog_.file_name = "*.vtl";
    if (!list_.file_name().empty())
        open_dialog_.filter = "*.vtl";
    if (!open_dialog_.execute())
        return;
    const std::string name = open_dialog_.file_name;
    if (!hooks_.load_vtl(name))
        return;
    hooks_.add_history_file(name);
    hooks_.update_files_history();
}

bool FileCommands::Save1Click() {
    if (list_.file_name().empty())
        return SaveAs1Click();
    return hooks_.save_vtl(list_.file_name());
}

bool FileCommands::SaveAs1Click() {
    if (!list_.list_folder().empty())
        save_dialog_.initial_dir = list_.list_folder();
    if (!list_.file_name().empty()) {
        save_dialog_.file_name = list_.file_name();
        save_dialog_.filter = "*.vtl";
    } else {
        save_dialog_.file_name = "*.vtl";
    }
    if (!save_dialog_.execute())
        return false;
    const std::string name = save_dialog_.file_name;
    if (!hooks_.save_vtl(name))
        return false;
    hooks_.add_history_file(name);
    return true;
}

std::string FileCommands::close_question_text(const std::string& file_name) {
    return "You have made changes to " + (file_name.empty() ? "[untitled]" : file_name) +
           "\r\nSave these changes?";
}

bool FileCommands::FormCloseQuery() {
    if (!list_.modified())
        return true;
    Prompt question;
    question.title = "Confirm";
    question.text = close_question_text(list_.file_name());
    question.buttons = Buttons::YesNoCancel;
    question.default_button = Answer::Yes;
    question.icon = Icon::Question;
    question.escape_answer = Answer::Cancel;
    switch (prompter_.ask(question)) {
    case Answer::Yes:
        // The window closes only when the changes are safe; a cancelled dialog or a
        // failed write leaves it open with them.
        return Save1Click();
    case Answer::No:
        return true;
    default:
        return false;
    }
}

} // namespace vt
