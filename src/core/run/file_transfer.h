#pragma once
#include "core/platform/content_compare.h"
#include "core/platform/disk_traits.h"
#include "core/platform/file_attributes.h"
#include "core/platform/file_copy.h"
#include "core/platform/new_file.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>

namespace vt {

class Journal;
class Prompter;

enum class TransferOutcome { Copied, Skip, EndRun };

// Keeps a destination file before a copy takes its name (the run's kept versions, see
// kept_versions.h). Called on the run's thread, where copies are named.
class ReplacedKeeper {
public:
    virtual ~ReplacedKeeper() = default;
    // 0, or the errno that refuses the replacement (the old file stays). `moved`: the
    // old file left its name.
    virtual int keep(int destination_dir, const std::string& name, bool& moved) = 0;
    // A moved file goes back to its name: the copy could not take it.
    virtual void put_back(int destination_dir, const std::string& name) = 0;
};

// The two open folders of a transfer.
struct TransferPlace {
    int source_dir = -1;
    int destination_dir = -1;         // may be O_PATH
    dev_t destination_device = 0;     // of the destination folder; 0: looked up
    bool umask_decides = false;       // the folder has no default ACL (file_mode.h)
    ReplacedKeeper* keeper = nullptr; // keeps what a copy replaces; none: nothing is kept
    // The group a new file in the folder gets (the folder's own where it has setgid),
    // when the caller knows: then it need not be asked of every copy.
    std::optional<gid_t> new_files_group = std::nullopt;
    // What the destination's disk keeps, and how a copy reaches it; none: an unknown
    // disk's least.
    const DiskTraits* disk = nullptr;
    // The source is opened without following a link (ELOOP): a restore's source is a
    // backup that others may have written to.
    bool source_no_follow = false;
    // The source's disk makes owners and permission bits up (DiskTraits::keeps_modes):
    // a copy keeps those of the file it replaces, or gets what the umask gives.
    bool source_made_up = false;
};

// What the run saw at the destination when it decided to copy the file.
enum class DestinationSeen {
    Unknown, // looked at by the transfer
    Absent,  // no file of that name: the copy takes the name unless one appears meanwhile
    Present  // a file to be replaced
};

// The complete copy of a file before it takes its name, or why there is none.
struct MadeCopy {
    enum class Problem {
        None,
        Source,      // the source cannot be opened
        Destination, // the copy cannot be made or named in the destination folder
        Data,        // reading, writing or flushing failed
        Differs,     // the copy read back is not its source ("Compare Each Copy")
        SameFile,    // the destination is the source itself: nothing to do
        Cancelled,   // the run stopped while the copy was made
        TooLarge,    // larger than the destination's disk can hold: not tried
        Short        // the copy on its disk is not as long as the data copied
    };
    Problem problem = Problem::None;
    int error = 0; // errno; 0 for a Data problem means the source ended early
    NewFile file;  // the copy, without its name yet
    bool replacing = false;
    bool flushed = false; // on its disk (see flush_policy.h)
    int times_error = 0;  // errno of setting the copy's times: recorded, the copy counts
    AttributeLoss lost;   // what of the source's attributes the copy could not keep
    std::uint64_t size = 0;
    std::uint64_t size_on_disk = 0; // of a Short copy

    bool ok() const { return problem == Problem::None; }
};

// Copies one file byte for byte and gives the copy the source's access and
// modification times, owner, permission bits, extended attributes and ACLs. The copy is written to
// a new file without a name in the destination folder (see new_file.h) and takes the destination's
// name only when complete, flushed to the disk first when it replaces a file: whatever happens, the
// old destination file is either kept exactly as it was or replaced by the whole new
// copy, and no temporary file is left behind. Problems are asked about (Abort, Retry,
// Ignore) and recorded in the journal.
//
// A transfer is three steps, which a run may split between threads: make the copy
// (`make_copy`: the source opened, the data copied, attributes and times set, its
// length on the disk checked), flush it where the disk's flush policy wants it
// (`flush_copy`, see flush_policy.h), both free of questions and journal entries and
// safe on any thread; then name it (`name_copy`) and tell (`conclude`), on the run's
// thread, in the run's order.
class FileTransfer {
public:
    // The block of the read/write copy, where the kernel cannot copy.
    static constexpr std::size_t kBlockSize = 61440;

