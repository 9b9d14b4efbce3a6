#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <sys/stat.h>

namespace vt {

class Journal;
class Prompter;

enum class TransferOutcome { Copied, Skip, EndRun };

// Copies one file byte for byte, in blocks of 61440 bytes, and gives the copy the
// source's access and modification times. The copy is written to a new file without
// a name in the destination folder (see new_file.h) and takes the destination's name
// only when complete, flushed to the disk first when it replaces a file: whatever
// happens, the old destination file is either kept exactly as it was or replaced by
// the whole new copy, and no temporary file is left behind. Problems are asked about
// (Abort, Retry, Ignore) and recorded in the journal.
class FileTransfer {
public:
    static constexpr std::size_t kBlockSize = 61440;

    FileTransfer(Prompter& prompter, Journal& journal);
    ~FileTransfer();

    // Called after every block with the bytes of this file copied so far and its size.
    void on_block(std::function<void(std::uint64_t done, std::uint64_t size)> callback) {
        on_block_ = std::move(callback);
    }

    // Keeps a destination file before a copy replaces it (kept_versions.h).
    class Keeper {
    public:
        virtual ~Keeper() = default;
        // 0, or the errno that refuses the replacement (the old file stays). `moved`:
        // the old file left its name.
        virtual int keep(int destination_dir, const std::string& name, bool& moved) = 0;
        // A moved file goes back to its name: the copy could not take it.
        virtual void put_back(int destination_dir, const std::string& name) = 0;
    };
    // The keeper of the transfers to come; null keeps nothing.
    void keep_replaced(Keeper* keeper) { keeper_ = keeper; }

    // `source_dir` and `destination_dir` are descriptors of the two folders.
    TransferOutcome transfer(int source_dir, int destination_dir, const std::string& name);
    // The same by folder paths (opens the folders first).
    TransferOutcome transfer(const std::string& source_folder,
                             const std::string& destination_folder, const std::string& name);

    // Bytes written by the last transfer that succeeded.
    std::uint64_t last_size() const { return last_size_; }

private:
    enum class Step { Done, Retry, Skip, EndRun };
    Step attempt(int source_dir, int destination_dir, const std::string& name);
    Step fail(const char* title, const char* first_line, const std::string& name, int error);
    Step fail_text(const char* title, const char* first_line, const std::string& name,
                   const std::string& error);

    Prompter& prompter_;
    Journal& journal_;
    std::unique_ptr<char[]> buffer_;
    std::function<void(std::uint64_t, std::uint64_t)> on_block_;
    Keeper* keeper_ = nullptr;
    std::uint64_t last_size_ = 0;
};

} // namespace vt
