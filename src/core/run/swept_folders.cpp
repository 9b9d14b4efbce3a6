#include "core/run/swept_folders.h"

#include "core/platform/atomic_file.h"
#include "core/platform/path_key.h"
#include "core/platform/stale_temporaries.h"
#include "core/platform/whole_file.h"
#include "core/platform/xdg_folders.h"

#include <algorithm>
#include <charconv>

namespace vt {
namespace {

// More folders than any list should hold: a damaged record cannot fill the memory.
constexpr std::size_t kMostFolders = 4'000'000;

// The next number of a line and the blank after it.
template <typename Number> bool number(const char*& at, const char* end, Number& value) {
    const auto [stop, error] = std::from_chars(at, end, value);
    if (error != std::errc() || (stop != end && *stop != ' '))
        return false;
    at = stop == end ? end : stop + 1;
    return true;
}

// The whole of a record no larger than the most folders' lines.
bool read_small_file(const std::string& path, std::string& text) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 &&
           static_cast<std::size_t>(st.st_size) <= kMostFolders * 64 && read_whole_file(path, text);
}

} // namespace

std::string SweptFolders::path_for(const std::string& list_file) {
    return xdg::state_home() + "/Vantorel/swept-" +
           names::path_hash(names::canonical_path(list_file));
}

void SweptFolders::load(const std::string& list_file) {
    folders_.clear();
    loaded_ = 0;
    added_ = false;
    path_ = list_file.empty() ? std::string() : path_for(list_file);
    std::string text;
    if (path_.empty() || !read_small_file(path_, text))
        return;
    // Each line: device, inode, change time (seconds, nanoseconds).
    const char* at = text.data();
    const char* const end = at + text.size();
    while (at < end && folders_.size() < kMostFolders) {
        const char* line_end = std::find(at, end, '\n');
        Folder folder;
        Seen seen;
        if (number(at, line_end, folder.dev) && number(at, line_end, folder.ino) &&
            number(at, line_end, seen.seconds) && number(at, line_end, seen.nanoseconds) &&
            at == line_end)
            folders_[folder] = seen;
        at = line_end + 1;
    }
    loaded_ = folders_.size();
}

bool SweptFolders::clean(const struct stat& folder) {
    if (path_.empty())
        return false;
    const auto found = folders_.find({folder.st_dev, folder.st_ino});
    if (found == folders_.end() || found->second.seconds != folder.st_ctim.tv_sec ||
        found->second.nanoseconds != folder.st_ctim.tv_nsec)
        return false;
    found->second.kept = true;
    return true;
}

void SweptFolders::found_clean(const struct stat& folder, std::time_t looked_after) {
    // The kernel stamps a change with the time of its clock tick: a change made in the
    // tick of the look could leave the change time as it was. Only a folder that had
    // not changed for a second before the look is kept.
    if (!path_.empty() && folder.st_ctim.tv_sec < looked_after - 1) {
        folders_[{folder.st_dev, folder.st_ino}] = {folder.st_ctim.tv_sec, folder.st_ctim.tv_nsec,
                                                    true};
        added_ = true;
    }
}

std::vector<std::string> SweptFolders::sweep(int fd, const struct stat& folder,
                                             const std::string& path, std::time_t run_started,
                                             bool steady) {
    if (steady && clean(folder))
        return {};
    bool none = false;
    std::vector<std::string> removed = remove_stale_temporaries(fd, run_started, &none, path);
    if (none && steady)
        found_clean(folder, run_started);
    return removed;
}

IoResult SweptFolders::save() {
    if (path_.empty())
        return IoResult::success();
    std::string text;
    std::size_t kept = 0;
    for (const auto& [folder, seen] : folders_) {
        if (!seen.kept)
            continue;
        ++kept;
        text += std::to_string(folder.dev) + ' ' + std::to_string(folder.ino) + ' ' +
                std::to_string(seen.seconds) + ' ' + std::to_string(seen.nanoseconds) + '\n';
    }
    // A run over an unchanged tree finds what the record holds: no write, no flush.
    if (!added_ && kept == loaded_)
        return IoResult::success();
    if (IoResult made = xdg::make_folders(path_.substr(0, path_.rfind('/'))); !made)
        return made;
    return replace_file(path_, text, 0600);
}

} // namespace vt
