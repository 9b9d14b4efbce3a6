#include "core/platform/sys.h"

#include "core/platform/beneath.h"
#include "core/platform/long_path.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <memory>
#include <mutex>
#include <sys/ioctl.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace vt::sys {
namespace {

// O_TMPFILE makes a new file as much as O_CREAT does.
bool creates(int flags) {
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE;
}

// The hook is read by every wrapped call, from any thread, and set only by tests: a
// flag spares the calls of a program without a hook the lock.
std::atomic<bool> g_hooked = false;
std::mutex g_hook_mutex;
std::shared_ptr<const FaultHook> g_hook;

// 0: go ahead; otherwise the errno value (or kShortWrite) the hook asked for.
int injected(Op op, const char* path) {
    if (!g_hooked.load(std::memory_order_acquire))
        return 0;
    std::shared_ptr<const FaultHook> hook;
    {
        const std::lock_guard lock(g_hook_mutex);
        hook = g_hook;
    }
    return hook && *hook ? (*hook)(op, path) : 0;
}

bool fail_with(Op op, const char* path) {
    const int e = injected(op, path);
    if (e > 0) {
        errno = e;
        return true;
    }
    return false;
}

} // namespace

void set_fault_hook(FaultHook h) {
    auto hook = std::make_shared<const FaultHook>(std::move(h));
    const std::lock_guard lock(g_hook_mutex);
    g_hook = std::move(hook);
    g_hooked.store(true, std::memory_order_release);
}
void clear_fault_hook() {
    std::shared_ptr<const FaultHook> old;
    const std::lock_guard lock(g_hook_mutex);
    old.swap(g_hook); // destroyed after the lock is released
    g_hooked.store(false, std::memory_order_release);
}

namespace {
std::atomic<bool> g_typed = false;
std::shared_ptr<const DiskTypeHook> g_type_hook; // under g_hook_mutex
} // namespace

void set_disk_type_hook(DiskTypeHook h) {
    auto hook = std::make_shared<const DiskTypeHook>(std::move(h));
    const std::lock_guard lock(g_hook_mutex);
    g_type_hook = std::move(hook);
    g_typed.store(true, std::memory_order_release);
}
void clear_disk_type_hook() {
    std::shared_ptr<const DiskTypeHook> old;
    const std::lock_guard lock(g_hook_mutex);
    old.swap(g_type_hook);
    g_typed.store(false, std::memory_order_release);
}

int fstatfs(int fd, struct statfs* out) {
    if (::fstatfs(fd, out) != 0)
        return -1;
    if (g_typed.load(std::memory_order_acquire)) {
        std::shared_ptr<const DiskTypeHook> hook;
        {
            const std::lock_guard lock(g_hook_mutex);
            hook = g_type_hook;
        }
        if (hook && *hook)
            out->f_type =
                static_cast<decltype(out->f_type)>((*hook)(static_cast<long>(out->f_type)));
    }
    return 0;
}

int open(const char* path, int flags, mode_t mode) {
    if (fail_with(creates(flags) ? Op::Create : Op::Open, path))
        return -1;
    return ::open(path, flags | O_CLOEXEC, mode);
}

int openat(int dirfd, const char* path, int flags, mode_t mode) {
    if (fail_with(creates(flags) ? Op::Create : Op::Open, path))
        return -1;
    return ::openat(dirfd, path, flags | O_CLOEXEC, mode);
}

ssize_t read(int fd, void* buffer, size_t count) {
    if (fail_with(Op::Read, nullptr))
        return -1;
    return ::read(fd, buffer, count);
}

ssize_t pread(int fd, void* buffer, size_t count, off_t offset, Op op) {
    const int e = injected(op, nullptr);
    if (e > 0) {
        errno = e;
        return -1;
    }
    const ssize_t n = ::pread(fd, buffer, count, offset);
    if (e == kAltered && n > 0)
        static_cast<unsigned char*>(buffer)[0] ^= 0x5a;
    return n;
}

ssize_t write(int fd, const void* buffer, size_t count) {
    const int e = injected(Op::Write, nullptr);
    if (e == kShortWrite)
        return ::write(fd, buffer, count / 2);
    if (e > 0) {
        errno = e;
        return -1;
    }
    return ::write(fd, buffer, count);
}

int close(int fd) {
    const int e = injected(Op::Close, nullptr);
    const int r = ::close(fd); // the descriptor is released either way
    if (e > 0) {
        errno = e;
        return -1;
    }
    return r;
}

int fsync(int fd) {
    if (fail_with(Op::Sync, nullptr))
        return -1;
    return ::fsync(fd);
}

int rename(const char* from, const char* to) {
    if (fail_with(Op::Rename, to))
        return -1;
    return ::rename(from, to);
}

