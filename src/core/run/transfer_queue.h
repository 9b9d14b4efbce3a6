#pragma once
#include "core/run/copy_workers.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vt {

// What a run has done but not told yet, told in the order of a run that copies one
// file at a time.
//
// The run's thread walks, decides and asks as always; a file to copy that needs no
// question goes to a worker (see copy_workers.h), and everything the run would tell
// from then on (journal entries, the copies' names, progress) waits in a slot behind
// it. Slots are told from the head only, on the run's thread: a journal entry is
// written, a copy the worker finished is named and recorded, or its failure asked
// about, at its own turn. So the journal and the boxes come exactly as from a run
// without workers, and when a run ends early (Abort, a stop) the copies behind that
// point, made or half made, are simply dropped: having no name yet, they vanish, and
// nothing lands in the destination that such a run would not have written.
//
// The queue is bounded (slots, copies, and bytes being copied ahead of the head, so
// that an early end gives back little and a nearly full disk is not filled by copies
// that may never be named).
//
// A copy that replaces a file is named only once it is on its disk. Where its disk's
// policy lets such copies share a flush of the whole disk (flush_policy.h), they are
// flushed in batches (flush_batch.h): the head waits, while the run goes on, until
// enough copies are made to share one flush, the queue is full, the run waits for
// the copies anyway, or a short time has passed. The order of what is told is not
// changed by it, only delayed. Elsewhere the worker flushed the copy already.
class TransferQueue {
public:
    // Told at a slot's turn; false ends the run there (the copies behind are dropped).
    using Turn = std::function<bool()>;
    // Called about every 50 ms while the run waits for copies; false: stop waiting,
    // the run is to stop.
    using Waiter = std::function<bool()>;

    TransferQueue(int workers, CopyMethods& methods);
    // Drops what was not told; waits for the workers to give up their copies.
    ~TransferQueue();
    TransferQueue(const TransferQueue&) = delete;
    TransferQueue& operator=(const TransferQueue&) = delete;

    // Nothing waits to be told: the run may tell at once.
    bool idle() const { return slots_.empty(); }

    // Tells `note` at its turn. Behind a long copy the entries wait in a bounded
    // number: when they fill the queue, the run waits for the copy. False when the run
    // ended while waiting.
    bool note(Turn note, const Waiter& waiter);
    // Hands `job` to a worker, once there is room in the queue; `turn` tells it at
    // its turn. False when the run ended while waiting for room.
    bool transfer(std::shared_ptr<TransferJob> job, Turn turn, const Waiter& waiter);

    // Tells the slots at the head that are ready, without waiting. False: the run ends.
    bool retire_ready();
    // Tells everything, waiting for the copies. False: the run ends.
    bool retire_all(const Waiter& waiter);

    // A stop: the copies at the head that have at most `budget` bytes left between
    // them (to copy, and to flush, see TransferJob::left) are finished, so that a stop
    // gives what it can in the time of a call or two; the first copy past that and all
    // behind it are cancelled. Then retire_all tells
    // what was finished and ends at the first cancelled copy.
    void stop(std::uint64_t budget);

    // The copies not yet told: bytes done and their sizes, and the first one's name.
    struct InFlight {
        std::uint64_t done = 0, size = 0;
        std::string first;
        int files = 0;
    };
    InFlight in_flight() const;

private:
    struct Slot {
        std::shared_ptr<TransferJob> job; // none for a journal entry
        Turn turn;
    };
    bool has_room(const TransferJob& next) const;
    // The head is a copy made to replace a file, waiting for its flush.
    bool head_held() const;
    // Flushes every made copy in the queue that waits for it, in one batch.
    void flush_batch();
    // Tells slots from the head until `done` holds, waiting for copies (until no more
    // than `left` of them are still being made).
    bool retire_until(const std::function<bool()>& done, std::size_t left, const Waiter& waiter);
    // Drops every slot; their copies are cancelled.
    void discard();

    const int workers_wanted_;
    const std::size_t copies_wanted_; // in the queue at most
    CopyMethods& methods_;
    std::optional<CopyWorkers> workers_; // started with the first copy
    std::deque<Slot> slots_;
    std::deque<Turn> dropped_; // by discard(), let go when the workers have ended
    std::size_t transfers_ = 0;
    std::uint64_t bytes_ = 0; // sizes of the copies in the queue
    bool held_ = false;       // the head waits for a flush, since `held_since_`
    std::chrono::steady_clock::time_point held_since_;
};

} // namespace vt
