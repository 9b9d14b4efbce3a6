#include "engine/run_meter.h"

#include <gtest/gtest.h>

namespace vt::test {
namespace {

using namespace std::chrono_literals;
constexpr std::uint64_t kMB = 1000 * 1000;

// A run on a clock the test moves: `copy(seconds, bytes, files)` lets that much
// copying happen over that time, as the window or the terminal would see it.
class MeterRun {
public:
    MeterRun() { meter.start(); }
    void copy(std::chrono::milliseconds over, std::uint64_t bytes, int files = 0) {
        // In steps of a tenth of a second, as the displays sample it.
        const int steps = static_cast<int>(over / 100ms);
        for (int i = 1; i <= steps; ++i) {
            clock += 100ms;
            now.bytes = start_bytes + bytes * i / steps;
            now.copied = start_files + files * i / steps;
            meter.update(now, false);
        }
        start_bytes = now.bytes;
        start_files = now.copied;
    }
    void box(std::chrono::seconds open) {
        meter.set_paused(true);
        clock += open;
        meter.update(now, false);
        meter.set_paused(false);
    }

    RunMeter::Clock::time_point clock{};
    RunMeter meter{[this] { return clock; }};
    RunProgress now;
    std::uint64_t start_bytes = 0;
    int start_files = 0;
};

TEST(RunMeterTest, TimeLeftFollowsThePaceOnceAFewSecondsAreKnown) {
    MeterRun run;
    run.now.total_known = true;
    run.now.total_bytes = 1000 * kMB;
    run.now.total_files = 0;
    run.copy(2s, 20 * kMB);
    EXPECT_FALSE(run.meter.time_left()) << "two seconds are too few to tell";
    EXPECT_NEAR(*run.meter.rate(), 10.0 * kMB, 1);
    run.copy(1s, 10 * kMB);
    ASSERT_TRUE(run.meter.time_left());
    EXPECT_EQ(*run.meter.time_left(), 97s); // 970 MB at 10 MB/s
    EXPECT_EQ(*run.meter.per_mille(), 30);

    // A minute in a box is no part of the pace, and the estimate stands still.
    run.box(60s);
    EXPECT_EQ(*run.meter.time_left(), 97s);
    run.copy(1s, 10 * kMB);
    EXPECT_NEAR(*run.meter.rate(), 10.0 * kMB, 1);

    // The pace doubles: the estimate follows within a few seconds, not at once.
    run.copy(1s, 20 * kMB);
    const double first = *run.meter.rate();
    EXPECT_GT(first, 10.0 * kMB);
    EXPECT_LT(first, 15.0 * kMB);
    run.copy(15s, 300 * kMB);
    EXPECT_NEAR(*run.meter.rate(), 20.0 * kMB, 0.1 * kMB);
    EXPECT_NEAR(run.meter.time_left()->count(), 32, 1); // 640 MB at 20 MB/s
}

TEST(RunMeterTest, FilesCostTimeOfTheirOwn) {
    // Ten large files went at 25 MB/s; 10,000 small ones are left, 10 MB in all.
    // Their bytes alone would take half a second; opening, naming and dating each
    // takes far longer.
    MeterRun run;
    run.now.total_known = true;
    run.now.total_files = 10 + 10000;
    run.now.total_bytes = 100 * kMB + 10 * kMB;
    run.copy(4s, 100 * kMB, 10);
    ASSERT_TRUE(run.meter.time_left());
    EXPECT_NEAR(run.meter.time_left()->count(), 14, 1);
}

TEST(RunMeterTest, WhileCountingThereIsNoShareAndNoTimeLeft) {
    MeterRun run;
    run.now.total_files = 10;
    run.now.total_bytes = 100 * kMB;
    run.copy(5s, 50 * kMB, 5);
    EXPECT_FALSE(run.meter.per_mille());
    EXPECT_FALSE(run.meter.time_left());
    EXPECT_TRUE(run.meter.rate());
    EXPECT_EQ(share_text(run.meter), "counting");
    EXPECT_EQ(progress_text(run.meter), "5 of 10 files, 50.0 MB of 100.0 MB so far, 10.0 MB/s");
    run.now.total_known = true;
    run.copy(1s, 10 * kMB, 1);
    EXPECT_EQ(share_text(run.meter), "60%");
    EXPECT_EQ(progress_text(run.meter),
              "6 of 10 files, 60.0 MB of 100.0 MB, 10.0 MB/s, a few seconds left");
}

TEST(RunMeterTest, DoneCountsPassedOverFilesAndNeverPassesTheTotal) {
    MeterRun run;
    RunProgress& p = run.now;
    p.total_known = true;
    p.total_files = 4;
    p.total_bytes = 400;
    p.copied = 1;
    p.bytes = 100;
    p.passed_files = 1;
    p.passed_bytes = 100;
    p.file_done = 50;
    run.meter.update(p, true);
    EXPECT_EQ(run.meter.files_done(), 2);
    EXPECT_EQ(run.meter.bytes_done(), 250u);
    EXPECT_EQ(*run.meter.per_mille(), 625);
    run.meter.update(p, false);
    EXPECT_EQ(run.meter.bytes_done(), 200u);
    p.copied = 9;
    p.bytes = 900;
    run.meter.update(p, false);
    EXPECT_EQ(run.meter.files_done(), 4);
    EXPECT_EQ(*run.meter.per_mille(), 1000);

    // Nothing to copy is all done; files without bytes are measured by files.
    RunProgress nothing;
    nothing.total_known = true;
    run.meter.update(nothing, false);
    EXPECT_EQ(*run.meter.per_mille(), 1000);
    RunProgress empty_files = nothing;
    empty_files.copied = 1;
    empty_files.total_files = 4;
    run.meter.update(empty_files, false);
    EXPECT_EQ(*run.meter.per_mille(), 250);
}

TEST(RunMeterTest, Texts) {
    const std::pair<std::int64_t, const char*> left[] = {
        {0, "a few seconds left"},        {9, "a few seconds left"},
        {10, "about 10 seconds left"},    {23, "about 25 seconds left"},
        {57, "about 55 seconds left"},    {58, "about 1 minute left"},
        {89, "about 1 minute left"},      {90, "about 2 minutes left"},
        {185, "about 3 minutes left"},    {3569, "about 59 minutes left"},
        {3570, "about 1 hour left"},      {5399, "about 1 hour left"},
        {5400, "about 2 hours left"},     {47 * 3600, "about 47 hours left"},
        {48 * 3600, "about 2 days left"},
    };
    for (const auto& [seconds, text] : left)
        EXPECT_EQ(time_left_text(std::chrono::seconds(seconds)), text) << seconds;
    const std::pair<std::uint64_t, const char*> sizes[] = {
        {0, "0 bytes"},
        {1, "1 byte"},
        {999, "999 bytes"},
        {1000, "1.0 kB"},
        {28'249'000, "28.2 MB"},
        {999'960, "1.0 MB"},
        {1'300'000'000, "1.3 GB"},
        {2'000'000'000'000, "2.0 TB"},
    };
    for (const auto& [bytes, text] : sizes)
        EXPECT_EQ(size_text(bytes), text) << bytes;
}

TEST(RunMeterTest, TheTerminalLineFitsItsWidth) {
    MeterRun run;
    run.now.total_known = true;
    run.now.total_files = 3;
    run.now.total_bytes = 3000;
    run.meter.update(run.now, false);
    const std::string line = "0%  0 of 3 files, 0 bytes of 3.0 kB";
    EXPECT_EQ(terminal_line(run.meter, "report.pdf", 80), line + "  report.pdf");
    // A long name keeps its end; a character is never cut in two.
    EXPECT_EQ(terminal_line(run.meter, "a-long-name-\xc3\xa9t\xc3\xa9.pdf", line.size() + 13),
              line + "  ...t\xc3\xa9.pdf");
    EXPECT_EQ(terminal_line(run.meter, "report.pdf", line.size() + 3), line);
    EXPECT_EQ(terminal_line(run.meter, "report.pdf", 10), line.substr(0, 10));
}

} // namespace
} // namespace vt::test