int renameat(int fromdir, const char* from, int todir, const char* to) {
    if (fail_with(Op::Rename, to))
        return -1;
    return ::renameat(fromdir, from, todir, to);
}

int linkat(int fromdir, const char* from, int todir, const char* to, int flags) {
    if (fail_with(Op::Rename, to))
        return -1;
    return ::linkat(fromdir, from, todir, to, flags);
}

int mkdir(const char* path, mode_t mode) {
    if (fail_with(Op::Mkdir, path))
        return -1;
    return ::mkdir(path, mode);
}

int mkdirat(int dirfd, const char* path, mode_t mode, const char* hook_path) {
    if (fail_with(Op::Mkdir, hook_path))
        return -1;
    return ::mkdirat(dirfd, path, mode);
}

int fdatasync(int fd) {
    if (fail_with(Op::DataSync, nullptr))
        return -1;
    return ::fdatasync(fd);
}

int write_out(int fd) {
    if (fail_with(Op::DataSync, nullptr))
        return -1;
    const unsigned flags =
        SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
    if (::sync_file_range(fd, 0, 0, flags) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ESPIPE && errno != EOPNOTSUPP)
        return -1;
    return ::fdatasync(fd);
}

int syncfs(int fd) {
    if (fail_with(Op::SyncFs, nullptr))
        return -1;
    return ::syncfs(fd);
}

int write_behind(int fd) {
    if (fail_with(Op::WriteBehind, nullptr))
        return -1;
    return ::syncfs(fd);
}

int start_write_out(int fd) {
    if (fail_with(Op::StartWriteOut, nullptr))
        return -1;
    return ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
}

int open_folder(int dirfd, const char* path, int flags) {
    if (fail_with(Op::OpenDir, path))
        return -1;
    return open_long_path(dirfd, path, flags | O_DIRECTORY);
}

int open_folder_beneath(int top, const char* sub_path, int flags, const char* hook_path) {
    if (fail_with(Op::OpenDir, hook_path))
        return -1;
    return vt::open_beneath(top, sub_path, flags | O_DIRECTORY);
}

bool entry_fails(const char* path) {
    return fail_with(Op::ReadDir, path);
}

int unlink(const char* path) {
    if (fail_with(Op::Unlink, path))
        return -1;
    return ::unlink(path);
}

int unlinkat(int dirfd, const char* path, int flags) {
    if (fail_with(Op::Unlink, path))
        return -1;
    return ::unlinkat(dirfd, path, flags);
}

int futimens(int fd, const struct timespec times[2]) {
    if (fail_with(Op::SetTimes, nullptr))
        return -1;
    return ::futimens(fd, times);
}

int utimensat(int dirfd, const char* path, const struct timespec times[2], int flags) {
    if (fail_with(Op::SetTimes, path))
        return -1;
    return ::utimensat(dirfd, path, times, flags);
}

int fchown(int fd, uid_t owner, gid_t group) {
    if (fail_with(Op::SetOwner, nullptr))
        return -1;
    return ::fchown(fd, owner, group);
}

int fchmod(int fd, mode_t mode) {
    if (fail_with(Op::SetMode, nullptr))
        return -1;
    return ::fchmod(fd, mode);
}

ssize_t flistxattr(int fd, char* list, size_t size) {
    if (fail_with(Op::ListAttrs, nullptr))
        return -1;
    return ::flistxattr(fd, list, size);
}

ssize_t fgetxattr(int fd, const char* name, void* value, size_t size) {
    if (fail_with(Op::GetAttr, name))
        return -1;
    return ::fgetxattr(fd, name, value, size);
}

int fsetxattr(int fd, const char* name, const void* value, size_t size, int flags) {
    if (fail_with(Op::SetAttr, name))
        return -1;
    return ::fsetxattr(fd, name, value, size, flags);
}

int fremovexattr(int fd, const char* name) {
    if (fail_with(Op::SetAttr, name))
        return -1;
    return ::fremovexattr(fd, name);
}

ssize_t copy_range(int in, off_t* in_offset, int out, off_t* out_offset, size_t count) {
    if (fail_with(Op::Read, nullptr))
        return -1;
    const int e = injected(Op::Write, nullptr);
    if (e > 0) {
        errno = e;
        return -1;
    }
    return ::copy_file_range(in, in_offset, out, out_offset, e == kShortWrite ? count / 2 : count,
                             0);
}

int clone_file(int in, int out) {
    if (fail_with(Op::Clone, nullptr))
        return -1;
    return ::ioctl(out, FICLONE, in);
}

bool write_all(int fd, const void* buffer, size_t count) {
    const char* p = static_cast<const char*>(buffer);
    while (count > 0) {
        const ssize_t n = write(fd, p, count);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        p += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace vt::sys
