#include "platform/file_names.h"

#include <climits>
#include <unistd.h>

namespace vt::names {

std::string folder_part(std::string_view name) {
    const auto slash = name.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(name.substr(0, slash + 1));
}

std::string name_part(std::string_view name) {
    const auto slash = name.rfind('/');
    return std::string(slash == std::string_view::npos ? name : name.substr(slash + 1));
}

std::string extension(std::string_view name) {
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return {};
    const auto slash = name.rfind('/');
    if (slash != std::string_view::npos && slash > dot)
        return {};
    return std::string(name.substr(dot));
}

std::string without_extension(std::string_view name) {
    return std::string(name.substr(0, name.size() - extension(name).size()));
}

std::string program_path() {
    char buffer[PATH_MAX + 1];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, PATH_MAX);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

std::string program_folder() {
    return folder_part(program_path());
}

std::string absolute(std::string_view name) {
    if (name.empty() || name.front() == '/')
        return std::string(name);
    char buffer[PATH_MAX + 1];
    if (!::getcwd(buffer, sizeof buffer))
        return std::string(name);
    std::string folder = buffer;
    if (folder.back() != '/')
        folder += '/';
    return folder + std::string(name);
}

} // namespace vt::names
