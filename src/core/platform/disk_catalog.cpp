#include "core/platform/disk_catalog.h"

#include <sys/stat.h>

namespace vt {

void DiskCatalog::start(bool may_write) {
    const std::lock_guard lock(mutex_);
    may_write_ = may_write;
    disks_.clear();
}

const DiskTraits& DiskCatalog::of(int fd) {
    struct stat st {};
    const dev_t device = ::fstat(fd, &st) == 0 ? st.st_dev : 0;
    const std::lock_guard lock(mutex_);
    const auto found = disks_.find(device);
    if (found != disks_.end())
        return found->second;
    return disks_.emplace(device, disk_traits(fd, may_write_)).first->second;
}

} // namespace vt
