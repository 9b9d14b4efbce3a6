#include "core/platform/disk_catalog.h"

#include <algorithm>
#include <sys/stat.h>

namespace vt {

void DiskCatalog::start(bool may_write, bool sources_too) {
    const std::lock_guard lock(mutex_);
    may_write_ = may_write;
    sources_too_ = sources_too;
    disks_.clear();
}

DiskTraits DiskCatalog::comparing(const DiskTraits& destination, const DiskTraits& source) {
    DiskTraits t = destination;
    t.time_step_ns = std::max(destination.time_step_ns, source.time_step_ns);
    return t;
}

const DiskTraits& DiskCatalog::look(int fd, bool may_write) {
    struct stat st {};
    const dev_t device = ::fstat(fd, &st) == 0 ? st.st_dev : 0;
    const std::lock_guard lock(mutex_);
    const auto found = disks_.find(device);
    if (found != disks_.end())
        return found->second;
    return disks_.emplace(device, disk_traits(fd, may_write)).first->second;
}

} // namespace vt
