#pragma once
#include <string>

namespace vt {

// Where the user's desktop and menu folders lie, read once when created: a folder
// moved later is not followed.
class TWindowsInfo {
public:
    TWindowsInfo(); // from the desktop's own settings (QStandardPaths)
    TWindowsInfo(std::string desktop, std::string start_menu)
        : desktop_(std::move(desktop)), start_menu_(std::move(start_menu)) {}

    // The desktop folder (~/Desktop or the folder the user chose).
    const std::string& desktop() const { return desktop_; }
    // The folder of the applications menu (~/.local/share/applications).
    const std::string& start_menu() const { return start_menu_; }

private:
    std::string desktop_;
    std::string start_menu_;
};

} // namespace vt
