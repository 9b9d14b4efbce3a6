#include "core/list/list_argument.h"

#include "core/platform/file_names.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

namespace vt {

std::string resolve_list_argument(const std::string& argument) {
    if (argument.empty())
        return {};
    const std::string full = names::absolute(argument);
    struct stat st {};
    if (::stat(full.c_str(), &st) == 0)
        return full;
    const std::string folder = names::folder_part(full);
    const std::string wanted = names::name_part(full);
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return full;
    std::string found;
    int matches = 0;
    while (const dirent* e = ::readdir(dir)) {
        if (::strcasecmp(e->d_name, wanted.c_str()) == 0) {
            found = e->d_name;
            ++matches;
        }
    }
    ::closedir(dir);
    return matches == 1 ? folder + found : full;
}

} // namespace vt
