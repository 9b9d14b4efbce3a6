#include "core/desktop/help_topics.h"

#include <filesystem>
#include <sys/stat.h>

namespace vt::help {

std::string find_help_file(const std::string& folder) {
    const std::string path = folder + kFileName;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        return path;
    return {};
}

std::string find_manual(const std::string& program_folder) {
    if (std::string beside = find_help_file(program_folder); !beside.empty())
        return beside;
    const std::string installed = find_help_file(program_folder + kInstalledManualFolder);
    if (installed.empty())
        return {};
    // /usr/share/doc/... reads better in the help window than /usr/bin/../share/doc/...
    return std::filesystem::path(installed).lexically_normal().string();
}

std::string anchor_for(std::string_view keyword) {
    std::string anchor;
    bool gap = false;
    for (char c : keyword) {
        const bool alnum =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alnum) {
            gap = true;
            continue;
        }
        if (gap && !anchor.empty())
            anchor += '-';
        gap = false;
        anchor += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return anchor.empty() ? kContentsAnchor : anchor;
}

Prompt no_help_prompt() {
    return {"No Help Available!", std::string("Unable to find the help file ") + kFileName,
            Buttons::Ok,          Answer::Ok,
            Icon::None,           Answer::Ok};
}

} // namespace vt::help
