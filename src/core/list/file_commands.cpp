#include "core/list/file_commands.h"

#include "core/platform/file_names.h"

#include <sys/stat.h>
#include <utility>

namespace vt {
namespace {

constexpr const char* kListMask = "*.vtl";

bool same_file(const std::string& a, const std::string& b) {
    if (a == b)
        return true;
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

} // namespace

FileCommands::FileCommands(CopyList& list, Prompter& prompter, FileDialog& open_dialog,
                           FileDialog& save_dialog, FileCommandHooks hooks)
    : list_(list), prompter_(prompter), open_dialog_(open_dialog), save_dialog_(save_dialog),
      hooks_(std::move(hooks)) {
    // Lists are what is saved, so lists are what the dialog shows: a mask of another
    // type would hide the very files a new name could clash with.
    save_dialog_.file_name = kListMask;
    save_dialog_.filter = kListMask;
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
    save_dialog_.file_name = list_.file_name().empty() ? kListMask : list_.file_name();
    save_dialog_.filter = kListMask;
    std::string name;
    for (;;) {
        if (!save_dialog_.execute())
            return false;
        name = list_name_for(save_dialog_.file_name);
        if (!replaces_another_file(name) ||
            prompter_.ask(replace_question(names::name_part(name))) == Answer::Yes)
            break;
        // No: back to the dialog with the name, to be changed.
        save_dialog_.file_name = name;
    }
    if (!hooks_.save_vtl(name))
        return false;
    hooks_.add_history_file(name);
    return true;
}

std::string FileCommands::list_name_for(const std::string& chosen) {
    const std::string leaf = names::name_part(chosen);
    if (leaf.empty())
        return chosen;
    const size_t dot = leaf.rfind('.');
    // A leading dot only hides a file; it starts no extension.
    if (dot == std::string::npos || dot == 0)
        return chosen + ".vtl";
    if (dot + 1 == leaf.size()) // "Weekly." ends where an extension would begin
        return chosen + "vtl";
    return chosen;
}

Prompt FileCommands::replace_question(const std::string& file_name) {
    Prompt question;
    question.title = "Confirm";
    question.text = file_name + " already exists. Do you want to replace it?";
    question.buttons = Buttons::YesNo;
    // Replacing loses the other file: only a deliberate Yes does it.
    question.default_button = Answer::No;
    question.icon = Icon::Warning;
    question.escape_answer = Answer::No;
    return question;
}

bool FileCommands::replaces_another_file(const std::string& name) const {
    struct stat st {};
    if (::lstat(name.c_str(), &st) != 0)
        return false; // not there, or not to be looked at: saving says why
    return list_.file_name().empty() || !same_file(name, list_.file_name());
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
