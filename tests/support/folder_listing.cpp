#include "support/folder_listing.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace vt::test {

std::vector<std::string> names_in(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> paths_under(const std::string& folder) {
    std::vector<std::string> paths;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        paths.push_back(it->path().lexically_relative(folder).string());
    std::sort(paths.begin(), paths.end());
    return paths;
}

} // namespace vt::test
