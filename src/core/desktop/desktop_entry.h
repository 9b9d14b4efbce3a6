#pragma once
#include <string>
#include <string_view>

// Freedesktop desktop entries: the files that stand for programs, documents and
// file-type handlers in menus and on the desktop.
namespace vt::desktop_entry {

// A string value as the entry file must hold it: "\\", "\n", "\t", "\r" escaped, and
// a leading blank written "\s" so that it is not lost.
std::string escape_value(std::string_view text);

// One argument of an Exec line: left as it is when plain, otherwise in quotation
// marks with '"', '`', '$' and '\' escaped; '%' doubled either way. The result
// still needs escape_value() like every value of the file.
std::string exec_argument(std::string_view argument);

struct Entry {
    std::string type = "Application";
    std::string name;
    std::string generic_name;
    std::string comment;
    std::string icon;       // a theme icon's name; empty: none
    std::string exec;       // the command line, arguments already made with exec_argument()
    std::string path;       // working folder; empty: none
    std::string categories; // "Main;Additional;" list of the menus; empty: none
    std::string keywords;   // "word;word;" list; empty: none
    std::string mime_type;  // "type/subtype;" list; empty: none
    bool no_display = false;
};

// The menus an entry of the program belongs in.
inline constexpr const char* kCategories = "Utility;Archiving;";

// The complete file: "[Desktop Entry]" and the keys that are set, one per line.
std::string compose(const Entry& entry);

} // namespace vt::desktop_entry
