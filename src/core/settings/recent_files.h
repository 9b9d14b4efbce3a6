#pragma once
#include <array>
#include <optional>
#include <string>
#include <vector>

// The recent files list: entry 0 is the current list file (empty while there is
// none), entries 1, 2, ... earlier list files, most recent first. Names are full file
// names compared exactly, letter case included. The File menu shows entries 1 to 9.
namespace vt::recent {

inline constexpr int kMenuItems = 9;

// Puts `name` in front: it replaces an empty entry 0, otherwise it is inserted
// before it. An equal name among the former entries 1 to 9 is removed; names further
// down are left alone.
void add(std::vector<std::string>& list, const std::string& name);

// Reopening the menu item with tag `tag` (1 to 9): entry `tag` is taken out and
// added in front again. Returns its name, or nothing when the list has no such entry.
std::optional<std::string> reopen(std::vector<std::string>& list, int tag);

struct MenuItem {
    bool visible = false;
    std::string caption; // "&<tag> <name>", the name shortened by the base folder
};

// The nine menu items. The base folder is the folder of entry 0; a name inside it is
// shown without it. Ampersands of a name are doubled so that they show as such.
std::array<MenuItem, kMenuItems> menu_items(const std::vector<std::string>& list);

struct ShortcutCaptions {
    std::string desktop;    // "Create Desktop Shortcut to <name>"
    std::string start_menu; // "Create Start &Menu entry to <name>"
};

// The captions of the two current-file shortcut commands, from the name part of
// entry 0; nothing when there is no current file (the items then stay as they are).
std::optional<ShortcutCaptions> shortcut_captions(const std::vector<std::string>& list);

} // namespace vt::recent
