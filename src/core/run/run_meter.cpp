#include "core/run/run_meter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vt {

namespace {

// How much a new stretch moves the smoothed pace: enough to follow a real change
// within a few seconds, little enough that one odd second does not show.
constexpr double kSmoothing = 0.3;

double smooth(const std::optional<double>& before, double now) {
    return before ? *before + kSmoothing * (now - *before) : now;
}

} // namespace

void RunMeter::start() {
    *this = RunMeter(std::move(now_));
    resumed_ = now_();
}

RunMeter::Clock::duration RunMeter::active() const {
    return paused_ > 0 ? active_before_ : active_before_ + (now_() - resumed_);
}

void RunMeter::set_paused(bool paused) {
    if (paused) {
        if (paused_++ == 0)
            active_before_ += now_() - resumed_;
    } else if (paused_ > 0 && --paused_ == 0) {
        resumed_ = now_();
    }
}

void RunMeter::update(const RunProgress& now, bool in_file) {
    known_ = now.total_known;
    files_total_ = now.total_files;
    bytes_total_ = now.total_bytes;
    files_done_ = std::min<std::int64_t>(now.copied + now.passed_files, files_total_);
    bytes_done_ =
        std::min(now.bytes + now.passed_bytes + (in_file ? now.file_done : 0), bytes_total_);
    if (paused_ > 0)
        return;
    const Clock::duration at = active();
    const Clock::duration stretch = at - stretch_at_;
    if (stretch < kStretch)
        return;
    // The pace is that of the copying: a file passed over is done with, but took no
    // time to copy.
    const double bytes = static_cast<double>(now.bytes + (in_file ? now.file_done : 0));
    const double work = bytes + static_cast<double>(now.copied) * kFileCost;
    const double seconds = std::chrono::duration<double>(stretch).count();
    work_rate_ = smooth(work_rate_, std::max(0.0, work - stretch_work_) / seconds);
    byte_rate_ = smooth(byte_rate_, std::max(0.0, bytes - stretch_bytes_) / seconds);
    stretch_at_ = at;
    stretch_work_ = work;
    stretch_bytes_ = bytes;
}

std::optional<int> RunMeter::per_mille() const {
    if (!known_)
        return std::nullopt;
    if (bytes_total_ > 0)
        return static_cast<int>(bytes_done_ * 1000 / bytes_total_);
    if (files_total_ > 0)
        return static_cast<int>(files_done_ * 1000 / files_total_);
    return 1000; // nothing to copy: done
}

std::optional<std::chrono::seconds> RunMeter::time_left() const {
    if (!known_ || !work_rate_ || *work_rate_ <= 0 || active() < kBeforeEstimate)
        return std::nullopt;
    const double left = static_cast<double>((bytes_total_ - bytes_done_) +
                                            (files_total_ - files_done_) * kFileCost) /
                        *work_rate_;
    return std::chrono::seconds(static_cast<std::int64_t>(std::ceil(left)));
}

std::string size_text(std::uint64_t bytes) {
    static constexpr const char* kUnits[] = {"kB", "MB", "GB", "TB", "PB"};
    if (bytes < 1000)
        return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    double value = static_cast<double>(bytes) / 1000;
    std::size_t unit = 0;
    while (value >= 999.95 && unit + 1 < std::size(kUnits)) {
        value /= 1000;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
    return text;
}

std::string time_left_text(std::chrono::seconds left) {
    const std::int64_t s = left.count();
    auto about = [](std::int64_t n, const char* unit) {
        return "about " + std::to_string(n) + " " + unit + (n == 1 ? "" : "s") + " left";
    };
    if (s < 10)
        return "a few seconds left";
    if (const std::int64_t fives = (s + 2) / 5 * 5; fives < 60)
        return about(fives, "second");
    if (const std::int64_t minutes = (s + 30) / 60; minutes < 60)
        return about(minutes, "minute");
    if (const std::int64_t hours = (s + 1800) / 3600; hours < 48)
        return about(hours, "hour");
    return about((s + 43200) / 86400, "day");
}

std::string share_text(const RunMeter& meter) {
    const std::optional<int> share = meter.per_mille();
    return share ? std::to_string(*share / 10) + "%" : "counting";
}

std::string progress_text(const RunMeter& meter, const std::string& work) {
    if (!meter.total_known() && meter.files_total() == 0)
        return "the files to " + work;
    const char* so_far = meter.total_known() ? "" : " so far";
    std::string text = std::to_string(meter.files_done()) + " of " +
                       std::to_string(meter.files_total()) + " files, " +
                       size_text(meter.bytes_done()) + " of " + size_text(meter.bytes_total()) +
                       so_far;
    if (const auto rate = meter.rate())
        text += ", " + size_text(static_cast<std::uint64_t>(*rate)) + "/s";
    if (const auto left = meter.time_left())
        text += ", " + time_left_text(*left);
    return text;
}

std::string terminal_line(const RunMeter& meter, const std::string& file, std::size_t width,
                          const std::string& work) {
    std::string line = share_text(meter) + "  " + progress_text(meter, work);
    // The end of a long name tells most; a line that wraps could not be redrawn.
    if (!file.empty() && line.size() + 4 < width) {
        const std::size_t room = width - line.size() - 2;
        std::size_t from = file.size() <= room ? 0 : file.size() - room + 3;
        while (from < file.size() && (static_cast<unsigned char>(file[from]) & 0xC0) == 0x80)
            ++from; // not in the middle of a character
        line += "  " + (from == 0 ? file : "..." + file.substr(from));
    }
    if (line.size() > width)
        line.resize(width);
    return line;
}

} // namespace vt
