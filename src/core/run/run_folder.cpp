#include "core/run/run_folder.h"

#include "core/platform/file_attributes.h"
#include "core/platform/file_mode.h"
#include "core/platform/long_path.h"
#include "core/restore/kept_versions.h"

#include <fcntl.h>

namespace vt {

void RunFolder::open_destination() {
    destination_dir = SharedFd(open_long_path(AT_FDCWD, destination, O_PATH | O_DIRECTORY));
    if (!destination_dir || ::fstat(destination_dir.get(), &destination_stat) != 0)
        destination_stat = {};
    umask_decides = destination_dir && vt::umask_decides(destination_dir.get());
}

void RunFolder::close_destination() {
    destination_dir.reset();
    destination_stat = {};
    umask_decides = false;
}

TransferPlace RunFolder::place() {
    return {source_fd(),
            destination_fd(),
            destination_stat.st_dev,
            umask_decides,
            versions_ ? this : nullptr,
            destination_stat.st_mode & S_ISGID ? destination_stat.st_gid : process_owner().second};
}

int RunFolder::keep(int destination_dir, const std::string& name, bool& moved) {
    return versions_->keep(destination_dir, line->destination, sub_path, name, moved);
}

void RunFolder::put_back(int destination_dir, const std::string& name) {
    versions_->put_back(destination_dir, line->destination, sub_path, name);
}

} // namespace vt
