#include "core/list/line_commands.h"

#include "core/platform/file_names.h"

#include <algorithm>
#include <cctype>

namespace vt {
namespace {

// A new line takes a default flag as set when its first letter is a "y" of either case.
bool default_flag_set(const std::string& text) {
    return !text.empty() && std::toupper(static_cast<unsigned char>(text[0])) == 'Y';
}

std::optional<std::string> unless_empty(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    return text;
}

} // namespace

const char* confirm_caption(int editor_mode) {
    switch (editor_mode) {
    case kInsertMode:
        return "OK";
    case kEditMode:
        return "Change";
    default:
        return "Add";
    }
}

namespace entry_defaults {

EntryDefaults from_values(const EntryValues& values) {
    return {values.source, values.destination, values.filter, flag_text(values.replace_existing),
            flag_text(values.sub_dirs)};
}

EntryFill restore(const EntryDefaults& defaults) {
    EntryFill fill;
    fill.source = unless_empty(defaults.source);
    fill.destination = unless_empty(defaults.destination);
    fill.filter = defaults.filter;
    fill.replace_existing = flag_set(defaults.replace_existing);
    fill.sub_dirs = flag_set(defaults.sub_dirs);
    return fill;
}

EntryDefaults cleared() {
    return {"", "", "", "No", "No"};
}

} // namespace entry_defaults

LineCommands::LineCommands(CopyList& list, Prompter& prompter, int& editor_mode, int& editor_row)
    : list_(list), prompter_(prompter), mode_(editor_mode), row_(editor_row) {
    list_.add_listener(this);
}

LineCommands::~LineCommands() {
    list_.remove_listener(this);
}

bool LineCommands::add() {
    if (locked_)
        return false;
    abandon_pending_insert();
    mode_ = kAddMode;
    row_ = 0;
    return true;
}

bool LineCommands::insert() {
    if (locked_)
        return false;
    abandon_pending_insert();
    mode_ = kInsertMode;
    const int r = list_.current_row();
    row_ = r;
    if (r == 0) {
        prompter_.ask({"Empty List", "There is no list of files to Insert a line into."});
        return false;
    }
    // Row r and the new row r + 1 hold the same line; the editor overwrites row r,
    // which stays selected.
    pending_line_ = list_.line(r);
    list_.insert_line(r + 1, pending_line_);
    pending_row_ = r;
    pending_saves_ = list_.saves();
    return true;
}

bool LineCommands::edit() {
    if (locked_)
        return false;
    abandon_pending_insert();
    mode_ = kEditMode;
    row_ = list_.current_row();
    return true;
}

void LineCommands::remove() {
    if (locked_)
        return;
    if (list_.row_count() <= 1) {
        prompter_.ask({"Empty List", "There is no list of files to delete from!"});
        return;
    }
    const int r = list_.current_row();
    remove_keeping_selection(r, r);
    list_.set_modified(true);
}

std::string LineCommands::editor_title() const {
    return (row_ != 0 ? "Editing " : "Adding to ") + names::name_part(list_.file_name());
}

EntryFill LineCommands::fill(const EntryDefaults& defaults) const {
    EntryFill fill;
    if (row_ != 0) {
        fill.source = unless_empty(list_.cell(kSourceColumn, row_));
        fill.filter = list_.cell(kSpecColumn, row_);
        fill.destination = unless_empty(list_.cell(kDestinationColumn, row_));
        fill.replace_existing = flag_set(list_.cell(kReplaceColumn, row_));
        fill.sub_dirs = flag_set(list_.cell(kSubDirsColumn, row_));
    } else {
        fill.source = unless_empty(defaults.source);
        fill.destination = unless_empty(defaults.destination);
        fill.filter = unless_empty(defaults.filter);
        fill.replace_existing = default_flag_set(defaults.replace_existing);
        fill.sub_dirs = default_flag_set(defaults.sub_dirs);
    }
    fill.title = editor_title();
    fill.confirm_caption = confirm_caption(mode_);
    return fill;
}

namespace {

// The first field of a line that holds a line break, which no list line can carry.
const char* field_with_line_break(const EntryValues& values) {
    const std::pair<const std::string*, const char*> fields[] = {
        {&values.source, "source directory"},
        {&values.filter, "file specification"},
        {&values.destination, "destination directory"}};
    for (const auto& [text, name] : fields)
        if (text->find_first_of("\r\n") != std::string::npos)
            return name;
    return nullptr;
}

} // namespace

bool LineCommands::confirm(const EntryValues& values) {
    if (locked_)
        return false;
    if (values.filter.empty()) {
        prompter_.ask(
            {"No File!", "Cannot add an entry witout a file name for filter specfication"});
    } else if (const char* field = field_with_line_break(values)) {
        // A folder name on disk may hold a line feed; written out, it would split the
        // line in two and damage the list. The user can pick another folder.
        prompter_.ask({"Line Break!", std::string("Cannot add an entry whose ") + field +
                                          " holds a line break: a list file cannot store it"});
        return false;
    } else {
        const CopyLine line = {values.source, values.filter, values.destination,
                               flag_text(values.replace_existing), flag_text(values.sub_dirs)};
        // The row follows its line; a row past the end (never expected) appends the
        // line rather than writing it where nobody sees it.
        if (row_ >= 1 && row_ <= list_.line_count()) {
            list_.set_line(row_, line);
        } else {
            list_.append_line(line);
        }
        pending_row_ = 0;
    }
    list_.set_modified(true);
    return row_ != 0;
}

void LineCommands::editor_closed() {
    row_ = 0;
    if (locked_) {
        abandon_when_unlocked_ = pending_row_ != 0;
        return;
    }
    abandon_pending_insert();
}

bool LineCommands::changes_to_save() const {
    return list_.modified() || (pending_insert_intact() && list_.saves() != pending_saves_);
}

void LineCommands::set_locked(bool locked) {
    locked_ = locked;
    if (!locked && abandon_when_unlocked_) {
        abandon_when_unlocked_ = false;
        abandon_pending_insert();
    }
}

bool LineCommands::pending_insert_intact() const {
    const int r = pending_row_;
    return r >= 1 && r + 1 <= list_.line_count() && list_.line(r) == pending_line_ &&
           list_.line(r + 1) == pending_line_;
}

void LineCommands::abandon_pending_insert() {
    const bool intact = pending_insert_intact();
    const int r = pending_row_;
    pending_row_ = 0;
    abandon_when_unlocked_ = false;
    if (!intact)
        return;
    const int current = list_.current_row();
    remove_keeping_selection(r + 1, current > r + 1 ? current - 1 : current);
    // The file holds the duplicate when the list was saved meanwhile: the list now
    // differs from it.
    if (list_.saves() != pending_saves_)
        list_.set_modified(true);
}

void LineCommands::remove_keeping_selection(int row, int selected) {
    list_.remove_line(row);
    // A view of the list may move its selection while the row goes; the selection
    // is the one the command chose.
    list_.set_current_row(std::min(selected, list_.line_count()));
}

void LineCommands::lines_reset() {
    pending_row_ = 0;
    abandon_when_unlocked_ = false;
}

void LineCommands::lines_inserted(int first_row, int count) {
    if (row_ != 0 && first_row <= row_)
        row_ += count;
    if (pending_row_ == 0)
        return;
    if (first_row <= pending_row_)
        pending_row_ += count;
    else if (first_row == pending_row_ + 1)
        pending_row_ = 0; // something came between the line and its duplicate
}

void LineCommands::lines_removed(int first_row, int count) {
    const int last_row = first_row + count - 1;
    if (row_ != 0) {
        if (last_row < row_) {
            row_ -= count;
        } else if (first_row <= row_) {
            // The editor's line is gone: what was typed becomes a new line.
            row_ = 0;
            mode_ = kAddMode;
            if (editor_target_changed)
                editor_target_changed();
        }
    }
    if (pending_row_ == 0)
        return;
    if (last_row < pending_row_)
        pending_row_ -= count;
    else if (first_row <= pending_row_ + 1)
        pending_row_ = 0; // one of the pair is gone: the list is as it was
}

} // namespace vt
