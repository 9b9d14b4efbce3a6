#pragma once
#include "core/platform/content_compare.h"
#include "core/platform/shared_fd.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace vt {

// A source folder and the folder of its backup, open for as long as a comparison of
// one of their files needs them.
struct FolderPair {
    // The source folder is shared with the walk that read it; the backup is the pair's.
    FolderPair(SharedFd source_dir, int backup_fd, int backup_error)
        : source_dir(std::move(source_dir)), source(this->source_dir.get()), backup(backup_fd),
          backup_error(backup_error) {}
    ~FolderPair();
    FolderPair(const FolderPair&) = delete;
    FolderPair& operator=(const FolderPair&) = delete;

    const SharedFd source_dir;
    const int source;
    const int backup;       // -1 when the backup folder could not be opened
    const int backup_error; // then: ENOENT or ENOTDIR (missing), or why it could not
};

// What comparing one file with its backup found.
struct FileVerdict {
    enum class Kind {
        Same,
        Different,        // `offset`, or the two sizes when they differ
        Missing,          // no file of that name in the backup
        SourceUnreadable, // `error`
        BackupUnreadable, // `error`
        NotAFile,         // the source is no longer a file: passed over, as a run does
        Cancelled
    };
    Kind kind = Kind::Same;
    int error = 0;
    std::uint64_t offset = 0;
    std::uint64_t source_size = 0, backup_size = 0;
    std::uint64_t compared = 0; // bytes of each file read and compared
};

// Compares one file of `folders` with its backup.
FileVerdict compare_with_backup(const FolderPair& folders, const std::string& name,
                                CompareBuffers& buffers, const CompareProgress& progress = nullptr);

// Compares files with their backups on a few threads of its own and gives the
// verdicts back in the order the files were added, whatever order they are done in.
// At most `capacity` files are in hand at once, so a huge tree costs no more memory
// than a small one.
class ComparePool {
public:
    // As many as a run copies with (one per core the process may use, at most 8): with
    // the page cache warm a comparison is work for a processor, and with cold disks
    // more readers only make the disk seek.
    static unsigned default_threads();

    ComparePool(unsigned threads, std::size_t capacity);
    ~ComparePool();
    ComparePool(const ComparePool&) = delete;
    ComparePool& operator=(const ComparePool&) = delete;

    bool full() const;
    bool empty() const;
    // Never waits: call only when not full().
    void add(std::shared_ptr<const FolderPair> folders, std::string name);
    // The verdict of the oldest file in hand, once done; waits at most `patience`.
    // False when it is not done yet (or nothing is in hand).
    bool take(FileVerdict& verdict, std::chrono::milliseconds patience);
    // The comparisons in hand end at their next block (Cancelled), those not begun
    // at once. The pool takes no more files.
    void cancel();
    // Bytes compared so far, of every file ever added (for a progress display).
    std::uint64_t bytes_compared() const { return compared_.load(std::memory_order_relaxed); }

private:
    struct Slot {
        std::shared_ptr<const FolderPair> folders;
        std::string name;
        bool done = false;
        FileVerdict verdict;
    };
    void work();

    const std::size_t capacity_;
    mutable std::mutex mutex_;
    std::condition_variable work_; // a file was added, or stopping
    std::condition_variable done_; // a file was done
    std::deque<Slot> slots_;       // in the order added; done ones leave from the front
    std::size_t next_ = 0;         // index of the first slot no thread has taken
    int idle_ = 0;                 // threads waiting for work
    bool waiting_ = false;         // take() waits for the oldest file
    bool stopping_ = false;
    std::atomic<bool> cancelled_ = false;
    std::atomic<std::uint64_t> compared_ = 0;
    std::vector<std::thread> threads_;
};

} // namespace vt
