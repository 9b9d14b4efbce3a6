#include "core/run/copy_workers.h"

#include "core/platform/quiet_thread.h"
#include "core/platform/sys.h"
#include "core/run/flush_policy.h"

#include <algorithm>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>

namespace vt {
namespace {

// Jobs waiting before an idle worker is woken for them, and the size of a file that
// wakes one at once.
constexpr std::size_t kPileUp = 32;
constexpr std::uint64_t kWorthAWake = 256u << 10;
// How far the workers' priority lies below the run's thread (a nice value).
constexpr int kGiveWay = 5;

} // namespace

bool TransferJob::needs_flush() const {
    if (!finished())
        return false;
    const FlushPolicy policy(place_.disk);
    return policy.shares_flush() && policy.needs_flush(made_);
}

std::uint64_t TransferJob::left() const {
    const bool flushed =
        seen_ == DestinationSeen::Present || !FlushPolicy(place_.disk).flushes_whole_disk();
    const std::uint64_t work = size_ * (compare_ ? 2 : 1);
    return work - std::min(done(), work) + (flushed ? size_ : 0);
}

void TransferJob::run(CopyMethods& methods, CopyScratch& scratch, CompareBuffers& compare) {
    if (cancel_.load(std::memory_order_relaxed)) {
        made_.problem = MadeCopy::Problem::Cancelled;
        return;
    }
    CopyWatch watch;
    watch.cancel = &cancel_;
    watch.done = &done_;
    made_ = FileTransfer::make_copy(place(), name_, seen_, methods, scratch, watch,
                                    compare_ ? &compare : nullptr);
    if (cancel_.load(std::memory_order_relaxed))
        made_.problem = MadeCopy::Problem::Cancelled;
    // A copy that is to be on its disk before it is named is flushed here, or, where
    // its disk is flushed whole, with others later (flush_batch.h): its write-back
    // starts now, while the run is busy elsewhere, so that the flush of the batch finds
    // little left to write.
    const FlushPolicy policy(place_.disk);
    if (!policy.needs_flush(made_))
        return;
    if (policy.shares_flush())
        sys::start_write_out(made_.file.fd());
    else
        FileTransfer::flush_copy(made_);
}

CopyWorkers::CopyWorkers(int threads, CopyMethods& methods)
    : threads_wanted_(std::max(threads, 1)), methods_(methods) {}

CopyWorkers::~CopyWorkers() {
    {
        const std::lock_guard lock(mutex_);
        ending_ = true;
        for (const auto& job : waiting_) {
            job->made_.problem = MadeCopy::Problem::Cancelled;
            job->finished_.store(true, std::memory_order_release);
        }
        waiting_.clear();
        for (const auto& job : running_)
            job->cancel();
    }
    work_.notify_all();
    for (std::thread& t : threads_)
        t.join();
}

void CopyWorkers::start(std::shared_ptr<TransferJob> job) {
    bool wake = false;
    {
        const std::lock_guard lock(mutex_);
        waiting_.push_back(std::move(job));
        if (static_cast<int>(threads_.size()) < threads_wanted_ &&
            waiting_.size() + running_.size() > threads_.size()) {
            threads_.push_back(quiet_thread([this] { work(); }));
        }
        // Waking a worker costs more than copying a small file: small files are let
        // pile up and taken in a row by one wake; a file large enough to be worth a
        // thread wakes one at once. The run wakes them all when it waits (wait()).
        const std::size_t size = waiting_.back()->size();
        wake = idle_ > 0 && (waiting_.size() >= kPileUp || size >= kWorthAWake);
    }
    if (wake)
        work_.notify_one();
}

bool CopyWorkers::wait(const TransferJob& job, std::chrono::milliseconds timeout) {
    if (job.finished())
        return true;
    std::unique_lock lock(mutex_);
    // The run waits: every job waiting gets a thread, whatever its size.
    if (idle_ > 0 && !waiting_.empty())
        work_.notify_all();
    awaited_ = &job;
    const bool done = finished_.wait_for(lock, timeout, [&job] { return job.finished(); });
    awaited_ = nullptr;
    return done;
}

void CopyWorkers::work() {
    ::pthread_setname_np(::pthread_self(), "vantorel-copy");
    // The run's thread hands out the copies and names them: when it waits for a core
    // behind the workers, they soon run out of work and a core idles. So the workers
    // give way to it. On Linux a nice value is a thread's own, and 0 names the caller.
    ::setpriority(PRIO_PROCESS, 0, ::getpriority(PRIO_PROCESS, 0) + kGiveWay);
    CopyScratch scratch;
    CompareBuffers compare; // made when the first copy is compared
    std::unique_lock lock(mutex_);
    for (;;) {
        if (waiting_.empty() && !ending_) {
            ++idle_;
            work_.wait(lock, [this] { return ending_ || !waiting_.empty(); });
            --idle_;
        }
        if (ending_ && waiting_.empty())
            return;
        std::shared_ptr<TransferJob> job = std::move(waiting_.front());
        waiting_.pop_front();
        running_.push_back(job);
        lock.unlock();
        job->run(methods_, scratch, compare);
        lock.lock();
        running_.erase(std::find(running_.begin(), running_.end(), job));
        job->finished_.store(true, std::memory_order_release);
        if (awaited_ == job.get())
            finished_.notify_one();
        // The job may outlive the run's interest in it: a copy given up is closed
        // here, which frees it, without holding up the others.
        lock.unlock();
        job.reset();
        lock.lock();
    }
}

int default_copy_jobs() {
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    int cores = 1;
    if (::sched_getaffinity(0, sizeof cpus, &cpus) == 0)
        cores = CPU_COUNT(&cpus);
    return std::clamp(cores, 1, 8);
}

} // namespace vt
