#include "core/run/folder_dates.h"

#include "core/platform/beneath.h"
#include "core/platform/file_attributes.h"
#include "core/platform/long_path.h"
#include "core/platform/sys.h"
#include "core/run/journal.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vt {
namespace {

bool above(const std::string& upper, const std::string& lower) {
    return lower.size() > upper.size() && lower.starts_with(upper) && lower[upper.size()] == '/';
}

// A descriptor that closes itself.
struct Fd {
    int fd = -1;
    ~Fd() { reset(-1); }
    void reset(int f) {
        if (fd >= 0)
            ::close(fd);
        fd = f;
    }
};

} // namespace

void FolderDates::start_line(const std::string& source, const std::string& destination,
                             bool active) {
    waiting_.clear();
    active_ = active;
    source_ = source;
    destination_ = destination;
}

void FolderDates::reach(const std::string& sub_path) {
    if (!active_)
        return;
    std::size_t keep = 0;
    while (keep < waiting_.size() &&
           (waiting_[keep].sub_path.empty() || above(waiting_[keep].sub_path, sub_path)))
        ++keep;
    date_from(keep);
    waiting_.push_back({sub_path, false});
}

void FolderDates::wrote(const std::string& sub_path) {
    for (auto it = waiting_.rbegin(); it != waiting_.rend(); ++it)
        if (it->sub_path == sub_path) {
            it->changed = true;
            return;
        }
}

void FolderDates::made(const std::string& sub_path) {
    for (Waiting& w : waiting_)
        if (w.sub_path == sub_path || w.sub_path.empty() || above(w.sub_path, sub_path))
            w.changed = true;
}

void FolderDates::finish() {
    date_from(0);
}

void FolderDates::date_from(std::size_t first) {
    bool any = false;
    for (std::size_t i = first; i < waiting_.size(); ++i)
        any = any || waiting_[i].changed;
    if (!any || !active_) {
        waiting_.resize(std::min(first, waiting_.size()));
        return;
    }
    // Down from the line's top folder (as the line names it) to the deepest folder to
    // date, one level at a time, never through a link.
    Fd at;
    at.reset(open_long_path(AT_FDCWD, destination_, O_PATH | O_DIRECTORY));
    // The times are those of the source folders below the line's own as they are, never
    // those of what a link that took a folder's place leads to.
    Fd source_top;
    source_top.reset(open_long_path(AT_FDCWD, source_, O_PATH | O_DIRECTORY));
    std::string reached; // the sub-path `at` stands for
    AttributeLoss lost;
    std::string lost_folder;
    for (std::size_t i = 0; i < waiting_.size() && at.fd >= 0; ++i) {
        const Waiting& w = waiting_[i];
        std::string leaf;
        // Every level from `reached` down to this folder; the last one stays a name
        // in its parent, dated without following it.
        for (std::size_t from = reached.size(); from < w.sub_path.size();) {
            const std::size_t slash = w.sub_path.find('/', from + 1);
            const std::size_t end = slash == std::string::npos ? w.sub_path.size() : slash;
            const std::string part = w.sub_path.substr(from + 1, end - from - 1);
            if (end == w.sub_path.size()) {
                leaf = part;
                break;
            }
            at.reset(::openat(at.fd, part.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (at.fd < 0)
                break;
            from = end;
        }
        if (at.fd < 0)
            break;
        const int parent = at.fd;
        if (i >= first && w.changed) {
            struct stat st {};
            Fd source;
            if (source_top.fd >= 0)
                source.reset(open_beneath(source_top.fd, w.sub_path, O_PATH | O_DIRECTORY));
            if (source.fd >= 0 && ::fstat(source.fd, &st) == 0) {
                const struct timespec times[2] = {st.st_atim, st.st_mtim};
                char self[40];
                std::snprintf(self, sizeof self, "/proc/self/fd/%d", parent);
                const int set =
                    leaf.empty() ? sys::utimensat(AT_FDCWD, self, times, 0)
                                 : sys::utimensat(parent, leaf.c_str(), times, AT_SYMLINK_NOFOLLOW);
                if (set != 0 && !lost) {
                    lost.add(AttributeLoss::FolderTimes, errno);
                    lost_folder = destination_ + w.sub_path;
                }
            }
        }
        if (!leaf.empty()) {
            at.reset(::openat(parent, leaf.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            reached = w.sub_path;
        }
    }
    if (lost)
        journal_.attributes_not_kept(lost_folder, lost);
    waiting_.resize(std::min(first, waiting_.size()));
}

} // namespace vt
