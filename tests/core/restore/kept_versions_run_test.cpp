#include "core/platform/sys.h"
#include "core/restore/kept_versions.h"
#include "core/run/engine_fixture.h"
#include "support/file_stat.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

namespace vt::test {
namespace {

constexpr std::time_t kNoon = 1700049600;
constexpr std::time_t kDay = 24 * 60 * 60;

class KeptVersionsRunTest : public ::testing::Test, public EngineFixture {
protected:
    void SetUp() override {
        options.keep_versions = true;
        options.versions_days = 30;
        engine.set_clock([this] { return now; });
    }
    void TearDown() override { sys::clear_fault_hook(); }
    void edit(const std::string& relative, const std::string& content) {
        ++version;
        set_mtime(dir.write("src/" + relative, content), kNoon + version * 100);
    }
    std::string kept(const std::string& relative) const {
        return dir / ("dst/.vantorel-versions/" + kept_versions::stamp_for(now) + "/" + relative);
    }
    bool journal_has(const std::string& text) const {
        const auto lines = journal_lines();
        return std::find(lines.begin(), lines.end(), text) != lines.end();
    }

    std::time_t now = kNoon + 3600;
    int version = 0;
};

TEST_F(KeptVersionsRunTest, ThreeRunsKeepWhatTheyReplaceAsHardLinksAndAgeOutOnlyThere) {
    edit("a.txt", "a1");
    edit("sub/b.txt", "b1");
    edit("c.txt", "c never changes");
    set_mtime(dir.write("dst/old.log", "not a version, however old"), 1000000000);
    dir.write("dst/.vantorel-versions/mine/notes.txt", "no run's folder");
    line(dir / "src", "*.txt", dir / "dst", false, true);
    save_list();

    // 1: nothing is replaced, nothing is kept.
    expect_offer(prompter, 3);
    run();
    EXPECT_FALSE(exists(dir / "dst/.vantorel-versions/" + kept_versions::stamp_for(now)));

    // 2, a day later: the two backups it replaces are kept, as the same files.
    const ino_t a1 = inode(dir / "dst/a.txt"), b1 = inode(dir / "dst/sub/b.txt");
    edit("a.txt", "a2");
    edit("sub/b.txt", "b2");
    now += kDay;
    const std::time_t second = now;
    expect_offer(prompter, 2);
    run();
    EXPECT_EQ(inode(kept("a.txt")), a1);
    EXPECT_EQ(read_file(kept("a.txt")), "a1");
    EXPECT_EQ(inode(kept("sub/b.txt")), b1);
    EXPECT_FALSE(exists(kept("c.txt")));
    EXPECT_EQ(read_file(dir / "dst/a.txt"), "a2");
    EXPECT_NE(inode(dir / "dst/a.txt"), a1);

    // 3, twenty days on; where the disk refuses a hard link, the old file is moved.
    const ino_t a2 = inode(dir / "dst/a.txt");
    edit("a.txt", "a3");
    edit("sub/b.txt", "b3");
    int renames = 0;
    sys::set_fault_hook([&renames](sys::Op op, const char* path) {
        return op == sys::Op::Rename && path && std::string(path) == "b.txt" && renames++ == 0
                   ? EPERM
                   : 0;
    });
    now += 20 * kDay;
    const std::time_t third = now;
    expect_offer(prompter, 2);
    run();
    sys::clear_fault_hook();
    EXPECT_EQ(inode(kept("a.txt")), a2);
    EXPECT_EQ(read_file(kept("sub/b.txt")), "b2");
    EXPECT_EQ(read_file(dir / "dst/sub/b.txt"), "b3");
    EXPECT_EQ(read_file(dir / "dst/.vantorel-versions/" + kept_versions::stamp_for(second) +
                        "/sub/b.txt"),
              "b1");

    // 4, 35 days after the second: its versions go, the third's stay, nothing else goes.
    // A line that copies the backup folder itself never enters the versions.
    edit("a.txt", "a4");
    now += 15 * kDay;
    line(dir / "dst", "*.*", dir / "mirror", false, true);
    expect_offer(prompter, 5);
    run();
    EXPECT_FALSE(exists(dir / "dst/.vantorel-versions/" + kept_versions::stamp_for(second)));
    EXPECT_EQ(
        read_file(dir / "dst/.vantorel-versions/" + kept_versions::stamp_for(third) + "/a.txt"),
        "a2");
    EXPECT_EQ(read_file(kept("a.txt")), "a3");
    EXPECT_TRUE(journal_has("Removed 2 kept versions older than 30 days from " +
                            (dir / "dst/.vantorel-versions")));
    EXPECT_EQ(read_file(dir / "dst/.vantorel-versions/mine/notes.txt"), "no run's folder");
    EXPECT_EQ(read_file(dir / "dst/old.log"), "not a version, however old");
    EXPECT_EQ(read_file(dir / "mirror/old.log"), "not a version, however old");
    EXPECT_FALSE(exists(dir / "mirror/.vantorel-versions"));
    EXPECT_TRUE(prompter.done());
}

TEST_F(KeptVersionsRunTest, AMovedBackupGoesBackWhenTheCopyCannotTakeItsPlace) {
    edit("a.txt", "a1");
    line(dir / "src", "*.txt", dir / "dst", false, false);
    save_list();
    expect_offer(prompter, 1);
    run();
    edit("a.txt", "a2");
    // No hard link here, so the backup is moved away; then the copy cannot be named.
    int renames = 0;
    sys::set_fault_hook([&renames](sys::Op op, const char* path) {
        if (op != sys::Op::Rename || !path || std::string(path) != "a.txt")
            return 0;
        ++renames;
        return renames == 1 ? EPERM : renames == 3 ? EIO : 0;
    });
    prompter.expect("Destination File Access Problem",
                    "Your system is unable to create the destination file\r\na.txt with the "
                    "following message: \r\n\r\nInput/output error",
                    Answer::Ignore);
    expect_offer(prompter, 0);
    run();
    EXPECT_EQ(renames, 3);
    EXPECT_EQ(read_file(dir / "dst/a.txt"), "a1");
    EXPECT_FALSE(exists(kept("a.txt")));
    EXPECT_TRUE(prompter.done());
}

TEST_F(KeptVersionsRunTest, AReplaceLineKeepsOnlyBackupsThatDifferFromTheirSource) {
    struct Case {
        const char* name;
        // What happens between the two runs, to the source or to its backup.
        std::function<void(const std::string& source, const std::string& backup)> change;
        bool kept;
    };
    const std::vector<Case> cases = {
        {"same.txt", [](const std::string&, const std::string&) {}, false},
        // A disk that keeps nanoseconds tells a second apart.
        {"second.txt",
         [](const std::string&, const std::string& backup) { set_mtime(backup, kNoon - 1); }, true},
        {"newer.txt",
         [](const std::string& source, const std::string&) { set_mtime(source, kNoon + 600); },
         true},
        // Cut short, say by a power cut: of another size at the same time.
        {"resized.txt",
         [this](const std::string&, const std::string&) {
             set_mtime(dir.write("src/resized.txt", "longer now"), kNoon);
         },
         true},
    };
    for (const Case& c : cases)
        set_mtime(dir.write(std::string("src/") + c.name, "v1"), kNoon);
    line(dir / "src", "*.txt", dir / "dst", true, false);
    save_list();
    expect_offer(prompter, 4);
    run();
    for (const Case& c : cases)
        c.change(dir / ("src/" + std::string(c.name)), dir / ("dst/" + std::string(c.name)));

    now += kDay;
    expect_offer(prompter, 4); // the replace flag copies every one again
    run();
    for (const Case& c : cases) {
        EXPECT_EQ(exists(kept(c.name)), c.kept) << c.name;
        EXPECT_EQ(read_file(dir / ("dst/" + std::string(c.name))),
                  read_file(dir / ("src/" + std::string(c.name))))
            << c.name;
    }
    EXPECT_TRUE(journal_has("Copied OK: same.txt <date> to replace version created <date>"));
    EXPECT_TRUE(prompter.done());
}

TEST_F(KeptVersionsRunTest, OffKeepsNothingAndADryRunKeepsNothing) {
    edit("a.txt", "a1");
    line(dir / "src", "*.txt", dir / "dst", false, false);
    save_list();
    expect_offer(prompter, 1);
    run();
    edit("a.txt", "a2");
    engine.set_dry_run([](const std::string&) {});
    run();
    engine.set_dry_run(nullptr);
    options.keep_versions = false;
    expect_offer(prompter, 1);
    run();
    EXPECT_EQ(read_file(dir / "dst/a.txt"), "a2");
    EXPECT_FALSE(exists(dir / "dst/.vantorel-versions"));
}

} // namespace
} // namespace vt::test
