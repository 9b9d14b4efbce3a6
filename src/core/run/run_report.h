#pragma once
#include "core/platform/file_time.h"
#include "core/run/run_count.h"
#include "core/run/run_progress.h"
#include "core/run/transfer_queue.h"

#include <cstdint>
#include <optional>
#include <string>

namespace vt {

// What a copy run tells whoever watches it (RunObserver, none for a run nobody
// watches): whether it runs, its progress against the count ahead, each decision, each
// file done, and the copies in flight while it waits. The run keeps its progress here.
class RunReport {
public:
    explicit RunReport(RunObserver* observer) : observer_(observer) {}

    RunProgress progress;
    RunCount count;

    void running(bool running);
    // The progress as it is now.
    void now();
    // A copy on the run's thread has `done` of its `size` bytes.
    void block(std::uint64_t done, std::uint64_t size);
    // The run waits for the copies `in` flight.
    void waiting(const TransferQueue::InFlight& in);
    void decided(int line, const std::string& sub_path, const std::string& name, std::uint64_t size,
                 const FileTime& source, const std::optional<FileTime>& backup, bool replace,
                 bool copy);
    // Settles a file against the count once the run is done with it; `counted`: the
    // count expects it to be copied.
    void tally(bool counted, std::uint64_t size, bool copied);
    // The file `name` of `folder` is done with, maybe after the run went on to others.
    void file_done(const std::string& folder, const std::string& name, bool copied);

private:
    RunObserver* const observer_;
};

} // namespace vt
