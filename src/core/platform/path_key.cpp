#include "core/platform/path_key.h"

#include "core/platform/file_names.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

namespace vt::names {
namespace {

bool resolve(const std::string& path, std::string& out) {
    char buffer[PATH_MAX];
    if (!::realpath(path.c_str(), buffer))
        return false;
    out = buffer;
    return true;
}

} // namespace

std::string canonical_path(std::string_view name) {
    const std::string full = absolute(name);
    std::string resolved;
    if (resolve(full, resolved))
        return resolved;
    const std::string folder = folder_part(full);
    if (!folder.empty() && resolve(folder, resolved))
        return (resolved == "/" ? "" : resolved) + "/" + name_part(full);
    return full;
}

std::string path_hash(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
    return digits;
}

} // namespace vt::names
