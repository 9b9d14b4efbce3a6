#pragma once
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace vt {

// Sends what is written to a few file systems on to their disks while the writing
// goes on, so that the flush that ends the writing finds little left.
//
// Left alone, the kernel holds written data in memory until a tenth or so of it is
// dirty: on a machine with much memory, a whole backup, which the run's closing flush
// then writes while nothing else happens. Flushing each file system every few hundred
// milliseconds in the background keeps the disk writing while the run copies.
//
// The flushes only send data on early: whether it arrived is for the owner's own
// flush to tell. Each file system is flushed through a descriptor of its own, since a
// flush reports a write error once for each open file: the owner's flush still sees
// an error that one of these met.
class WriteBehind {
public:
    // Each file system is flushed every so long: often enough that the disk never
    // waits long for data, seldom enough that the journal commit and cache flush of
    // each syncfs cost little.
    explicit WriteBehind(std::chrono::milliseconds every = std::chrono::milliseconds(300))
        : every_(every) {}
    // Waits for a flush under way.
    ~WriteBehind() { stop(); }
    WriteBehind(const WriteBehind&) = delete;
    WriteBehind& operator=(const WriteBehind&) = delete;

    // Flushes the file system that holds the open folder `dirfd` from now on (one not
    // given before: the owner knows which disks it wrote to, and gives only those that
    // a syncfs reaches: on others it would only cost time, see flush_policy.h).
    void add(int dirfd);
    // Ends the flushing, waiting for a flush under way; add() starts it again.
    void stop();

private:
    void flush_until_stopped();

    const std::chrono::milliseconds every_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<int> disks_; // a folder on each, open for reading (syncfs refuses O_PATH)
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace vt
