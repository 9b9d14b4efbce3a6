#pragma once
#include "core/platform/disk_catalog.h"
#include "core/platform/file_time.h"
#include "core/run/list_line.h"
#include "core/run/run_progress.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace vt {

class CopyInputs;

// Whether a run copies a file without asking anyone: no backup of it yet, a newer
// source, or an equal one on a line that replaces existing versions or whose size is
// not the source's. A copy cut short by a crash before the disk was flushed keeps the
// source's time over too few bytes; taken as up to date, it would never be mended. A
// backup newer than its source is always asked about, so it is never taken for granted.
//
// Times are the same when the destination's disk keeps them as one (see DiskTraits):
// nanoseconds apart on ext4, two seconds on FAT; a file rewritten a second after its
// backup on a disk that keeps more is a newer file.
bool copies_unasked(const timespec& source, const std::optional<timespec>& destination,
                    const DiskTraits& disk, bool replace, bool same_size = true);

// Counts, on a thread of its own, the files a copy run will copy and their bytes, so
// that a progress display knows the whole long before the run has got there.
//
// The count goes through every line from the start of the run, in the run's order,
// and keeps only numbers: a tree of any size costs it the same memory. It reads no
// file's content and looks at each entry once on each side, which is little next to
// copying it. It is a forecast, never a rule: the run decides every file afresh.
//
// The count must see each file before the run has copied it. Each folder, and in the
// folder the two share each entry, belongs to whichever of them gets there first:
// what the run reaches before the count (a count held up by a slow share, or only
// just started) is left to the run, which adds the files it copies there itself.
// The totals only ever grow.
class RunCount {
public:
    using Line = ListLine;
    // The lines of the list as the run will find them.
    static std::vector<Line> lines_of(const CopyInputs& inputs);

    // Who counts the entries of a folder the run is in.
    struct Place {
        enum Mode { Count, Shared, Run } mode = Run;
        std::uint64_t serial = 0; // of the folder the count is in, when shared
        // How long the run still waits for the count to catch up in this folder.
        std::chrono::microseconds patience{0};
    };
    // The run's first folder is where the two start together: the run waits this
    // long in all for the count to look at an entry before it takes the rest (a
    // count just started would otherwise lose the first folder, often the only one).
    static constexpr std::chrono::milliseconds kFirstFolderPatience{100};

    RunCount() = default;
    ~RunCount() { stop(); }
    RunCount(const RunCount&) = delete;
    RunCount& operator=(const RunCount&) = delete;

    // Starts counting `lines` (rows 1, 2, ...); what an earlier count found is
    // forgotten. With `every_file`, every file the lines select is counted, whatever
    // its backup (what a check compares).
    void start(std::vector<Line> lines, bool every_file = false);
    // Ends the count; the run is over.
    void stop();
    // The run's disks, for how times compare there; none: an unknown disk's least.
    void set_disks(DiskCatalog* disks) { disks_ = disks; }

    // The run starts folder `index` of line `row` (in the order in which the run
    // takes a line's folders). A folder the count has not reached is the run's: the
    // count passes over it.
    Place reached(int row, std::size_t index);
    // Before the run acts on `entry` (the folder's entries that match the mask,
    // numbered in the file system's order): true when the count has looked at it,
    // false when the run is first; the rest of the folder is then the run's, and the
    // run tells of each file it copies there with add().
    bool took(Place& place, std::size_t entry);
    // A file the run copied that the count had not included.
    void add(std::uint64_t bytes);

    // Puts the totals so far into `progress` (total_files, total_bytes, total_known).
    void read(RunProgress& progress) const;

private:
    void count();
    void count_line(int row, const Line& line);
    // Reads one folder of a line: counts its files when `take`, and lists its
    // subfolders into `subfolders` when that is given.
    void count_folder(const Line& line, const std::string& sub_path, bool take,
                      std::vector<std::string>* subfolders, const struct stat* target);
    bool claim(int row, std::size_t index);
    // The count has looked at the next entry of its folder: false when the run took
    // it first.
    bool pass(std::size_t entry);
    // How times of the folder `source` and its backup folder `destination` compare.
    DiskTraits compared_at(int source, int destination) const;

    std::vector<Line> lines_;
    DiskCatalog* disks_ = nullptr;
    bool every_file_ = false;
    std::atomic<std::int64_t> files_ = 0;
    std::atomic<std::uint64_t> bytes_ = 0;
    std::atomic<bool> known_ = false;
    std::atomic<bool> stopping_ = false;

    // Where the count and the run stand (row in the high half, folder index in the
    // low one): a folder belongs to whichever of the two reaches it first.
    std::mutex places_;
    std::uint64_t count_at_ = 0; // the last folder the count took
    std::uint64_t run_at_ = 0;   // the folder the run is in
    std::uint64_t serial_ = 0;   // of the last folder the count took
    // The run counts the files of the folder it is in itself (it got there first).
    std::atomic<bool> run_counts_ = false;
    // In the folder the count is in: its serial (high half) and the number of its
    // entries looked at (low half), or kTaken once the run has taken the rest.
    std::atomic<std::uint64_t> frontier_ = 0;
    std::thread worker_;
};

} // namespace vt
