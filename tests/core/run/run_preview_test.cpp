#include "cli/headless_run.h"
#include "core/list/list_file.h"
#include "core/run/run_preview.h"
#include "support/file_stat.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sstream>

namespace vt::test {
namespace {

constexpr std::time_t kNoon = 1700049600;

class RunPreviewTest : public ::testing::Test {
protected:
    void file(const std::string& relative, std::size_t size, std::time_t when) {
        set_mtime(dir.write(relative, std::string(size, 'x')), when);
    }
    // One of each kind, on four lines: the second replaces, the third cannot be
    // read, the fourth copies a folder onto itself.
    CopyList tree() {
        file("s1/new.txt", 10, kNoon);
        file("s1/older.txt", 20, kNoon + 10);
        file("d1/older.txt", 1, kNoon);
        file("s1/same.txt", 30, kNoon);
        file("d1/same.txt", 30, kNoon);
        file("s1/newer.txt", 40, kNoon);
        file("d1/newer.txt", 4, kNoon + 60);
        file("s1/sub/deep.txt", 50, kNoon);
        file("s1/.hidden/never.txt", 1, kNoon);
        file("s2/eq.txt", 60, kNoon);
        file("d2/eq.txt", 60, kNoon);
        CopyList list;
        list.append_line({dir / "s1", "*.txt", dir / "d1", "No", "Yes"});
        list.append_line({dir / "s2", "*.txt", dir / "d2", "Yes", "No"});
        list.append_line({dir / "unplugged", "*.txt", dir / "d3", "No", "No"});
        list.append_line({dir / "s2", "*.txt", dir / "s2", "No", "No"});
        list.set_file_name(dir / "list.vtl");
        return list;
    }

    TempDir dir;
    ScopedEnv runtime = runtime_dir_in(dir);
};

TEST_F(RunPreviewTest, CountsMatchTheJournalOfARealRunOnTheSameTree) {
    CopyList list = tree();
    const Preview preview = preview_list(list, CopyOptions{true, true, 1});
    ASSERT_TRUE(preview.complete);
    ASSERT_EQ(preview.lines.size(), 4u);
    const LinePreview& one = preview.lines[0];
    EXPECT_EQ(one.count(PreviewKind::New).files, 2);
    EXPECT_EQ(one.count(PreviewKind::New).bytes, 60u);
    EXPECT_EQ(one.count(PreviewKind::ReplaceOlder).files, 1);
    EXPECT_EQ(one.count(PreviewKind::Unchanged).files, 1);
    EXPECT_EQ(one.count(PreviewKind::DestinationNewer).files, 1);
    EXPECT_EQ(one.files[static_cast<int>(PreviewKind::New)].size(), 2u);
    EXPECT_EQ(one.folders_to_create, std::vector<std::string>{dir / "d1/sub"});
    EXPECT_EQ(preview.lines[1].count(PreviewKind::ReplaceEqual).bytes, 60u);
    EXPECT_EQ(preview.lines[2].unreadable, std::vector<std::string>{dir / "unplugged"});
    EXPECT_TRUE(preview.lines[3].same_folder);
    const LinePreview total = preview.total();
    EXPECT_EQ(total.copies().files, 4);
    EXPECT_EQ(total.copies().bytes, 10u + 20 + 50 + 60);
    // Nothing was written.
    EXPECT_FALSE(exists(dir / "d1/new.txt"));
    EXPECT_FALSE(exists(dir / "list.txt"));

    // The same list, run for real without a window.
    ASSERT_TRUE(save_vtl(list, dir / "list.vtl").ok);
    std::ostringstream out, err;
    CommandLine command = parse_command_line({"--run", dir / "list.vtl"});
    headless_run(command, CopyOptions{true, true, 1}, out, err, false);
    const std::string journal = read_file(dir / "list.txt");
    auto count = [&journal](const std::string& what, const char* with = nullptr) {
        int n = 0;
        for (std::size_t at = journal.find(what); at != std::string::npos;
             at = journal.find(what, at + 1)) {
            const std::string line = journal.substr(at, journal.find("\r\n", at) - at);
            n += !with || line.find(with) != std::string::npos;
        }
        return n;
    };
    const char* replacing = " to replace version created ";
    EXPECT_EQ(count("Copied OK: "), total.copies().files);
    EXPECT_EQ(count("Copied OK: ") - count("Copied OK: ", replacing),
              total.count(PreviewKind::New).files);
    EXPECT_EQ(count("Copied OK: ", replacing), total.count(PreviewKind::ReplaceOlder).files +
                                                   total.count(PreviewKind::ReplaceEqual).files);
    EXPECT_EQ(count("NOT Copied: "), total.count(PreviewKind::Unchanged).files +
                                         total.count(PreviewKind::DestinationNewer).files);
    EXPECT_EQ(count("Directory created "), static_cast<int>(total.folders_to_create.size()));
    EXPECT_EQ(count("Unable to read directory "), static_cast<int>(total.unreadable.size()));
    EXPECT_EQ(count("Files copied in total"), 1);
    EXPECT_NE(journal.find("\r\n4 Files copied in total"), std::string::npos);
}

TEST_F(RunPreviewTest, FoldersOnTheWayToADestinationAreListedOnceInTheOrderMade) {
    file("s/top.doc", 1, kNoon);
    file("s/Sub/x.txt", 2, kNoon);
    file("t/y.txt", 3, kNoon);
    file("d/kept.txt", 4, kNoon);
    CopyList list;
    list.append_line({dir / "s", "*.txt", dir / "d/New", "No", "Yes"});
    list.append_line({dir / "t", "*.txt", dir / "d/New/Sub", "No", "No"});
    list.append_line({dir / "t", "*.txt", dir / "d/New/Other", "No", "No"});
    const Preview preview = preview_list(list, CopyOptions{});
    ASSERT_TRUE(preview.complete);
    ASSERT_EQ(preview.lines.size(), 3u);
    EXPECT_EQ(preview.lines[0].folders_to_create,
              (std::vector<std::string>{dir / "d/New", dir / "d/New/Sub"}));
    // Made by the first line by then.
    EXPECT_TRUE(preview.lines[1].folders_to_create.empty());
    EXPECT_EQ(preview.lines[2].folders_to_create, std::vector<std::string>{dir / "d/New/Other"});
    EXPECT_FALSE(exists(dir / "d/New"));
}

TEST_F(RunPreviewTest, RunsOnAThreadOfItsOwnAndStops) {
    CopyList list = tree();
    for (bool stop : {false, true}) {
        PreviewRun run(list, CopyOptions{});
        if (stop)
            run.stop(); // acted on after the first entry
        run.start();
        while (!run.finished())
            run.progress(); // read while it runs, as the window does
        EXPECT_EQ(run.result().complete, !stop);
        EXPECT_EQ(run.result().total().copies().files <= 1, stop);
    }
}

} // namespace
} // namespace vt::test
