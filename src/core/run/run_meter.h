#pragma once
#include "core/run/run_progress.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace vt {

// Turns a run's progress into what a person waiting for it wants to know: how far it
// has come, how fast it goes and how long it will still take.
//
// The pace is measured over stretches of at least a second and smoothed, so that one
// large file or a folder of small ones does not throw the estimate about. Time spent
// in a box waiting for an answer is no part of the pace. The time left is given only
// once the total is known and a few seconds of copying have been measured. A file
// costs time of its own besides its bytes (opening, naming, dating it), which the
// estimate counts as kFileCost bytes.
class RunMeter {
public:
    using Clock = std::chrono::steady_clock;
    using Now = std::function<Clock::time_point()>;

    static constexpr std::uint64_t kFileCost = 32 * 1024;
    static constexpr Clock::duration kStretch = std::chrono::seconds(1);
    static constexpr Clock::duration kBeforeEstimate = std::chrono::seconds(3);

    explicit RunMeter(Now now = &Clock::now) : now_(std::move(now)) {}

    // A run begins: everything measured before is forgotten.
    void start();
    // A box of the run waits for an answer (true) or has been answered (false).
    void set_paused(bool paused);
    // Takes the run's progress in; `in_file`: a file is being copied (its bytes so
    // far count).
    void update(const RunProgress& now, bool in_file);

    // Done: copied, or passed over though counted. Never more than the total.
    std::int64_t files_done() const { return files_done_; }
    std::int64_t files_total() const { return files_total_; }
    std::uint64_t bytes_done() const { return bytes_done_; }
    std::uint64_t bytes_total() const { return bytes_total_; }
    bool total_known() const { return known_; }
    // Thousandths of the way by bytes (by files when no file has any), once the total
    // is known.
    std::optional<int> per_mille() const;
    // Bytes per second, once a stretch has been measured.
    std::optional<double> rate() const { return byte_rate_; }
    std::optional<std::chrono::seconds> time_left() const;

private:
    Clock::duration active() const; // the run's time outside boxes

    Now now_;
    Clock::duration active_before_{}; // up to the last pause
    Clock::time_point resumed_{};
    int paused_ = 0; // boxes open
    std::int64_t files_done_ = 0, files_total_ = 0;
    std::uint64_t bytes_done_ = 0, bytes_total_ = 0;
    bool known_ = false;
    // The stretch being measured: where it began, and the copying done by then.
    Clock::duration stretch_at_{};
    double stretch_work_ = 0, stretch_bytes_ = 0;
    std::optional<double> work_rate_, byte_rate_;
};

// "28.2 MB": bytes in decimal units, as file managers show them.
std::string size_text(std::uint64_t bytes);
// "about 3 minutes left", rounded as people say it.
std::string time_left_text(std::chrono::seconds left);
// "35%" or, while the total is being counted, "counting".
std::string share_text(const RunMeter& meter);
// "12 of 200 files, 28.2 MB of 1.3 GB, 12.4 MB/s, about 3 minutes left": the rate
// and the time left once they are known, "so far" on the totals while counting
// ("the files to copy" while none has been found yet; `work` names what is done to
// them).
std::string progress_text(const RunMeter& meter, const std::string& work = "copy");
// The status line of a run on a terminal: the share, the progress text, then as much
// of the file's name as fits into `width` characters.
std::string terminal_line(const RunMeter& meter, const std::string& file, std::size_t width,
                          const std::string& work = "copy");

} // namespace vt
