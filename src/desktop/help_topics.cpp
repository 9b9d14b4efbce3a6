#include "desktop/help_topics.h"

#include <sys/stat.h>

namespace vt::help {

std::string find_help_file(const std::string& folder) {
    const std::string path = folder + kFileName;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        return path;
    return {};
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
