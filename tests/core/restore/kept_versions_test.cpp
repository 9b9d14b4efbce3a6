#include "core/platform/sys.h"
#include "core/restore/kept_versions.h"
#include "support/file_stat.h"
#include "support/temp_dir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace vt::test {
namespace {

TEST(KeptVersionsTest, StampsNameTheRunAndSortAsTheirTimes) {
    const std::time_t when = 1700049600 + 3 * 3600 + 61;
    const std::string stamp = kept_versions::stamp_for(when);
    ASSERT_EQ(stamp.size(), 17u);
    EXPECT_EQ(stamp.find(':'), std::string::npos); // FAT and exFAT refuse colons
    std::time_t back = 0;
    ASSERT_TRUE(kept_versions::parse_stamp(stamp, back));
    EXPECT_EQ(back, when);
    EXPECT_LT(stamp, kept_versions::stamp_for(when + 86400 * 40));
    for (const char* bad : {"2024-05-01", "2024-05-01_1430", "2024-13-01_143005",
                            "2024-05-01 143005", "20x4-05-01_143005", "notes", ""})
        EXPECT_FALSE(kept_versions::parse_stamp(bad, back)) << bad;

    const std::vector<std::string> stamps{"2024-05-01_090000", "2024-05-01_170000",
                                          "2024-05-02_090000"};
    EXPECT_EQ(kept_versions::matching(stamps, "2024-05-02"),
              (std::vector<std::string>{"2024-05-02_090000"}));
    EXPECT_EQ(kept_versions::matching(stamps, "2024-05-01").size(), 2u);
    EXPECT_EQ(kept_versions::matching(stamps, "2024-05-01_170000").size(), 1u);
    EXPECT_TRUE(kept_versions::matching(stamps, "2023").empty());
    for (const char* inside : {"05-02", "-05-01", "170000", "_090000"})
        EXPECT_TRUE(kept_versions::matching(stamps, inside).empty()) << inside;
    EXPECT_TRUE(kept_versions::matching(stamps, "").empty());
}

TEST(KeptVersionsTest, AWalkNeverEntersTheVersionsFolder) {
    // Hidden folders are the setting's to decide; the versions folder is never entered.
    for (const char* name : {"Letters", ".git", ".ssh"})
        EXPECT_TRUE(kept_versions::walks_into(name)) << name;
    for (const char* name : {".vantorel-versions", ".", "..", ""})
        EXPECT_FALSE(kept_versions::walks_into(name)) << name;
}

TEST(KeptVersionsTest, KeepsByHardLinkNeverTwiceInARun) {
    TempDir dir;
    dir.write("dst/sub/deeper/a.txt", "old a");
    const ino_t a = inode(dir / "dst/sub/deeper/a.txt");
    const int folder = ::open((dir / "dst/sub/deeper").c_str(), O_PATH | O_DIRECTORY);
    ASSERT_GE(folder, 0);
    KeptVersions versions("2024-05-01_090000");
    bool moved = true;
    ASSERT_EQ(versions.keep(folder, dir / "dst", "/sub/deeper", "a.txt", moved), 0);
    EXPECT_FALSE(moved);
    const std::string kept = dir / "dst/.vantorel-versions/2024-05-01_090000/sub/deeper/a.txt";
    EXPECT_EQ(inode(kept), a); // the same file: no byte was copied
    EXPECT_EQ(read_file(dir / "dst/sub/deeper/a.txt"), "old a");

    // A second replacement in the same run keeps the first version. (A run replaces a
    // file by renaming its new copy over it, never by writing into it.)
    dir.write("dst/sub/deeper/a.new", "first copy of the run");
    ASSERT_EQ(
        ::rename((dir / "dst/sub/deeper/a.new").c_str(), (dir / "dst/sub/deeper/a.txt").c_str()),
        0);
    ASSERT_EQ(versions.keep(folder, dir / "dst", "/sub/deeper", "a.txt", moved), 0);
    EXPECT_EQ(read_file(kept), "old a");

    // Any other refusal leaves the file where it is and says why.
    dir.write("dst/sub/deeper/c.txt", "c");
    sys::set_fault_hook([](sys::Op op, const char*) { return op == sys::Op::Rename ? EIO : 0; });
    EXPECT_EQ(versions.keep(folder, dir / "dst", "/sub/deeper", "c.txt", moved), EIO);
    sys::clear_fault_hook();
    EXPECT_EQ(read_file(dir / "dst/sub/deeper/c.txt"), "c");
    ::close(folder);
}

TEST(KeptVersionsTest, AVersionsFolderReachedThroughALinkIsRefused) {
    TempDir dir;
    dir.write("dst/a.txt", "a");
    dir.mkdir("elsewhere");
    ASSERT_EQ(::symlink((dir / "elsewhere").c_str(), (dir / "dst/.vantorel-versions").c_str()), 0);
    const int folder = ::open((dir / "dst").c_str(), O_PATH | O_DIRECTORY);
    KeptVersions versions("2024-05-01_090000");
    bool moved = false;
    EXPECT_NE(versions.keep(folder, dir / "dst", "", "a.txt", moved), 0);
    EXPECT_FALSE(exists(dir / "elsewhere/2024-05-01_090000"));
    ::close(folder);
}

TEST(KeptVersionsTest, PruneRemovesOnlyOldRunsInsideTheVersionsFolder) {
    TempDir dir;
    const std::time_t now = 1700049600;
    const std::string old_run = kept_versions::stamp_for(now - 31 * 86400);
    const std::string recent_run = kept_versions::stamp_for(now - 29 * 86400);
    const std::string versions = dir / "dst/.vantorel-versions/";
    dir.write("dst/.vantorel-versions/" + old_run + "/a.txt", "a");
    dir.write("dst/.vantorel-versions/" + old_run + "/sub/deep/b.txt", "b");
    dir.write("dst/.vantorel-versions/" + recent_run + "/a.txt", "a2");
    dir.write("dst/.vantorel-versions/notes/keep.txt", "not a run's folder");
    dir.write("dst/a.txt", "the backup itself");
    dir.write("elsewhere/x.txt", "x");
    // A link inside an old run is removed, never followed.
    ASSERT_EQ(::symlink((dir / "elsewhere").c_str(), (versions + old_run + "/link").c_str()), 0);

    EXPECT_EQ(kept_versions::stamps(dir / "dst"), (std::vector<std::string>{old_run, recent_run}));
    EXPECT_EQ(kept_versions::prune(dir / "dst", 0, now).files, 0); // 0 keeps for ever
    EXPECT_TRUE(exists(versions + old_run));

    const kept_versions::Pruned pruned = kept_versions::prune(dir / "dst", 30, now);
    EXPECT_EQ(pruned.files, 3);
    EXPECT_EQ(pruned.folders, 1);
    EXPECT_EQ(pruned.error, 0);
    EXPECT_FALSE(exists(versions + old_run));
    EXPECT_EQ(read_file(versions + recent_run + "/a.txt"), "a2");
    EXPECT_EQ(read_file(versions + "notes/keep.txt"), "not a run's folder");
    EXPECT_EQ(read_file(dir / "dst/a.txt"), "the backup itself");
    EXPECT_EQ(read_file(dir / "elsewhere/x.txt"), "x");

    // The last run gone, the versions folder goes too; one that holds anything else stays.
    EXPECT_EQ(kept_versions::prune(dir / "dst", 1, now).files, 1);
    EXPECT_TRUE(exists(versions + "notes"));
    ::unlink((versions + "notes/keep.txt").c_str());
    ::rmdir((versions + "notes").c_str());
    dir.write("dst/.vantorel-versions/" + old_run + "/a.txt", "a");
    EXPECT_EQ(kept_versions::prune(dir / "dst", 30, now).files, 1);
    EXPECT_FALSE(exists(dir / "dst/.vantorel-versions"));
    // No versions folder at all is no error.
    EXPECT_EQ(kept_versions::prune(dir / "dst", 30, now).error, 0);
}

TEST(KeptVersionsTest, PruneKeepsARunExactlyTheDaysToKeepOld) {
    const std::time_t now = 1700049600;
    const std::time_t limit = now - 30 * 86400;
    const struct {
        const char* what;
        std::time_t when;
        bool kept;
    } cases[] = {
        {"a second younger than the limit", limit + 1, true},
        {"exactly the limit old", limit, true},
        {"a second older than the limit", limit - 1, false},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string stamp = kept_versions::stamp_for(c.when);
        dir.write("dst/.vantorel-versions/" + stamp + "/a.txt", "a");
        EXPECT_EQ(kept_versions::prune(dir / "dst", 30, now).files, c.kept ? 0 : 1) << c.what;
        EXPECT_EQ(exists(dir / "dst/.vantorel-versions/" + stamp + "/a.txt"), c.kept) << c.what;
    }
}

} // namespace
} // namespace vt::test
