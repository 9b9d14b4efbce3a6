#include "core/platform/file_copy.h"

#include "core/platform/sys.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace vt {
namespace {

// The block of the read/write copy.
constexpr std::size_t kBlock = 61440;
// A pair that refused this many files in a row is not asked again in the run: one
// refusal may be the file's own (a Btrfs file without copy-on-write cannot share its
// blocks with one that has it), a run of them is the file system's.
constexpr int kRefusalsToGiveUp = 8;
constexpr auto kCallTarget = std::chrono::milliseconds(30);
// Large files are read ahead generously; for small ones the hint would cost more
// than it brings.
constexpr off_t kReadAheadFrom = 1 << 20;

// Errors that mean "not this way" rather than a failure of the copy.
bool refused(int error) {
    return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP ||
           error == ENOTTY || error == ETXTBSY || error == EPERM;
}

bool cancelled(const CopyWatch& watch) {
    return watch.cancel && watch.cancel->load(std::memory_order_relaxed);
}

void advanced(const CopyWatch& watch, std::uint64_t& done, std::uint64_t bytes,
              std::uint64_t size) {
    done += bytes;
    if (watch.done)
        watch.done->store(done, std::memory_order_relaxed);
    if (watch.after_call)
        watch.after_call(done, size);
}

// Copies [start, end) inside the kernel. `refusal` is set when the very first call of
// the file says the kernel cannot do it; nothing has been written then.
CopyResult kernel_copy(int from, int to, off_t start, off_t end, std::uint64_t size, bool first,
                       CallPacer& pacer, const CopyWatch& watch, std::uint64_t& done,
                       bool& refusal) {
    off_t in = start, out = start;
    while (in < end) {
        if (cancelled(watch))
            return {CopyStatus::Cancelled, 0};
        const std::size_t want =
            static_cast<std::size_t>(std::min<off_t>(end - in, static_cast<off_t>(pacer.size())));
        const auto began = std::chrono::steady_clock::now();
        const ssize_t n = sys::copy_range(from, &in, to, &out, want);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            refusal = first && refused(errno);
            return {CopyStatus::Failed, errno};
        }
        if (n == 0)
            return {CopyStatus::EndedEarly, 0};
        first = false;
        if (static_cast<std::size_t>(n) == want)
            pacer.took(want, std::chrono::steady_clock::now() - began);
        advanced(watch, done, static_cast<std::uint64_t>(n), size);
    }
    return {};
}

// Reads exactly `count` bytes; a file that ends early says so.
CopyResult read_exactly(int fd, char* buffer, std::size_t count) {
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n = sys::read(fd, buffer + got, count - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return {CopyStatus::Failed, errno};
        if (n == 0)
            return {CopyStatus::EndedEarly, 0};
        got += static_cast<std::size_t>(n);
    }
    return {};
}

// Copies [start, end) through the buffer, in blocks of 61440 bytes.
CopyResult block_copy(int from, int to, off_t start, off_t end, std::uint64_t size,
                      CopyScratch& scratch, const CopyWatch& watch, std::uint64_t& done) {
    if (::lseek(from, start, SEEK_SET) != start || ::lseek(to, start, SEEK_SET) != start)
        return {CopyStatus::Failed, errno};
    if (scratch.buffer.size() < kBlock)
        scratch.buffer.resize(kBlock);
    for (off_t at = start; at < end;) {
        if (cancelled(watch))
            return {CopyStatus::Cancelled, 0};
        const std::size_t block = static_cast<std::size_t>(std::min<off_t>(end - at, kBlock));
        const CopyResult r = read_exactly(from, scratch.buffer.data(), block);
        if (r.status != CopyStatus::Done)
            return r;
        if (!sys::write_all(to, scratch.buffer.data(), block))
            return {CopyStatus::Failed, errno};
        at += static_cast<off_t>(block);
        advanced(watch, done, block, size);
    }
    return {};
}

} // namespace

const CopyMethods::Pair* CopyMethods::find(dev_t from, dev_t to) const {
    for (const Pair& p : pairs_) {
        if (p.from == from && p.to == to)
            return &p;
    }
    return nullptr;
}

CopyMethods::Pair& CopyMethods::pair(dev_t from, dev_t to) {
    for (Pair& p : pairs_) {
        if (p.from == from && p.to == to)
            return p;
    }
    return pairs_.emplace_back(Pair{from, to});
}

