#include "core/platform/write_behind.h"

#include "core/platform/quiet_thread.h"
#include "core/platform/sys.h"

#include <algorithm>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace vt {

void WriteBehind::add(int dirfd) {
    const int fd = ::openat(dirfd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    const std::lock_guard lock(mutex_);
    disks_.push_back(fd);
    if (!thread_.joinable()) {
        stopping_ = false;
        thread_ = quiet_thread([this] { flush_until_stopped(); });
    }
}

void WriteBehind::stop() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
    for (const int fd : disks_)
        ::close(fd);
    disks_.clear();
}

void WriteBehind::flush_until_stopped() {
    ::pthread_setname_np(::pthread_self(), "vantorel-flush");
    std::unique_lock lock(mutex_);
    auto pause = every_;
    for (;;) {
        if (wake_.wait_for(lock, pause, [this] { return stopping_; }))
            return;
        // Disks are only added while the thread runs, so the list is copied: a flush
        // may take long, and add() must not wait for it.
        const std::vector<int> fds = disks_;
        lock.unlock();
        const auto started = std::chrono::steady_clock::now();
        for (int fd : fds)
            sys::write_behind(fd);
        // Each flush also empties the disk's cache and commits its journal: a slow
        // disk (a USB stick, a disk that spins) is flushed less often, so that those
        // cost it at most half its time.
        pause = std::max(every_, std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - started));
        lock.lock();
    }
}

} // namespace vt
