#include "core/run/run_folder.h"

#include "core/platform/beneath.h"
#include "core/platform/drive_check.h"
#include "core/platform/file_attributes.h"
#include "core/platform/file_mode.h"
#include "core/platform/long_path.h"
#include "core/restore/kept_versions.h"

#include <cerrno>
#include <fcntl.h>

namespace vt {

int RunFolder::open_below_line_top() {
    for (bool fresh = !*line_top_;; fresh = true) {
        if (fresh) {
            line_top_->reset();
            const int top = open_long_path(AT_FDCWD, line->destination, O_PATH | O_DIRECTORY);
            if (top < 0)
                return -1;
            *line_top_ = SharedFd(top);
        }
        // A folder missing below the line's folder as it was opened may be there below
        // the folder now at its path: one made since, or put in its place.
        const int fd = open_beneath(line_top_->get(), sub_path, O_PATH | O_DIRECTORY);
        if (fd >= 0 || fresh || errno != ENOENT)
            return fd;
    }
}

int RunFolder::open_destination() {
    // The line's own folder may be a link; nothing below it is followed, so that no
    // copy is ever written through a link someone placed in the backup.
    const int fd = sub_path.empty()
                       ? open_long_path(AT_FDCWD, line->destination, O_PATH | O_DIRECTORY)
                       : open_below_line_top();
    const int error = fd < 0 ? errno : 0;
    destination_dir = SharedFd(fd);
    if (!destination_dir || ::fstat(destination_dir.get(), &destination_stat) != 0)
        destination_stat = {};
    umask_decides_.reset();
    disk_ = nullptr;
    compared_.reset();
    return error;
}

const DiskTraits& RunFolder::disk() {
    static const DiskTraits unknown = traits_of_type(0);
    if (!disk_ && destination_dir && disks_)
        disk_ = &disks_->of(destination_dir.get());
    return disk_ ? *disk_ : unknown;
}

const DiskTraits& RunFolder::compared() {
    if (!compared_) {
        const DiskTraits& destination = disk();
        if (!disk_ || !disks_ || !source_dir)
            return destination;
        compared_ = DiskCatalog::comparing(destination, source_disk());
    }
    return *compared_;
}

const DiskTraits& RunFolder::source_disk() {
    static const DiskTraits unknown = traits_of_type(0);
    if (!source_disk_ && source_dir && disks_)
        source_disk_ = &disks_->of_source(source_fd());
    return source_disk_ ? *source_disk_ : unknown;
}

void RunFolder::close_destination() {
    destination_dir.reset();
    destination_stat = {};
    umask_decides_.reset();
    disk_ = nullptr;
    compared_.reset();
}

void RunFolder::close_if_missing_drive() {
    if (sub_path.empty() && destination_dir && drives::is_missing_drive(destination))
        close_destination();
}

TransferPlace RunFolder::place() {
    if (!umask_decides_ && destination_dir)
        umask_decides_ = vt::umask_decides(destination_dir.get());
    return {source_fd(),
            destination_fd(),
            destination_stat.st_dev,
            umask_decides_.value_or(false),
            versions_ ? this : nullptr,
            destination_stat.st_mode & S_ISGID ? destination_stat.st_gid : process_owner().second,
            &disk(),
            no_source_links,
            !source_disk().keeps_modes};
}

std::string RunFolder::template_folder() const {
    if (!no_source_links || !source_dir)
        return source;
    return "/proc/self/fd/" + std::to_string(source_fd());
}

int RunFolder::keep(int destination_dir, const std::string& name, bool& moved) {
    return versions_->keep(destination_dir, line->destination, sub_path, name, moved);
}

void RunFolder::put_back(int destination_dir, const std::string& name) {
    versions_->put_back(destination_dir, line->destination, sub_path, name);
}

} // namespace vt
