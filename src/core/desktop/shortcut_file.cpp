#include "core/desktop/shortcut_file.h"

#include "core/desktop/desktop_entry.h"
#include "core/desktop/freedesktop_type.h"
#include "core/desktop/product_info.h"
#include "core/platform/atomic_file.h"
#include "core/platform/file_names.h"

#include <cctype>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace vt {
namespace {

bool ends_with_desktop(const std::string& name) {
    const std::string ext = names::extension(name);
    if (ext.size() != 8)
        return false;
    for (size_t i = 0; i < ext.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(ext[i])) != ".desktop"[i])
            return false;
    return true;
}

bool is_list_file(const std::string& name) {
    std::string ext = names::extension(name);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".vtl";
}

std::string join(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

} // namespace

bool TShortcutFile::is_program(const std::string& target) {
    struct stat st {};
    return !is_list_file(target) && ::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(target.c_str(), X_OK) == 0;
}

std::string TShortcutFile::entry_for(const std::string& target, const std::string& arguments,
                                     const std::string& name, const std::string& categories) {
    desktop_entry::Entry e;
    e.name = name;
    std::string exec;
    // The only program the commands make shortcuts to is this one; anything else is a list.
    if (is_program(target)) {
        exec = desktop_entry::exec_argument(target);
        e.icon = ProductInfo::app_id;
    } else {
        exec = "xdg-open " + desktop_entry::exec_argument(target);
        e.icon = kListIcon;
    }
    if (!arguments.empty())
        exec += " " + arguments;
    e.exec = exec;
    e.path = names::folder_part(target);
    e.categories = categories;
    return desktop_entry::compose(e);
}

int TShortcutFile::CreateShortcut(const std::string& target, const std::string& arguments,
                                  std::string& link_file_name, const std::string& categories) {
    if (!ends_with_desktop(link_file_name))
        link_file_name += ".desktop";
    // Desktops show the entry by its Name, which stands for the file's own name here.
    const std::string name = names::without_extension(names::name_part(link_file_name));
    const IoResult r =
        replace_file(link_file_name, entry_for(target, arguments, name, categories), 0755);
    if (!r)
        return r.error_code;
    // An entry that replaced an older file keeps that file's bits: set them again.
    if (::chmod(resolve_link_target(link_file_name).c_str(), 0755) != 0)
        return errno;
    return 0;
}

namespace shortcuts {

std::string program_link_name(const std::string& folder) {
    return join(folder, std::string("Vantorel") + ".desktop");
}

std::string list_link_name(const std::string& folder, const std::string& list_file) {
    return join(folder, names::name_part(list_file).substr(0, 255) + ".desktop");
}

namespace {

std::string categories_of(Place place) {
    return place == Place::Menu ? desktop_entry::kCategories : "";
}

} // namespace

void create_program_shortcut(TShortcutFile& writer, const std::string& folder,
                             const std::string& program_path, Place place) {
    // Without a folder the name would point at the root of the file system.
    if (folder.empty() || program_path.empty())
        return;
    std::string link = program_link_name(folder);
    writer.CreateShortcut(program_path, "", link, categories_of(place));
}

void create_list_shortcut(TShortcutFile& writer, const std::string& folder,
                          const std::string& list_file, Place place) {
    struct stat st {};
    if (folder.empty() || list_file.empty() || ::stat(list_file.c_str(), &st) != 0)
        return;
    std::string link = list_link_name(folder, list_file);
    if (names::name_part(link) == std::string(ProductInfo::app_id) + ".desktop")
        return;
    writer.CreateShortcut(list_file, "", link, categories_of(place));
}

} // namespace shortcuts
} // namespace vt