    FileTransfer(Prompter& prompter, Journal& journal);

    // Called after every call that moved data, with the bytes of this file copied so
    // far and its size (transfers on this thread only).
    void on_block(std::function<void(std::uint64_t done, std::uint64_t size)> callback) {
        on_block_ = std::move(callback);
    }
    // A new run: what the last one learnt of the disks is forgotten.
    void start_run() { methods_.clear(); }
    CopyMethods& methods() { return methods_; }
    // With `compare`, the transfers on this thread read every copy back from its disk
    // and compare it with its source before it takes its name.
    void set_compare(bool compare) { compare_ = compare; }

    // The whole transfer on this thread; Retry starts a new attempt.
    TransferOutcome transfer(const TransferPlace& place, const std::string& name,
                             DestinationSeen seen = DestinationSeen::Unknown);
    // The same with descriptors of the two folders, or by folder paths.
    TransferOutcome transfer(int source_dir, int destination_dir, const std::string& name);
    TransferOutcome transfer(const std::string& source_folder,
                             const std::string& destination_folder, const std::string& name);
    // Ends a transfer whose copy was made on another thread: names it, or asks about
    // its problem (Retry transfers the file again, on this thread).
    TransferOutcome finish(MadeCopy& made, const TransferPlace& place, const std::string& name);

    // Step 1: makes the copy of `name`. Any thread. With `compare` (the thread's
    // buffers), the finished copy is read back from its disk (verify_copy) before its
    // times are set, so that the reading cannot touch them; `watch.done` then goes on
    // from the size to twice the size as the comparison proceeds. A file larger than
    // the destination's disk can hold is refused before anything is written (TooLarge);
    // a copy whose length on the disk is not the length copied is a failure (Short):
    // a driver that drops what passes its limits may report every write done.
    static MadeCopy make_copy(const TransferPlace& place, const std::string& name,
                              DestinationSeen seen, CopyMethods& methods, CopyScratch& scratch,
                              const CopyWatch& watch, CompareBuffers* compare = nullptr);
    // Step 2: flushes the copy by itself (fdatasync), for the copies whose disk's
    // policy wants it before they are named (flush_policy.h): a copy that replaces a
    // file, so that a power cut never leaves a zeroed file with the source's time
    // stamp in place of the last good backup, and on a disk that a flush of the whole
    // disk does not reach, every copy. Copies on workers onto other disks are flushed
    // in batches (flush_batch.h). Any thread.
    static void flush_copy(MadeCopy& made);
    // Step 3: the copy takes the destination's name (a link there is a failure,
    // never written through); a file that appeared since the copy was made is replaced
    // only under the rules for replacing. A file replaced is first kept by the
    // place's keeper, when it has one. A copy that the disk's policy wants flushed and
    // that was not yet is flushed first. Run's thread.
    static void name_copy(MadeCopy& made, const TransferPlace& place, const std::string& name);

    // Bytes written by the last transfer that succeeded.
    std::uint64_t last_size() const { return last_size_; }

private:
    enum class Step { Done, Retry, Skip, EndRun };
    // Records and names a made copy, or asks about its problem.
    Step conclude(MadeCopy& made, const TransferPlace& place, const std::string& name);
    // How a transfer ends after a step that is not a Retry.
    static TransferOutcome outcome_of(Step step);
    // Asks about a failure; the journal gets `journal_line`, or by default the error.
    Step ask(const char* title, const char* first_line, const std::string& name,
             const std::string& error, const std::string& journal_line = {});

    Prompter& prompter_;
    Journal& journal_;
    CopyMethods methods_;
    CopyScratch scratch_;
    bool compare_ = false;
    CompareBuffers compare_buffers_;
    std::function<void(std::uint64_t, std::uint64_t)> on_block_;
    std::uint64_t last_size_ = 0;
};

} // namespace vt