bool CopyMethods::may_clone(dev_t from, dev_t to) const {
    const std::lock_guard lock(mutex_);
    const Pair* p = find(from, to);
    return !p || p->clone_refusals < kRefusalsToGiveUp;
}

bool CopyMethods::may_copy_in_kernel(dev_t from, dev_t to) const {
    const std::lock_guard lock(mutex_);
    const Pair* p = find(from, to);
    return !p || p->kernel_refusals < kRefusalsToGiveUp;
}

void CopyMethods::cloned(dev_t from, dev_t to, bool ok, int error) {
    const std::lock_guard lock(mutex_);
    Pair& p = pair(from, to);
    // Blocks are never shared between two file systems.
    p.clone_refusals = ok                             ? 0
                       : from != to || error == EXDEV ? kRefusalsToGiveUp
                                                      : p.clone_refusals + 1;
}

void CopyMethods::copied_in_kernel(dev_t from, dev_t to, bool ok, int error) {
    const std::lock_guard lock(mutex_);
    Pair& p = pair(from, to);
    p.kernel_refusals = ok ? 0 : error == EXDEV ? kRefusalsToGiveUp : p.kernel_refusals + 1;
}

void CopyMethods::clear() {
    const std::lock_guard lock(mutex_);
    pairs_.clear();
}

void CallPacer::took(std::size_t bytes, std::chrono::steady_clock::duration took) {
    if (bytes < size_)
        return; // the end of a file says nothing about the disk's pace
    if (took < kCallTarget / 2)
        size_ = std::min(size_ * 2, kLargest);
    else if (took > kCallTarget * 2)
        size_ = std::max(size_ / 2, kSmallest);
}

CopyResult copy_file_data(int from, const struct stat& from_stat, int to, dev_t to_device,
                          CopyMethods& methods, CopyScratch& scratch, const CopyWatch& watch) {
    const off_t size = from_stat.st_size;
    const auto total = static_cast<std::uint64_t>(size);
    std::uint64_t done = 0;
    if (size <= 0)
        return {};
    const dev_t from_device = from_stat.st_dev;
    if (methods.may_clone(from_device, to_device)) {
        const bool ok = sys::clone_file(from, to) == 0;
        methods.cloned(from_device, to_device, ok, ok ? 0 : errno);
        if (ok) {
            advanced(watch, done, total, total);
            return {};
        }
    }
    // A file with fewer blocks than its size has holes (or is compressed): only its
    // data is copied, and the copy gets its length at the end. Any other file is one
    // piece of data, which spares two calls per file.
    const bool holes =
        static_cast<std::uint64_t>(from_stat.st_blocks) * 512 < static_cast<std::uint64_t>(size);
    if (size >= kReadAheadFrom)
        ::posix_fadvise(from, 0, 0, POSIX_FADV_SEQUENTIAL);
    bool in_kernel = methods.may_copy_in_kernel(from_device, to_device);
    bool first = true;
    off_t end_of_data = 0;
    for (off_t at = 0; at < size;) {
        off_t start = at, end = size;
        if (holes) {
            start = ::lseek(from, at, SEEK_DATA);
            if (start < 0 && errno == ENXIO)
                break; // only a hole is left
            if (start < 0) {
                start = at; // no hole finding on this file system: all of it is data
            } else {
                end = ::lseek(from, start, SEEK_HOLE);
                if (end < 0)
                    end = size;
                end = std::min(end, size);
            }
            if (start >= size)
                break;
        }
        CopyResult r;
        if (in_kernel) {
            bool refusal = false;
            r = kernel_copy(from, to, start, end, total, first, scratch.pacer, watch, done,
                            refusal);
            if (first)
                methods.copied_in_kernel(from_device, to_device, !refusal, r.error);
            if (refusal)
                in_kernel = false;
        }
        if (!in_kernel)
            r = block_copy(from, to, start, end, total, scratch, watch, done);
        if (r.status != CopyStatus::Done)
            return r;
        first = false;
        end_of_data = end;
        at = end;
    }
    if (holes) {
        // A source that shrank while its holes were looked for must not pass for one
        // with a hole at its end.
        struct stat now {};
        if (::fstat(from, &now) == 0 && now.st_size < size)
            return {CopyStatus::EndedEarly, 0};
        if (end_of_data < size && ::ftruncate(to, size) != 0)
            return {CopyStatus::Failed, errno};
    }
    return {};
}

} // namespace vt
