#pragma once
#include "core/run/copy_options.h"

#include <string>
#include <vector>

class QAbstractButton;
class QObject;
class QWidget;

namespace vt {

class CopyController;
class CopyList;
class DesktopServices;
class FileCommands;
class LineCommands;
class Prompter;
class SettingsCommands;
struct MainMenu;
struct MainWindowState;

// The main window as its commands and dialogs see it: the list, the seams to the
// user and the desktop, the copy options and the other commands, and no control
// beyond the few a command is about. The main window implements it.
class MainWindowContext {
public:
    // The window itself: the owner of the commands' dialogs and windows.
    virtual QWidget& widget() = 0;
    virtual CopyList& document() = 0;
    virtual Prompter& prompter() = 0;
    virtual DesktopServices& desktop() = 0;
    // The menu bar's items; each command connects itself to its own.
    virtual MainMenu& main_menu() = 0;
    virtual MainWindowState& state() = 0;

    // The copy options as the controls and the menu show them, and setting them there.
    virtual CopyOptions copy_options() const = 0;
    virtual void set_copy_options(const CopyOptions& options) = 0;

    // Reads a list file into the list; false after showing the error.
    virtual bool load_vtl(const std::string& file_name) = 0;
    // Closes the entry editor when it is open; an Insert it was not confirmed for is
    // taken back.
    virtual void close_entry_editor() = 0;

    // The settings file: reading, and writing groups of it.
    virtual SettingsCommands& settings() = 0;
    virtual FileCommands& file_commands() = 0;
    virtual LineCommands& line_commands() = 0;
    virtual CopyController& copy_controller() = 0;

    // --- What a copy run shows and holds in the window ---
    // "Copy Now": starts a run and, as "Stop Copy", stops it.
    virtual QAbstractButton& copy_button() = 0;
    // The menu items and buttons that would change the list under a run, the entry
    // editor's confirm button among them while the editor exists.
    virtual std::vector<QObject*> commands_that_change_the_list() = 0;
    // The run's progress under the list was shown or hidden: the list makes room for
    // it or takes the room back.
    virtual void run_progress_toggled() = 0;

protected:
    ~MainWindowContext() = default;
};

} // namespace vt
