#include "core/run/run_meter.h"

#include <gtest/gtest.h>

namespace vt::test {
namespace {

using namespace std::chrono_literals;
constexpr std::uint64_t kMB = 1000 * 1000;

// A run on a clock the test moves, sampled ten times a second as the displays do.
struct MeterRun {
    MeterRun() {
        meter.start();
        now.total_known = true;
    }
    void copy(std::chrono::milliseconds over, std::uint64_t bytes, int files = 0) {
        const std::uint64_t bytes_before = now.bytes;
        const int files_before = now.copied;
        const int steps = static_cast<int>(over / 100ms);
        for (int i = 1; i <= steps; ++i) {
            clock += 100ms;
            now.bytes = bytes_before + bytes * i / steps;
            now.copied = files_before + files * i / steps;
            meter.update(now, false);
        }
    }
    RunMeter::Clock::time_point clock{};
    RunMeter meter{[this] { return clock; }};
    RunProgress now;
};

TEST(RunMeterTest, TimeLeftFollowsASmoothedPaceOutsideBoxes) {
    MeterRun run;
    run.now.total_bytes = 1000 * kMB;
    run.copy(2s, 20 * kMB);
    EXPECT_FALSE(run.meter.time_left()) << "two seconds are too few to tell";
    run.copy(1s, 10 * kMB);
    ASSERT_TRUE(run.meter.time_left());
    EXPECT_EQ(*run.meter.time_left(), 97s); // 970 MB at 10 MB/s
    EXPECT_EQ(*run.meter.per_mille(), 30);
    // A minute in a box is no part of the pace.
    run.meter.set_paused(true);
    run.clock += 60s;
    run.meter.set_paused(false);
    run.copy(1s, 10 * kMB);
    EXPECT_NEAR(*run.meter.rate(), 10.0 * kMB, 1);
    // The pace doubles: the estimate follows within seconds, not at once.
    run.copy(1s, 20 * kMB);
    EXPECT_NEAR(*run.meter.rate(), 13.0 * kMB, 1);
    run.copy(15s, 300 * kMB);
    EXPECT_NEAR(run.meter.time_left()->count(), 32, 1); // 640 MB at 20 MB/s
}

TEST(RunMeterTest, SmallFilesLeftTakeLongerThanTheirBytes) {
    // Ten large files went at 25 MB/s; 10,000 small ones are left, 10 MB in all.
    MeterRun run;
    run.now.total_files = 10 + 10000;
    run.now.total_bytes = 110 * kMB;
    run.copy(4s, 100 * kMB, 10);
    ASSERT_TRUE(run.meter.time_left());
    EXPECT_NEAR(run.meter.time_left()->count(), 14, 1);
}

TEST(RunMeterTest, TheTexts) {
    MeterRun run;
    run.now.total_known = false;
    run.now.total_files = 10;
    run.now.total_bytes = 100 * kMB;
    run.now.passed_files = 1; // passed over after all: done with
    run.now.passed_bytes = 10 * kMB;
    run.copy(5s, 40 * kMB, 4);
    EXPECT_FALSE(run.meter.time_left());
    EXPECT_EQ(share_text(run.meter), "counting");
    EXPECT_EQ(progress_text(run.meter), "5 of 10 files, 50.0 MB of 100.0 MB so far, 8.0 MB/s");
    run.now.total_known = true;
    run.copy(1s, 10 * kMB, 1);
    EXPECT_EQ(share_text(run.meter), "60%");
    EXPECT_EQ(progress_text(run.meter),
              "6 of 10 files, 60.0 MB of 100.0 MB, 8.6 MB/s, a few seconds left");
    // The terminal's line fits its width and never cuts a character in two.
    const std::string line = "60%  " + progress_text(run.meter);
    EXPECT_EQ(terminal_line(run.meter, "a-long-name-\xc3\xa9t\xc3\xa9.pdf", line.size() + 13),
              line + "  ...t\xc3\xa9.pdf");
    EXPECT_EQ(terminal_line(run.meter, "report.pdf", 10), line.substr(0, 10));
    run.now.copied = 20; // never more than the whole
    run.meter.update(run.now, false);
    EXPECT_EQ(run.meter.files_done(), 10);
    RunMeter idle;
    RunProgress nothing;
    nothing.total_known = true;
    idle.update(nothing, false);
    EXPECT_EQ(idle.per_mille(), 1000) << "nothing to copy is all done";

    const std::pair<std::int64_t, const char*> left[] = {
        {9, "a few seconds left"},    {23, "about 25 seconds left"},
        {58, "about 1 minute left"},  {185, "about 3 minutes left"},
        {5400, "about 2 hours left"}, {48 * 3600, "about 2 days left"},
    };
    for (const auto& [seconds, text] : left)
        EXPECT_EQ(time_left_text(std::chrono::seconds(seconds)), text) << seconds;
    const std::pair<std::uint64_t, const char*> sizes[] = {
        {1, "1 byte"},           {999, "999 bytes"},        {999'960, "1.0 MB"},
        {28'249'000, "28.2 MB"}, {1'300'000'000, "1.3 GB"},
    };
    for (const auto& [bytes, text] : sizes)
        EXPECT_EQ(size_text(bytes), text) << bytes;
}

} // namespace
} // namespace vt::test
