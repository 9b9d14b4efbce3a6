#pragma once
#include "core/platform/shared_fd.h"
#include "core/run/file_transfer.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vt {

// One file's copy for a worker: the data part of its transfer, with the folders it
// needs kept open until it is done. The worker flushes it where its disk's policy
// wants each copy flushed by itself (flush_policy.h); where the disk is flushed whole,
// the run's thread flushes a copy that replaces a file together with others
// (flush_batch.h). The run's thread names it later, in the run's order.
class TransferJob {
public:
    // With `compare`, the copy is read back and compared with its source as well
    // ("Compare Each Copy"), on the worker.
    TransferJob(SharedFd source_dir, SharedFd destination_dir, const TransferPlace& place,
                std::string name, DestinationSeen seen, std::uint64_t size, bool compare = false)
        : source_dir_(std::move(source_dir)), destination_dir_(std::move(destination_dir)),
          place_(place), name_(std::move(name)), seen_(seen), size_(size), compare_(compare) {}

    const std::string& name() const { return name_; }
    std::uint64_t size() const { return size_; }
    bool compare() const { return compare_; }
    // Bytes copied so far (and past the size, bytes compared).
    std::uint64_t done() const { return done_.load(std::memory_order_relaxed); }
    // Bytes still to go to or from the disk before the copy can be named: the data not
    // yet copied, for a copy that is compared the data not yet read back, and for a
    // copy flushed before it is named (one that replaces a file, any on a disk flushed
    // file by file) the whole file again.
    std::uint64_t left() const;
    TransferPlace place() const { return place_; }

    // Asks the worker to give the copy up at its next call (or not to start it).
    void cancel() { cancel_.store(true, std::memory_order_relaxed); }
    bool finished() const { return finished_.load(std::memory_order_acquire); }
    // Finished, whole, not yet on its disk, and waiting for a flush of its whole disk
    // before it takes its name.
    bool needs_flush() const;
    // What the worker made, once finished.
    MadeCopy& made() { return made_; }

    // Makes the copy; on a worker, with its buffers.
    void run(CopyMethods& methods, CopyScratch& scratch, CompareBuffers& compare);

private:
    friend class CopyWorkers;

    // Declared first, so that the unnamed copy goes before the folder it lies in.
    const SharedFd source_dir_, destination_dir_;
    const TransferPlace place_; // the descriptors above
    const std::string name_;
    const DestinationSeen seen_;
    const std::uint64_t size_;
    const bool compare_;
    std::atomic<bool> cancel_ = false;
    std::atomic<std::uint64_t> done_ = 0;
    std::atomic<bool> finished_ = false;
    MadeCopy made_;
};

// A small pool of threads that make copies (TransferJob), started with the first job
// and ended with the pool. They never ask, show or write to the journal: all of that
// stays with the run's thread.
class CopyWorkers {
public:
    CopyWorkers(int threads, CopyMethods& methods);
    // Jobs not yet started are given up; running ones are cancelled and waited for.
    ~CopyWorkers();
    CopyWorkers(const CopyWorkers&) = delete;
    CopyWorkers& operator=(const CopyWorkers&) = delete;

    void start(std::shared_ptr<TransferJob> job);
    // Waits at most `timeout` for `job` to finish; whether it has. Only the finish of
    // the job waited for wakes the caller: one wake for a whole batch of copies.
    bool wait(const TransferJob& job, std::chrono::milliseconds timeout);

private:
    void work();

    const int threads_wanted_;
    CopyMethods& methods_;
    std::mutex mutex_;
    std::condition_variable work_;     // a job was added, or the pool ends
    std::condition_variable finished_; // a job finished
    std::deque<std::shared_ptr<TransferJob>> waiting_;
    std::vector<std::shared_ptr<TransferJob>> running_;
    const TransferJob* awaited_ = nullptr; // by the run's thread
    int idle_ = 0;                         // threads waiting for work
    bool ending_ = false;
    std::vector<std::thread> threads_;
};

// The number of copies a run makes at once unless told: one per core, at most 8.
int default_copy_jobs();

} // namespace vt
