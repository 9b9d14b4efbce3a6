#pragma once
#include "core/list/copy_list.h"
#include "core/list/entry_defaults.h"
#include "core/platform/prompter.h"

#include <functional>
#include <optional>
#include <string>

namespace vt {

// Editor modes; they choose the caption of the entry editor's confirm button.
enum EditorMode : int { kAddMode = 0, kInsertMode = 1, kEditMode = 2 };

// The caption of the entry editor's confirm button for an editor mode.
const char* confirm_caption(int editor_mode);

// One line as the entry editor's controls hold it.
struct EntryValues {
    std::string source;
    std::string filter;
    std::string destination;
    bool replace_existing = true;
    bool sub_dirs = true;

    bool operator==(const EntryValues&) const = default;
};

// What filling the entry editor does to its controls. A folder or filter that is
// not given leaves its control as it is.
struct EntryFill {
    std::optional<std::string> source;
    std::optional<std::string> destination;
    std::optional<std::string> filter;
    bool replace_existing = false;
    bool sub_dirs = false;
    std::string confirm_caption; // "Add", "OK" or "Change"
    std::string title;           // "Adding to " / "Editing " + name of the list file

    bool operator==(const EntryFill&) const = default;
};

// The rules of the entry editor's "Defaults" menu.
namespace entry_defaults {
// "Save current values as Startup defaults".
EntryDefaults from_values(const EntryValues& values);
// "Restore Defaults": flags only for the exact text "Yes"; the filter is set even
// when empty; empty folders leave their controls alone.
EntryFill restore(const EntryDefaults& defaults);
// "Clear Current Defaults".
EntryDefaults cleared();
} // namespace entry_defaults

// The four line commands of the main window and the list side of the entry editor:
// which row the editor works on, what it shows, and writing its line back.
//
// The editor mode and row are the main window's values; this class keeps them
// consistent with the list: the row follows its line through every insertion and
// deletion, and when the line itself goes the editor turns into adding a new line.
// An Insert makes room by duplicating the selected line; that duplicate is tracked
// until the editor confirms, so that an Insert abandoned without OK leaves the list
// as it was.
//
// While a copy run reads the list, the commands are locked: nothing adds, changes or
// removes a line, and an Insert abandoned meanwhile is taken back when the run ends.
class LineCommands final : private CopyListListener {
public:
    LineCommands(CopyList& list, Prompter& prompter, int& editor_mode, int& editor_row);
    ~LineCommands() override;
    LineCommands(const LineCommands&) = delete;
    LineCommands& operator=(const LineCommands&) = delete;

    // Each returns true when the entry editor is to be opened (never while locked).
    bool add();
    bool insert();
    bool edit();
    // Deletes the current line; "Empty List" when there is none.
    void remove();

    // What the entry editor shows for the current editor mode and row.
    EntryFill fill(const EntryDefaults& defaults) const;
    // The editor's title: "Editing " or "Adding to " and the list file's name part.
    std::string editor_title() const;

    // The editor's confirm button. Writes the line (or refuses it with "No File!",
    // which sets the modified flag, or with "Line Break!" for a field no list line can
    // hold, which leaves the editor open) and returns true when the editor is to close.
    // While locked it does nothing and returns false.
    bool confirm(const EntryValues& values);

    // The editor window has closed: an unconfirmed Insert is taken back (after the
    // run, while locked) and the editor row becomes 0.
    void editor_closed();

    // The row of the line an unconfirmed Insert duplicated (0 when none).
    int pending_insert_row() const { return pending_row_; }

    // Whether the list differs from its file once an open editor is closed: the
    // modified flag, or an unconfirmed Insert whose duplicate has since been saved.
    bool changes_to_save() const;

    // Locks the list for a copy run; unlocking takes back an Insert abandoned meanwhile.
    void set_locked(bool locked);
    bool locked() const { return locked_; }

    // Called when the editor's line was deleted and the editor now adds a new line,
    // so that the window can show its new title and button.
    std::function<void()> editor_target_changed;

private:
    bool pending_insert_intact() const;
    void abandon_pending_insert();
    // Removes a row, then makes `selected` (or the new last row) the current row.
    void remove_keeping_selection(int row, int selected);

    void lines_reset() override;
    void lines_inserted(int first_row, int count) override;
    void lines_removed(int first_row, int count) override;

    CopyList& list_;
    Prompter& prompter_;
    int& mode_;
    int& row_;
    int pending_row_ = 0; // rows pending_row_ and pending_row_ + 1 hold the same line
    CopyLine pending_line_;
    int pending_saves_ = 0; // the list's count of writes when the Insert was made
    bool abandon_when_unlocked_ = false;
    bool locked_ = false;
};

} // namespace vt
