#include "core/settings/startup_list.h"

#include "core/platform/file_names.h"

#include <sys/stat.h>

namespace vt {

std::string initial_list_name(const std::string& command_line_list,
                              const std::string& startup_list) {
    if (!command_line_list.empty())
        return command_line_list;
    struct stat st {};
    if (!startup_list.empty() && ::stat(startup_list.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
        return startup_list;
    return {};
}

std::string startup_list_for(const std::string& current_file_name) {
    return current_file_name.empty() ? std::string() : names::absolute(current_file_name);
}

} // namespace vt
