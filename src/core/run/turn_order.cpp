#include "core/run/turn_order.h"

#include <utility>

namespace vt {
namespace {

// At a stop, the copies at the head with at most this much left between them are
// finished (the time of a call or two); the rest are given up.
constexpr std::uint64_t kStopBudget = 16u << 20;

} // namespace

TurnOrder::~TurnOrder() = default;

void TurnOrder::start(int jobs, CopyMethods& methods) {
    queue_.reset();
    redoing_ = false;
    if (jobs > 1)
        queue_ = std::make_unique<TransferQueue>(jobs, methods);
}

void TurnOrder::finish(const std::function<void()>& pump) {
    if (!queue_)
        return;
    if (!queue_->idle()) {
        queue_->stop(kStopBudget);
        queue_->retire_all([&pump] {
            pump();
            return true;
        });
    }
    queue_.reset();
}

bool TurnOrder::wait() {
    return while_waiting_(queue_->in_flight());
}

bool TurnOrder::tell(std::function<bool()> f) {
    if (!queue_ || redoing_ || queue_->idle())
        return f();
    return queue_->note(std::move(f), [this] { return wait(); });
}

bool TurnOrder::settle() {
    // A file decided again is told at its own turn: what comes before it is told.
    if (!queue_ || redoing_ || queue_->idle())
        return true;
    return queue_->retire_all([this] { return wait(); });
}

bool TurnOrder::transfer(std::shared_ptr<TransferJob> job, TransferQueue::Turn turn) {
    return queue_->transfer(std::move(job), std::move(turn), [this] { return wait(); });
}

bool TurnOrder::redo(const std::function<bool()>& f) {
    const bool outer = std::exchange(redoing_, true);
    const bool go = f();
    redoing_ = outer;
    return go;
}

} // namespace vt
