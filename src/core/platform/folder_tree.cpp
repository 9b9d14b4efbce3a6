#include "core/platform/folder_tree.h"

#include "core/platform/file_mask.h"
#include "core/platform/file_names.h"
#include "core/platform/sys.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <memory>
#include <strings.h>
#include <sys/stat.h>

namespace vt::folders {
namespace {

std::vector<std::string> parts_of(std::string_view path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t slash = path.find('/', start);
        const size_t end = slash == std::string_view::npos ? path.size() : slash;
        if (end > start)
            parts.emplace_back(path.substr(start, end - start));
        if (slash == std::string_view::npos)
            break;
        start = slash + 1;
    }
    return parts;
}

std::string join(const std::vector<std::string>& parts, size_t from, size_t to) {
    std::string out;
    for (size_t i = from; i < to; ++i)
        out += "/" + parts[i];
    return out;
}

void sort_names(std::vector<std::string>& names) {
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const bool hidden_a = a[0] == '.', hidden_b = b[0] == '.';
        if (hidden_a != hidden_b)
            return hidden_b;
        const int c = ::strcasecmp(a.c_str(), b.c_str());
        return c != 0 ? c < 0 : a < b;
    });
}

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

// Calls `take(name, stat)` for every entry of `folder` except "." and "..";
// entries that cannot be examined (a dangling link) are passed over.
template <class F> IoResult for_each_entry(const std::string& folder, F take) {
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir)
        return IoResult::from_errno(errno);
    const int fd = ::dirfd(dir.get());
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat st {};
        if (::fstatat(fd, entry->d_name, &st, 0) != 0)
            continue;
        take(std::string(name), st);
    }
    return IoResult::success();
}

} // namespace

std::vector<std::string> ancestors(std::string_view folder) {
    std::vector<std::string> result{"/"};
    const std::vector<std::string> parts = parts_of(folder);
    for (size_t i = 1; i <= parts.size(); ++i)
        result.push_back(join(parts, 0, i));
    return result;
}

std::string clean(std::string_view folder) {
    const std::string absolute = names::absolute(folder);
    std::vector<std::string> kept;
    for (std::string& part : parts_of(absolute)) {
        if (part == ".")
            continue;
        if (part == "..") {
            if (!kept.empty())
                kept.pop_back();
            continue;
        }
        kept.push_back(std::move(part));
    }
    return kept.empty() ? std::string("/") : join(kept, 0, kept.size());
}

IoResult subfolders(const std::string& folder, std::vector<std::string>& names) {
    names.clear();
    const IoResult r = for_each_entry(folder, [&](std::string name, const struct stat& st) {
        if (S_ISDIR(st.st_mode))
            names.push_back(std::move(name));
    });
    sort_names(names);
    return r;
}

IoResult matching_files(const std::string& folder, std::string_view mask,
                        std::vector<std::string>& names) {
    names.clear();
    const IoResult r = for_each_entry(folder, [&](std::string name, const struct stat& st) {
        if (S_ISREG(st.st_mode) && mask_matches(mask, name))
            names.push_back(std::move(name));
    });
    sort_names(names);
    return r;
}

IoResult make_subfolder(const std::string& parent, std::string_view name, std::string& made) {
    made.clear();
    const size_t first = name.find_first_not_of(" \t");
    const size_t last = name.find_last_not_of(" \t");
    const std::string_view trimmed =
        first == std::string_view::npos ? std::string_view() : name.substr(first, last - first + 1);
    if (trimmed.empty() || trimmed == "." || trimmed == "..")
        return IoResult::failure(EINVAL,
                                 "\"" + std::string(trimmed) + "\" is not a name for a new folder");
    if (trimmed.find('/') != std::string_view::npos)
        return IoResult::failure(EINVAL, "A folder name cannot contain \"/\"");
    const std::string path = (parent == "/" ? std::string() : parent) + "/" + std::string(trimmed);
    if (sys::mkdir(path.c_str(), 0777) != 0)
        return IoResult::from_errno(errno);
    made = path;
    return IoResult::success();
}

std::string shorten(const std::string& path, int max_width,
                    const std::function<int(const std::string&)>& width) {
    if (width(path) <= max_width)
        return path;
    const std::vector<std::string> parts = parts_of(path);
    if (parts.size() < 2)
        return path;
    std::string candidate;
    for (size_t from = 2; from < parts.size(); ++from) {
        candidate = "/" + parts[0] + "/..." + join(parts, from, parts.size());
        if (width(candidate) <= max_width)
            return candidate;
    }
    return "/..." + join(parts, parts.size() - 1, parts.size());
}

} // namespace vt::folders
