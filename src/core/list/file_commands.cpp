#include "core/list/file_commands.h"

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
    if (!confirm_discard())
        return;
    list_.replace_lines({});
    list_.set_untitled();
    if (hooks_.hide_current_file_items)
        hooks_.hide_current_file_items();
}

void FileCommands::Open1Click() {
    if (!confirm_discard())
        return;
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

void FileCommands::close_editor() {
    if (hooks_.close_editor)
        hooks_.close_editor();
}

bool FileCommands::confirm_discard() {
    const bool changed = hooks_.changes_to_save ? hooks_.changes_to_save() : list_.modified();
    if (!changed) {
        close_editor();
        return true;
    }
    Prompt question;
    question.title = "Confirm";
    question.text = close_question_text(list_.file_name());
    question.buttons = Buttons::YesNoCancel;
    question.default_button = Answer::Yes;
    question.icon = Icon::Question;
    question.escape_answer = Answer::Cancel;
    const Answer answer = prompter_.ask(question);
    if (answer != Answer::Yes && answer != Answer::No)
        return false;
    // The editor goes first: an Insert it was not confirmed for is taken back, so
    // that a save writes the list without its duplicate line.
    close_editor();
    // A cancelled dialog or a failed write stops the command with the changes kept.
    return answer == Answer::No || Save1Click();
}

} // namespace vt
