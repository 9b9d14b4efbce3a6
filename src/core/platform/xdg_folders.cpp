#include "core/platform/xdg_folders.h"

#include "core/platform/sys.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace vt::xdg {
namespace {

std::string home() {
    const char* h = std::getenv("HOME");
    if (h && *h == '/')
        return h;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/";
}

std::string without_trailing_slashes(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

std::string from_environment(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    if (value && *value == '/')
        return without_trailing_slashes(value);
    std::string h = home();
    if (h.back() != '/')
        h += '/';
    return h + fallback;
}

} // namespace

std::string config_home() {
    return from_environment("XDG_CONFIG_HOME", ".config");
}

std::string data_home() {
    return from_environment("XDG_DATA_HOME", ".local/share");
}

std::vector<std::string> data_dirs() {
    std::vector<std::string> dirs;
    if (const char* value = std::getenv("XDG_DATA_DIRS")) {
        const std::string list = value;
        for (size_t start = 0; start <= list.size();) {
            size_t end = list.find(':', start);
            if (end == std::string::npos)
                end = list.size();
            const std::string dir = list.substr(start, end - start);
            if (!dir.empty() && dir.front() == '/')
                dirs.push_back(without_trailing_slashes(dir));
            start = end + 1;
        }
    }
    if (dirs.empty())
        dirs = {"/usr/local/share", "/usr/share"};
    return dirs;
}

std::string state_home() {
    return from_environment("XDG_STATE_HOME", ".local/state");
}

std::string runtime_dir() {
    const char* value = std::getenv("XDG_RUNTIME_DIR");
    if (value && *value == '/')
        return without_trailing_slashes(value);
    const std::string folder = "/run/user/" + std::to_string(::getuid());
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid())
        return folder;
    return {};
}

IoResult make_folders(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return IoResult::success();
        return IoResult::from_errno(ENOTDIR);
    }
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (!part.empty() && sys::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return IoResult::from_errno(errno);
        if (slash == std::string::npos)
            break;
    }
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return IoResult::from_errno(ENOTDIR);
    return IoResult::success();
}

} // namespace vt::xdg
