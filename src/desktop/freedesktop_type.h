#pragma once
#include <optional>
#include <string>
#include <vector>

namespace vt {

inline constexpr const char* kListMimeType = "application/x-vantorel-list";

// The ".vtl" type as the freedesktop desktops know it: a shared-mime-info package
// that gives "*.vtl" its type, and a handler entry that opens that type with the
// program. Lives in the user's data folder ($XDG_DATA_HOME, ~/.local/share).
class FreedesktopType {
public:
    // `run_tools`: run update-mime-database and update-desktop-database after each
    // change, so that the desktop's caches follow at once.
    explicit FreedesktopType(std::string data_home, bool run_tools = true);

    std::string mime_package_path() const;  // <data>/mime/packages/vantorel.xml
    std::string handler_entry_path() const; // <data>/applications/vantorel.desktop

    static std::string mime_package();
    static std::string handler_entry(const std::string& program_path);

    // Writes both files (each replaced only when complete); returns the message for
    // the error box when one cannot be written.
    std::optional<std::string> install(const std::string& program_path) const;
    // Removes both files; a file that is not there is no error.
    void uninstall() const;

private:
    void refresh_caches() const;

    std::string data_home_;
    bool run_tools_;
};

// Runs a program found on PATH with the arguments, its output discarded, and waits
// for it. False when it could not be started or did not exit with status 0.
bool run_quietly(const std::vector<std::string>& argv);

} // namespace vt
