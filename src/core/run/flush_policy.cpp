#include "core/run/flush_policy.h"

#include "core/run/file_transfer.h"

namespace vt {

bool FlushPolicy::needs_flush(const MadeCopy& made) const {
    return made.ok() && !made.flushed && (made.replacing || !whole_disk_);
}

} // namespace vt
