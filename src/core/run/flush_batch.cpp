#include "core/run/flush_batch.h"

#include "core/platform/sys.h"
#include "core/run/file_transfer.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

namespace vt {

void FlushBatch::add(MadeCopy& made) {
    if (made.ok() && made.replacing && !made.flushed)
        copies_.push_back(&made);
}

void FlushBatch::flush() {
    // Grouped by disk: a batch may hold copies for several (one line per disk).
    struct Copy {
        dev_t device;
        MadeCopy* made;
    };
    std::vector<Copy> copies;
    copies.reserve(copies_.size());
    for (MadeCopy* made : copies_) {
        struct stat st {};
        copies.push_back({::fstat(made->file.fd(), &st) == 0 ? st.st_dev : 0, made});
    }
    std::stable_sort(copies.begin(), copies.end(),
                     [](const Copy& a, const Copy& b) { return a.device < b.device; });
    for (auto first = copies.begin(); first != copies.end();) {
        const auto last = std::find_if(first, copies.end(),
                                       [&](const Copy& c) { return c.device != first->device; });
        // syncfs reports a write-back error of any file on the disk, not only of ours:
        // the copies then show one by one which of them is at fault.
        const bool together = first->device != 0 && sys::syncfs(first->made->file.fd()) == 0;
        for (auto c = first; c != last; ++c) {
            if (together) {
                c->made->flushed = true;
                continue;
            }
            FileTransfer::flush_copy(*c->made);
        }
        first = last;
    }
    copies_.clear();
}

} // namespace vt
