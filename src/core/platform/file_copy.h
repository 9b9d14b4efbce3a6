#pragma once
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <sys/stat.h>
#include <sys/types.h>
#include <vector>

namespace vt {

// Which ways of moving data each pair of file systems has refused during a run, so
// that a backup of 20,000 files onto a disk that cannot share blocks does not ask
// 20,000 times. Shared by the threads that copy.
class CopyMethods {
public:
    // Whether a file from `from` to `to` is worth trying to clone (share blocks), or
    // to copy inside the kernel.
    bool may_clone(dev_t from, dev_t to) const;
    bool may_copy_in_kernel(dev_t from, dev_t to) const;
    // The outcome of a try: a pair that refused several files in a row, or one that
    // can never work (two file systems for a clone), is not asked again.
    void cloned(dev_t from, dev_t to, bool ok, int error);
    void copied_in_kernel(dev_t from, dev_t to, bool ok, int error);
    // Forgets everything (a disk may have been swapped for another with its number).
    void clear();

private:
    struct Pair {
        dev_t from, to;
        int clone_refusals = 0, kernel_refusals = 0;
    };
    Pair& pair(dev_t from, dev_t to); // under the lock
    const Pair* find(dev_t from, dev_t to) const;

    mutable std::mutex mutex_;
    std::vector<Pair> pairs_;
};

// Sizes the calls of a kernel copy: each as large as the file system moves in about
// 30 ms, so that the window repaints and a stop is acted on in time, whatever the
// disk. One per thread that copies.
class CallPacer {
public:
    static constexpr std::size_t kSmallest = 1u << 20;
    static constexpr std::size_t kLargest = 32u << 20;

    std::size_t size() const { return size_; }
    // A call of `bytes` took `took`.
    void took(std::size_t bytes, std::chrono::steady_clock::duration took);

private:
    std::size_t size_ = 8u << 20;
};

// What a thread needs to copy data: its read/write buffer (made when first needed)
// and its pacer.
struct CopyScratch {
    std::vector<char> buffer;
    CallPacer pacer;
};

// Watches a copy in progress: a flag that cancels it between two calls, and the bytes
// done so far for a progress display.
struct CopyWatch {
    const std::atomic<bool>* cancel = nullptr;
    std::atomic<std::uint64_t>* done = nullptr;
    // Called on the copying thread after each call that moved data.
    std::function<void(std::uint64_t done, std::uint64_t size)> after_call;
};

enum class CopyStatus { Done, EndedEarly, Cancelled, Failed };
struct CopyResult {
    CopyStatus status = CopyStatus::Done;
    int error = 0; // errno of a failure
};

// Copies the data of the open regular file `from` (described by `from_stat`) into the
// new, empty file `to` on the device `to_device`. Where the file systems allow it the
// copy shares the source's blocks (FICLONE); else the kernel copies the data
// (copy_file_range) in large calls; else it goes through `scratch`'s buffer in
// blocks of 61440 bytes. Only the source's data is copied: holes stay holes, so a
// sparse file (a disk image, a database) takes no more room than its data. No room is
// reserved ahead (fallocate): on ext4 it gains a few per cent on large files at most,
// a crash could leave reserved blocks reading as zeros behind the source's time stamp
// unless each such copy were flushed at once, and on FAT disks it writes the whole
// file as zeros first. A source shorter than its size ends early; a cancel is looked at between
// calls.
CopyResult copy_file_data(int from, const struct stat& from_stat, int to, dev_t to_device,
                          CopyMethods& methods, CopyScratch& scratch, const CopyWatch& watch);

} // namespace vt
