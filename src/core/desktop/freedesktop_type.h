#pragma once
#include <optional>
#include <string>
#include <vector>

namespace vt {

inline constexpr const char* kListMimeType = "application/x-vantorel-list";
// The theme icon of list files, named after their type as the desktops expect.
inline constexpr const char* kListIcon = "application-x-vantorel-list";

// The ".vtl" type as the freedesktop desktops know it: a shared-mime-info package
// that gives "*.vtl" its type, and a handler entry that opens that type with the
// program. Lives in the user's data folder ($XDG_DATA_HOME, ~/.local/share).
class FreedesktopType {
public:
    // `run_tools`: run update-mime-database and update-desktop-database after each
    // change, so that the desktop's caches follow at once. `data_dirs`: the system's
    // data folders, where an installed copy of the program keeps its menu entry
    // (by default those of $XDG_DATA_DIRS).
    explicit FreedesktopType(std::string data_home, bool run_tools = true);
    FreedesktopType(std::string data_home, bool run_tools, std::vector<std::string> data_dirs);

    std::string mime_package_path() const;  // <data>/mime/packages/vantorel.xml
    std::string handler_entry_path() const; // <data>/applications/<app id>.desktop
    // Where earlier versions wrote the handler entry: <data>/applications/vantorel.desktop,
    // a name a list shortcut can have too.
    std::string old_handler_entry_path() const;

    static std::string mime_package();
    // The program's entry, with this copy of the program in its Exec line. It has the
    // name of an installed copy's menu entry and so takes its place in the menus:
    // `in_menu` false keeps it out of them (nothing installed to stand in for).
    static std::string handler_entry(const std::string& program_path, bool in_menu);
    // True for a handler entry that an earlier version wrote, as opposed to a list
    // shortcut or anything else the user keeps under the same name.
    static bool is_old_handler_entry(const std::string& content);

    // Whether an installed copy has its menu entry in one of the system's data folders.
    bool menu_entry_installed() const;

    // Writes both files (each replaced only when complete) and removes an earlier
    // version's handler entry; returns the message for the error box when a file
    // cannot be written.
    std::optional<std::string> install(const std::string& program_path) const;
    // Removes both files and an earlier version's handler entry; a file that is not
    // there is no error.
    void uninstall() const;

private:
    void remove_old_handler_entry() const;
    void refresh_caches() const;

    std::string data_home_;
    bool run_tools_;
    std::vector<std::string> data_dirs_;
};

// Runs a program found on PATH with the arguments, its output discarded, and waits
// for it. False when it could not be started or did not exit with status 0.
bool run_quietly(const std::vector<std::string>& argv);

} // namespace vt
