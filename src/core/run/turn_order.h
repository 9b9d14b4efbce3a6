#pragma once
#include "core/run/transfer_queue.h"

#include <functional>
#include <memory>

namespace vt {

class CopyMethods;

// Keeps what a copy run tells in the order of a run that copies one file at a time,
// while files are copied on workers ahead of it (see transfer_queue.h).
//
// What the run tells after a copy handed to a worker waits behind it and is told at
// its turn; before every question and box the run settles, so that what came before
// is told first. A file decided again at its turn is told there and then: nothing
// waits behind it.
class TurnOrder {
public:
    // Called about every 50 ms while the run waits for copies, with what they have
    // done; false: the run is to stop.
    using Waiter = std::function<bool(const TransferQueue::InFlight&)>;

    explicit TurnOrder(Waiter while_waiting) : while_waiting_(std::move(while_waiting)) {}
    ~TurnOrder();
    TurnOrder(const TurnOrder&) = delete;
    TurnOrder& operator=(const TurnOrder&) = delete;

    // A run starts: with more than one job, files are copied on workers.
    void start(int jobs, CopyMethods& methods);
    // The run ends. A run that stopped while workers copied tells what they finish in
    // the time of a call or two and gives the rest up: it ends as a run that stopped
    // a few files earlier would have. `pump` keeps the window alive meanwhile.
    void finish(const std::function<void()>& pump);

    // Whether a copy may be handed to a worker now.
    bool parallel() const { return queue_ && !redoing_; }

    // Tells `f` now, or at its turn behind the copies being made. False (from `f` or
    // while waiting): the run ends.
    bool tell(std::function<bool()> f);
    // Tells everything that waits, waiting for the copies. False: the run ends.
    bool settle();
    // Tells what is ready without waiting. False: the run ends.
    bool tell_ready() { return !queue_ || queue_->retire_ready(); }
    // Hands `job` to a worker; `turn` tells it at its turn. False when the run ended
    // while waiting for room.
    bool transfer(std::shared_ptr<TransferJob> job, TransferQueue::Turn turn);
    // Decides and tells a file again at its own turn, with `f`.
    bool redo(const std::function<bool()>& f);

private:
    bool wait();

    Waiter while_waiting_;
    std::unique_ptr<TransferQueue> queue_; // during a run with workers
    bool redoing_ = false;
};

} // namespace vt
