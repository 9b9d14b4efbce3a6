#include "core/run/transfer_queue.h"

#include "core/run/flush_batch.h"

#include <algorithm>
#include <chrono>

namespace vt {
namespace {

// Enough copies ahead to keep every worker busy while the run's thread looks at the
// next files, few enough that an early end throws little away.
constexpr std::size_t kCopiesPerWorker = 8;
// Copies that replace backups are flushed together (see flush_batch.h): the queue holds
// enough of them for a flush to serve many. A copy of a small file held unnamed costs
// a descriptor and nothing to throw away.
constexpr std::size_t kFlushBatch = 256;
// A copy waiting for its batch's flush is named at the latest after this long, or once
// this much is waiting: the progress and the journal do not lag far behind the copies.
constexpr auto kFlushAfter = std::chrono::milliseconds(250);
constexpr std::uint64_t kFlushBytes = 64u << 20;
// Bytes being copied ahead of the head: unnamed copies hold their room on the disk
// until they are named.
constexpr std::uint64_t kBytesAhead = 1ull << 30;
// Journal entries held behind a long copy (a few hundred bytes each).
constexpr std::size_t kSlots = 4096;
constexpr auto kWaiterEvery = std::chrono::milliseconds(50);

} // namespace

TransferQueue::TransferQueue(int workers, CopyMethods& methods)
    : workers_wanted_(workers),
      copies_wanted_(std::max(kCopiesPerWorker * static_cast<std::size_t>(workers), kFlushBatch)),
      methods_(methods) {}

TransferQueue::~TransferQueue() {
    discard();
    workers_.reset();
    while (!dropped_.empty())
        dropped_.pop_front();
}

bool TransferQueue::note(Turn note, const Waiter& waiter) {
    if (slots_.size() >= kSlots &&
        !retire_until([this] { return slots_.size() <= kSlots / 2; }, 0, waiter))
        return false;
    slots_.push_back({nullptr, std::move(note)});
    return true;
}

bool TransferQueue::has_room(const TransferJob& next) const {
    if (slots_.empty())
        return true;
    return slots_.size() < kSlots && transfers_ < copies_wanted_ &&
           (transfers_ == 0 || bytes_ + next.size() <= kBytesAhead);
}

bool TransferQueue::transfer(std::shared_ptr<TransferJob> job, Turn turn, const Waiter& waiter) {
    if (!retire_ready())
        return false;
    // A full queue is let half empty before the next copy goes in: the run's thread
    // then wakes once for a batch of copies rather than for every one.
    if (!has_room(*job) &&
        !retire_until([this, &job] { return has_room(*job) && transfers_ <= copies_wanted_ / 2; },
                      copies_wanted_ / 2, waiter))
        return false;
    if (!workers_)
        workers_.emplace(workers_wanted_, methods_);
    workers_->start(job);
    ++transfers_;
    bytes_ += job->size();
    slots_.push_back({std::move(job), std::move(turn)});
    return true;
}

bool TransferQueue::head_held() const {
    return !slots_.empty() && slots_.front().job && slots_.front().job->needs_flush();
}

void TransferQueue::flush_batch() {
    // Every finished copy in the queue joins, not only those at the head: one flush of
    // the disk serves them all.
    FlushBatch batch;
    for (Slot& slot : slots_) {
        if (slot.job && slot.job->needs_flush())
            batch.add(slot.job->made());
    }
    batch.flush();
    held_ = false;
}

bool TransferQueue::retire_ready() {
    while (!slots_.empty()) {
        Slot& head = slots_.front();
        if (head.job && !head.job->finished())
            return true;
        if (head_held()) {
            // Named only after the flush: held for more copies to share it, as long as
            // the run has room to go on and the wait stays short.
            const auto now = std::chrono::steady_clock::now();
            if (!held_) {
                held_ = true;
                held_since_ = now;
            }
            if (now - held_since_ < kFlushAfter && bytes_ < kFlushBytes)
                return true;
            flush_batch();
        }
        Slot slot = std::move(head);
        slots_.pop_front();
        if (slot.job) {
            --transfers_;
            bytes_ -= slot.job->size();
        }
        if (!slot.turn()) {
            discard();
            return false;
        }
    }
    return true;
}

bool TransferQueue::retire_until(const std::function<bool()>& done, std::size_t left,
                                 const Waiter& waiter) {
    auto last_waiter = std::chrono::steady_clock::now();
    for (;;) {
        if (!retire_ready())
            return false;
        if (slots_.empty() || done())
            return true;
        auto now = std::chrono::steady_clock::now();
        if (now - last_waiter >= kWaiterEvery) {
            if (!waiter())
                return false;
            last_waiter = now = std::chrono::steady_clock::now();
        }
        // The head is a copy still being made: wait until all but `left` of the copies
        // are, which they mostly are in order.
        const TransferJob* awaited = slots_.front().job.get();
        std::size_t behind = transfers_;
        for (const Slot& slot : slots_) {
            if (!slot.job)
                continue;
            awaited = slot.job.get();
            if (--behind <= left)
                break;
        }
        if (awaited->finished()) {
            // The copies waited for are made: those held for a flush get it now.
            if (head_held()) {
                flush_batch();
                continue;
            }
            awaited = slots_.front().job.get();
        }
        workers_->wait(*awaited, std::chrono::duration_cast<std::chrono::milliseconds>(
                                     last_waiter + kWaiterEvery - now) +
                                     std::chrono::milliseconds(1));
    }
}

bool TransferQueue::retire_all(const Waiter& waiter) {
    return retire_until([] { return false; }, 0, waiter);
}

void TransferQueue::stop(std::uint64_t budget) {
    std::uint64_t left = 0;
    bool cancelling = false;
    for (Slot& slot : slots_) {
        if (!slot.job)
            continue;
        left += slot.job->left();
        cancelling = cancelling || left > budget;
        if (cancelling)
            slot.job->cancel();
    }
}

void TransferQueue::discard() {
    for (Slot& slot : slots_) {
        if (slot.job)
            slot.job->cancel();
    }
    // What a dropped turn holds (a folder made ahead, taken away again: folder_ahead.h)
    // is let go only once the workers are done with the copies given up, one of which
    // may still hold a hidden name in such a folder. From the back: a folder goes
    // before the folder it lies in.
    while (!slots_.empty()) {
        dropped_.push_back(std::move(slots_.back().turn));
        slots_.pop_back();
    }
    held_ = false;
    transfers_ = 0;
    bytes_ = 0;
}

TransferQueue::InFlight TransferQueue::in_flight() const {
    InFlight in;
    for (const Slot& slot : slots_) {
        if (!slot.job)
            continue;
        if (in.files == 0)
            in.first = slot.job->name();
        in.size += slot.job->size();
        in.done += std::min(slot.job->done(), slot.job->size());
        ++in.files;
    }
    return in;
}

} // namespace vt
