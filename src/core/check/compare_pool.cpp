#include "core/check/compare_pool.h"

#include "core/platform/sys.h"
#include "core/run/copy_workers.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vt {
namespace {

// Opens a file to read it without touching its access time where the owner allows;
// O_NONBLOCK: a FIFO slipped in since the folder was read must not hang the check.
int open_quietly(int dir, const char* name) {
    const int flags = O_RDONLY | O_NOCTTY | O_NONBLOCK;
    int fd = sys::openat(dir, name, flags | O_NOATIME);
    if (fd < 0 && errno == EPERM)
        fd = sys::openat(dir, name, flags);
    return fd;
}

struct Fd {
    int fd;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
};

bool gone(int error) {
    return error == ENOENT || error == ENOTDIR;
}

FileVerdict verdict(FileVerdict::Kind kind, int error = 0) {
    FileVerdict v;
    v.kind = kind;
    v.error = error;
    return v;
}

} // namespace

FolderPair::~FolderPair() {
    if (backup >= 0)
        ::close(backup);
}

FileVerdict compare_with_backup(const FolderPair& folders, const std::string& name,
                                CompareBuffers& buffers, const CompareProgress& progress) {
    using Kind = FileVerdict::Kind;
    const Fd source{open_quietly(folders.source, name.c_str())};
    if (source.fd < 0)
        return gone(errno) ? verdict(Kind::NotAFile) : verdict(Kind::SourceUnreadable, errno);
    struct stat s {};
    if (::fstat(source.fd, &s) != 0)
        return verdict(Kind::SourceUnreadable, errno);
    if (!S_ISREG(s.st_mode))
        return verdict(Kind::NotAFile);
    FileVerdict v;
    v.source_size = static_cast<std::uint64_t>(s.st_size);
    auto backup_problem = [&v](int error) {
        v.kind = gone(error) ? Kind::Missing : Kind::BackupUnreadable;
        v.error = gone(error) ? 0 : error;
        return v;
    };
    if (folders.backup < 0)
        return backup_problem(folders.backup_error);
    // Looked at before it is opened: a device or FIFO of that name is no backup, and
    // opening one could do more than read it.
    struct stat b {};
    if (::fstatat(folders.backup, name.c_str(), &b, 0) != 0)
        return backup_problem(errno);
    if (!S_ISREG(b.st_mode))
        return backup_problem(ENOENT);
    if (b.st_dev == s.st_dev && b.st_ino == s.st_ino)
        return v; // the backup is the file itself
    v.backup_size = static_cast<std::uint64_t>(b.st_size);
    if (v.backup_size != v.source_size) {
        v.kind = Kind::Different;
        return v;
    }
    const Fd backup{open_quietly(folders.backup, name.c_str())};
    if (backup.fd < 0)
        return backup_problem(errno);
    const Comparison c = compare_contents(source.fd, backup.fd, v.source_size, buffers, progress);
    switch (c.result) {
    case Comparison::Result::Same:
        break;
    case Comparison::Result::Different:
        v.kind = Kind::Different;
        v.offset = c.offset;
        break;
    case Comparison::Result::SourceError:
        v.kind = Kind::SourceUnreadable;
        v.error = c.error;
        break;
    case Comparison::Result::CopyError:
        v.kind = Kind::BackupUnreadable;
        v.error = c.error;
        break;
    case Comparison::Result::Cancelled:
        v.kind = Kind::Cancelled;
        break;
    }
    return v;
}

unsigned ComparePool::default_threads() {
    return static_cast<unsigned>(default_copy_jobs());
}

ComparePool::ComparePool(unsigned threads, std::size_t capacity)
    : capacity_(std::max<std::size_t>(capacity, 1)) {
    // Signals (Ctrl+C of a check without a window) stay with the calling thread.
    sigset_t all, old;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &old);
    for (unsigned i = 0; i < std::max(threads, 1u); ++i)
        threads_.emplace_back([this] { work(); });
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

ComparePool::~ComparePool() {
    cancel();
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    work_.notify_all();
    for (std::thread& t : threads_)
        t.join();
}

bool ComparePool::full() const {
    const std::lock_guard lock(mutex_);
    return slots_.size() >= capacity_;
}

bool ComparePool::empty() const {
    const std::lock_guard lock(mutex_);
    return slots_.empty();
}

void ComparePool::add(std::shared_ptr<const FolderPair> folders, std::string name) {
    bool wake = false;
    {
        const std::lock_guard lock(mutex_);
        Slot& slot = slots_.emplace_back();
        slot.folders = std::move(folders);
        slot.name = std::move(name);
        if (cancelled_) {
            slot.done = true;
            slot.verdict.kind = FileVerdict::Kind::Cancelled;
            next_ = slots_.size();
            return;
        }
        // A busy thread takes the file when it is done with its own: waking one costs
        // more than comparing a small file.
        wake = idle_ > 0;
    }
    if (wake)
        work_.notify_one();
}

bool ComparePool::take(FileVerdict& verdict, std::chrono::milliseconds patience) {
    std::unique_lock lock(mutex_);
    auto ready = [this] { return !slots_.empty() && slots_.front().done; };
    if (!ready()) {
        if (patience.count() <= 0)
            return false;
        waiting_ = true;
        const bool got = done_.wait_for(lock, patience, ready);
        waiting_ = false;
        if (!got)
            return false;
    }
    verdict = slots_.front().verdict;
    slots_.pop_front();
    if (next_ > 0)
        --next_;
    return true;
}

void ComparePool::cancel() {
    const std::lock_guard lock(mutex_);
    cancelled_ = true;
    for (std::size_t i = next_; i < slots_.size(); ++i) {
        slots_[i].done = true;
        slots_[i].verdict = {};
        slots_[i].verdict.kind = FileVerdict::Kind::Cancelled;
    }
    next_ = slots_.size();
    done_.notify_all();
}

void ComparePool::work() {
    CompareBuffers buffers;
    std::unique_lock lock(mutex_);
    for (;;) {
        if (!stopping_ && next_ >= slots_.size()) {
            ++idle_;
            work_.wait(lock, [this] { return stopping_ || next_ < slots_.size(); });
            --idle_;
        }
        if (next_ >= slots_.size())
            return; // stopping, nothing left
        Slot& slot = slots_[next_++];
        lock.unlock();
        std::uint64_t counted = 0;
        FileVerdict v = compare_with_backup(
            *slot.folders, slot.name, buffers, [this, &counted](std::uint64_t compared) {
                compared_.fetch_add(compared - counted, std::memory_order_relaxed);
                counted = compared;
                return !cancelled_.load(std::memory_order_relaxed);
            });
        v.compared = counted;
        lock.lock();
        slot.verdict = v;
        slot.done = true;
        // Only the oldest file's verdict can be taken: only it wakes a waiting taker.
        if (waiting_ && &slot == &slots_.front())
            done_.notify_one();
    }
}

} // namespace vt
