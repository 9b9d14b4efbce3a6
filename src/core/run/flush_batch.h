#pragma once
#include <vector>

namespace vt {

struct MadeCopy;

// Copies that replace backups, flushed to their disks together before any of them is
// named: on the disks that a flush of the whole disk reaches (flush_policy.h).
//
// One `fdatasync` per replaced file costs a journal commit each (10-30 ms on a USB
// disk); one `syncfs` of each disk involved costs one for the whole batch. Should a
// disk's flush fail, its copies are flushed one by one, so that only the copy that
// cannot reach the disk fails and the others are named all the same.
class FlushBatch {
public:
    // A made copy that replaces a file and is not on its disk yet (others are not kept).
    void add(MadeCopy& made);
    bool empty() const { return copies_.empty(); }
    std::size_t size() const { return copies_.size(); }

    // Flushes every copy added: each comes out `flushed`, or with a Data problem and
    // the error of its own flush. The batch is empty afterwards.
    void flush();

private:
    std::vector<MadeCopy*> copies_;
};

} // namespace vt
