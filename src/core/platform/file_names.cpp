#include "core/platform/file_names.h"

#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

namespace {

std::vector<std::string> parts_of(std::string_view path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start)
            parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string joined(const std::vector<std::string>& parts) {
    std::string path;
    for (const std::string& part : parts)
        path += "/" + part;
    return path.empty() ? std::string("/") : path;
}

} // namespace

std::string absolute(std::string_view name) {
    if (name.empty())
        return {};
    std::string full(name);
    if (name.front() != '/') {
        char buffer[PATH_MAX + 1];
        if (!::getcwd(buffer, sizeof buffer))
            return full;
        full = std::string(buffer) + "/" + full;
    }
    std::vector<std::string> kept;
    for (std::string& part : parts_of(full)) {
        if (part == ".")
            continue;
        if (part != "..") {
            kept.push_back(std::move(part));
            continue;
        }
        // ".." after a symbolic link leads up from the link's target, not back to the
        // folder that holds the link.
        struct stat st {};
        const std::string so_far = joined(kept);
        if (!kept.empty() && ::lstat(so_far.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
            if (char* real = ::realpath(so_far.c_str(), nullptr)) {
                kept = parts_of(real);
                std::free(real);
            }
        }
        if (!kept.empty())
            kept.pop_back();
    }
    return joined(kept);
}

} // namespace vt::names
