#pragma once
#include <string>

namespace vt {

// Writes shortcuts as freedesktop desktop entries (the ".desktop" files that menus
// and desktops show). A program shortcut starts the program; a shortcut to any other
// file opens it with the program associated with its type.
class TShortcutFile {
public:
    // Writes the shortcut to `target` with the extra `arguments` (a command-line
    // tail, used as given) into `link_file_name`, appending ".desktop" unless the name
    // already ends so (any letter case). The working folder is the folder of the
    // target. An existing file of that name is replaced; the new file is made
    // executable, as desktops ask before they start an entry. `categories` place an
    // entry of the applications menu in its menus. Returns 0 when the file was
    // written, otherwise the system's error code.
    int CreateShortcut(const std::string& target, const std::string& arguments,
                       std::string& link_file_name, const std::string& categories = {});

    // The entry written for a target, shown under `name` with the program's icon or
    // the list files' icon.
    static std::string entry_for(const std::string& target, const std::string& arguments,
                                 const std::string& name, const std::string& categories = {});
    // True for a target the shortcut starts rather than opens: an executable regular
    // file that is not a list file.
    static bool is_program(const std::string& target);
};

// The shortcut commands: the names they give and the shortcuts they write. Every
// failure is silent; a missing folder or list file leaves no shortcut.
namespace shortcuts {

// A shortcut in the applications menu is sorted into the program's menus.
enum class Place { Desktop, Menu };

// <folder>/Vantorel.desktop
std::string program_link_name(const std::string& folder);
// <folder>/<list file's name with extension, at most 255 characters>.desktop
std::string list_link_name(const std::string& folder, const std::string& list_file);

void create_program_shortcut(TShortcutFile& writer, const std::string& folder,
                             const std::string& program_path, Place place);
// A list whose shortcut would take the name of the program's own entry
// (<app id>.desktop) gets none: it would replace the file-type association.
void create_list_shortcut(TShortcutFile& writer, const std::string& folder,
                          const std::string& list_file, Place place);

} // namespace shortcuts
} // namespace vt
