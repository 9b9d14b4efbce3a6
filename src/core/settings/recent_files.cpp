#include "core/settings/recent_files.h"

#include "core/platform/file_names.h"

#include <algorithm>

namespace vt::recent {
namespace {

// A menu shows "&" as the mark of its access key; "&&" shows one ampersand.
std::string menu_text(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c;
        if (c == '&')
            out += '&';
    }
    return out;
}

} // namespace

void add(std::vector<std::string>& list, const std::string& name) {
    if (list.empty())
        list.push_back(name);
    else if (list.front().empty())
        list.front() = name;
    else
        list.insert(list.begin(), name);

    // Every copy among the former places 1 to 9 goes (a list read back from an edited
    // settings file may hold a name twice); going from the back keeps the places still
    // to be looked at where they were.
    const std::size_t last = std::min<std::size_t>(kMenuItems, list.size() - 1);
    for (std::size_t i = last; i >= 1; --i)
        if (list[i] == name)
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
}

std::optional<std::string> reopen(std::vector<std::string>& list, int tag) {
    if (tag < 1 || static_cast<std::size_t>(tag) >= list.size())
        return std::nullopt;
    std::string name = list[static_cast<std::size_t>(tag)];
    list.erase(list.begin() + tag);
    add(list, name);
    return name;
}

std::array<MenuItem, kMenuItems> menu_items(const std::vector<std::string>& list) {
    std::array<MenuItem, kMenuItems> items;
    const std::string base = list.empty() ? std::string() : names::folder_part(list.front());
    for (int tag = 1; tag <= kMenuItems; ++tag) {
        if (static_cast<std::size_t>(tag) >= list.size())
            continue;
        const std::string& entry = list[static_cast<std::size_t>(tag)];
        // Only a name that lies in the base folder is shortened: cutting the length
        // of the folder off a name that merely contains it would show a wrong name.
        const bool inside = !base.empty() && entry.compare(0, base.size(), base) == 0;
        const std::string shown = inside ? entry.substr(base.size()) : entry;
        items[static_cast<std::size_t>(tag - 1)] = {true, "&" + std::to_string(tag) + " " +
                                                              menu_text(shown)};
    }
    return items;
}

std::optional<ShortcutCaptions> shortcut_captions(const std::vector<std::string>& list) {
    if (list.empty())
        return std::nullopt;
    const std::string name = names::name_part(list.front());
    if (name.empty())
        return std::nullopt;
    return ShortcutCaptions{"Create Desktop Shortcut to " + menu_text(name),
                            "Create Start &Menu entry to " + menu_text(name)};
}

} // namespace vt::recent
