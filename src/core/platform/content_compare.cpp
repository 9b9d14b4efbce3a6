#include "core/platform/content_compare.h"

#include "core/platform/error_text.h"
#include "core/platform/sys.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>

namespace vt {
namespace {

// Reads up to `count` bytes at `offset`; fewer only where the file ends. -1 and errno
// on an error.
ssize_t read_block(int fd, char* buffer, std::size_t count, std::uint64_t offset, sys::Op op) {
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n =
            sys::pread(fd, buffer + got, count - got, static_cast<off_t>(offset + got), op);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

} // namespace

char* CompareBuffers::source() {
    if (!memory_)
        memory_ = std::make_unique<char[]>(2 * kBlock);
    return memory_.get();
}

char* CompareBuffers::copy() {
    return source() + kBlock;
}

Comparison compare_contents(int source, int copy, std::uint64_t size, CompareBuffers& buffers,
                            const CompareProgress& progress) {
    if (size > CompareBuffers::kBlock) {
        ::posix_fadvise(source, 0, 0, POSIX_FADV_SEQUENTIAL);
        ::posix_fadvise(copy, 0, 0, POSIX_FADV_SEQUENTIAL);
    }
    char* const a = buffers.source();
    char* const b = buffers.copy();
    for (std::uint64_t at = 0; at < size;) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(size - at, CompareBuffers::kBlock));
        const ssize_t from = read_block(source, a, want, at, sys::Op::Read);
        if (from < 0)
            return {Comparison::Result::SourceError, errno, at};
        const ssize_t back = read_block(copy, b, want, at, sys::Op::ReadBack);
        if (back < 0)
            return {Comparison::Result::CopyError, errno, at};
        const auto common = static_cast<std::size_t>(std::min(from, back));
        if (std::memcmp(a, b, common) != 0) {
            const std::size_t first =
                static_cast<std::size_t>(std::mismatch(a, a + common, b).first - a);
            return {Comparison::Result::Different, 0, at + first};
        }
        if (common < want)
            return {Comparison::Result::Different, 0, at + common};
        at += want;
        if (progress && !progress(at))
            return {Comparison::Result::Cancelled, 0, at};
    }
    return {};
}

Comparison verify_copy(int copy, int source, std::uint64_t size, CompareBuffers& buffers,
                       const CompareProgress& progress) {
    // Written out first: dirty pages cannot be dropped, and only what has reached the
    // disk can be read back from it.
    if (size > 0 && sys::write_out(copy) != 0)
        return {Comparison::Result::CopyError, errno, 0};
    ::posix_fadvise(copy, 0, 0, POSIX_FADV_DONTNEED);
    const Comparison result = compare_contents(source, copy, size, buffers, progress);
    ::posix_fadvise(copy, 0, 0, POSIX_FADV_DONTNEED);
    return result;
}

std::string comparison_error_text(const Comparison& comparison) {
    switch (comparison.result) {
    case Comparison::Result::Same:
        return {};
    case Comparison::Result::Different:
        return "The copy read back differs from its source";
    case Comparison::Result::Cancelled:
        return "The comparison was stopped";
    case Comparison::Result::SourceError:
    case Comparison::Result::CopyError:
        break;
    }
    return comparison.error ? system_error_text(comparison.error) : "Input/output error";
}

} // namespace vt
