#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vt {

// What a comparison of two files' contents found.
struct Comparison {
    enum class Result {
        Same,
        Different,   // `offset`: the first byte that differs, or where one file ended
        SourceError, // the source could not be read (`error`)
        CopyError,   // the copy or backup could not be written out or read (`error`)
        Cancelled    // given up between two blocks
    };
    Result result = Result::Same;
    int error = 0;
    std::uint64_t offset = 0;

    bool same() const { return result == Result::Same; }
};

// The memory of the comparisons made on one thread: two blocks, made when the first
// comparison needs them.
class CompareBuffers {
public:
    // Large enough that the calls cost little next to the reading, small enough that
    // both blocks stay in the processor's cache while they are compared.
    static constexpr std::size_t kBlock = std::size_t{1} << 20;

    char* source();
    char* copy();

private:
    std::unique_ptr<char[]> memory_;
};

// Called after each block compared with the bytes compared so far; false gives the
// comparison up (Cancelled).
using CompareProgress = std::function<bool(std::uint64_t compared)>;

// Compares the first `size` bytes of two open files, block by block (pread: the
// files' offsets are left as they were). The copy is read as a read-back
// (sys::Op::ReadBack), the source as an ordinary read. A file that ends before
// `size` differs from the other where it ends.
Comparison compare_contents(int source, int copy, std::uint64_t size, CompareBuffers& buffers,
                            const CompareProgress& progress = nullptr);

// Reads a finished copy back from its disk and compares it with its source, before the
// copy takes its name. The copy's data is written out to the disk and its cached pages
// dropped first, so that what is compared is what the disk gives back, not what the
// program wrote into memory; its pages are dropped again afterwards, since nobody
// reads a backup soon. The source is read through the cache as the copy left it: it
// is what the copy was made from, and dropping it would only make the next reader of
// the user's own files wait for the disk.
Comparison verify_copy(int copy, int source, std::uint64_t size, CompareBuffers& buffers,
                       const CompareProgress& progress = nullptr);

// The error text of a comparison that did not find the copy the same, for the
// journal's error entry and the transfer's box.
std::string comparison_error_text(const Comparison& comparison);

} // namespace vt
