#include "core/platform/beneath.h"
#include "core/platform/sys.h"
#include "core/run/swept_folders.h"
#include "engine_fixture.h"
#include "support/file_stat.h"
#include "support/scoped_env.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vt::test {
namespace {

constexpr std::time_t kNoon = 1700049600;
constexpr const char* kLinkError = "Too many levels of symbolic links";

bool is_link(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool journal_has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Someone who can write the backup disk placed a link in it; the next run must not
// write where it points.
struct Attack {
    const char* what;
    std::vector<const char*> sources;                // files under src/
    std::vector<std::pair<const char*, bool>> links; // under dst/: to outside/ (true) or to
                                                     // outside/f.txt (false)
    bool openat2 = true;
    std::vector<std::string> boxes;   // titles, each answered Ignore
    std::vector<std::string> journal; // entries, "<dst>" for the destination
};

class LinkAttackTest : public ::testing::TestWithParam<Attack>, public EngineFixture {
protected:
    void TearDown() override { set_openat2_usable(true); }
};

TEST_P(LinkAttackTest, NothingIsWrittenThroughALinkInTheBackupAndTheRunFails) {
    const Attack& a = GetParam();
    set_openat2_usable(a.openat2);
    const std::string src = dir.mkdir("src"), dst = dir.mkdir("dst");
    const std::string outside = dir.write("outside/f.txt", "keep me");
    set_mtime(outside, kNoon);
    for (const char* f : a.sources)
        set_mtime(dir.write(std::string("src/") + f, "new content"), kNoon + 100);
    for (const auto& [name, to_folder] : a.links) {
        const std::string link = dst + "/" + name;
        dir.mkdir(link.substr(dir.path().size() + 1, link.rfind('/') - dir.path().size() - 1));
        ASSERT_EQ(::symlink(to_folder ? (dir / "outside").c_str() : outside.c_str(), link.c_str()),
                  0);
    }
    line(src, "*.*", dst, true, true);
    save_list();
    for (std::size_t i = 0; i < a.boxes.size(); ++i)
        prompter.answer_next(Answer::Ignore);
    expect_offer(prompter, 0);
    run();

    EXPECT_TRUE(prompter.done());
    std::vector<std::string> titles;
    for (const Prompt& p : prompter.shown)
        titles.push_back(p.title);
    titles.pop_back(); // the offer to view the journal
    EXPECT_EQ(titles, a.boxes);
    EXPECT_EQ(read_file(outside), "keep me");
    EXPECT_EQ(leftovers(dir / "outside"), std::vector<std::string>{});
    for (const auto& l : a.links)
        EXPECT_TRUE(is_link(dst + "/" + l.first)) << l.first;
    EXPECT_GE(engine.summary().failures, static_cast<int>(a.boxes.size()));
    const std::vector<std::string> lines = journal_lines();
    for (std::string entry : a.journal) {
        if (const auto at = entry.find("<dst>"); at != std::string::npos)
            entry.replace(at, 5, dst);
        EXPECT_TRUE(journal_has(lines, entry)) << entry;
    }
}

const std::string kFolderBox = "Destination Folder Access Problem";
const std::string kFileBox = "Destination File Access Problem";

INSTANTIATE_TEST_SUITE_P(
    Attacks, LinkAttackTest,
    ::testing::Values(
        Attack{"folder link to a folder outside",
               {"sub/f.txt"},
               {{"sub", true}},
               true,
               {kFolderBox},
               {"Unable to open directory <dst>/sub because " + std::string(kLinkError)}},
        Attack{"folder link, no openat2",
               {"sub/f.txt"},
               {{"sub", true}},
               false,
               {kFolderBox},
               {"Unable to open directory <dst>/sub because " + std::string(kLinkError)}},
        Attack{"link on the way to a deeper folder",
               {"a/b/f.txt"},
               {{"a", true}},
               true,
               {kFolderBox, kFolderBox},
               {"Unable to open directory <dst>/a because " + std::string(kLinkError),
                "Unable to open directory <dst>/a/b because " + std::string(kLinkError)}},
        Attack{"file link where a backup file belongs",
               {"f.txt"},
               {{"f.txt", false}},
               true,
               {kFileBox},
               {"Copy of f.txt generated a system error of " + std::string(kLinkError)}},
        Attack{"file link in a subfolder, no openat2",
               {"sub/f.txt"},
               {{"sub/f.txt", false}},
               false,
               {kFileBox},
               {"Copy of f.txt generated a system error of " + std::string(kLinkError)}}),
    [](const auto& info) {
        std::string name = info.param.what;
        std::replace_if(
            name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
        return name;
    });

class WalkJournalTest : public ::testing::Test, public EngineFixture {};

// Where the links are, and the mask: a subfolder without subfolders of its own is not
// read when the folders are listed, so its folder links are named by the walk, also
// those outside the mask.
struct LinkPlace {
    const char* what;
    const char* folder; // under src/
    const char* mask;
};

class LinkJournalTest : public ::testing::TestWithParam<LinkPlace>, public EngineFixture {};

// Links keep their rule (a file's content is copied, a folder is not entered, a link
// to nothing is not copied), and what is passed over is named once.
TEST_P(LinkJournalTest, LinksPassedOverAreNamedOnce) {
    const LinkPlace& p = GetParam();
    const std::string src = dir.mkdir("src"), dst = dir / "dst";
    const std::string at =
        std::string(p.folder).empty() ? src : dir.mkdir(std::string("src/") + p.folder);
    dir.mkdir("src/other/deeper");
    dir.write("elsewhere/inside.txt", "not entered");
    dir.write("data.txt", "through a link");
    ASSERT_EQ(::symlink((dir / "elsewhere").c_str(), (at + "/docs").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "nothing").c_str(), (at + "/gone.txt").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "data.txt").c_str(), (at + "/data.txt").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "data.txt").c_str(), (at + "/note").c_str()), 0);
    line(src, p.mask, dst, false, true);
    save_list();
    expect_offer(prompter, std::string(p.mask) == "*" ? 2 : 1);
    run();
    EXPECT_TRUE(prompter.done());
    const std::vector<std::string> lines = journal_lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "Symbolic link to a folder passed over: " + at + "/docs"),
              1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "Dangling symbolic link passed over: " + at + "/gone.txt"),
              1);
    const std::string backup = dst + (at == src ? "" : "/" + std::string(p.folder));
    EXPECT_EQ(read_file(backup + "/data.txt"), "through a link");
    EXPECT_EQ(exists(backup + "/note"), std::string(p.mask) == "*");
    EXPECT_FALSE(exists(backup + "/docs"));
    EXPECT_FALSE(exists(backup + "/gone.txt"));
    EXPECT_EQ(engine.summary().failures, 0);
}

INSTANTIATE_TEST_SUITE_P(Places, LinkJournalTest,
                         ::testing::Values(LinkPlace{"top", "", "*"},
                                           LinkPlace{"top_masked", "", "*.txt"},
                                           LinkPlace{"leaf", "leaf", "*"},
                                           LinkPlace{"leaf_masked", "leaf", "*.txt"},
                                           LinkPlace{"parent", "other", "*"},
                                           LinkPlace{"parent_masked", "other", "*.txt"}),
                         [](const auto& info) { return std::string(info.param.what); });

// A run killed between making a copy and naming it left it under a temporary name.
TEST_F(WalkJournalTest, AStaleTemporaryFileIsRemovedByTheNextRunAndNeverCopied) {
    const std::string src = dir.mkdir("src"), dst = dir.mkdir("dst");
    const std::time_t long_ago = std::time(nullptr) - 3600;
    set_mtime(dir.write("src/a.txt", "a"), kNoon);
    set_mtime(dir.write("src/sub/b.txt", "b"), kNoon);
    set_mtime(dir.write("dst/sub/.vantorel-0123456789ab.tmp", "half a copy"), long_ago);
    set_mtime(dir.write("src/.vantorel-abcdefghijkl.tmp", "left in a source"), long_ago);
    set_mtime(dir.write("dst/.vantorel-0123456789AB.tmp", "the person's own"), long_ago);
    line(src, "*", dst, false, true);
    save_list();
    expect_offer(prompter, 2);
    run();
    EXPECT_TRUE(prompter.done());
    EXPECT_FALSE(exists(dst + "/sub/.vantorel-0123456789ab.tmp"));
    EXPECT_FALSE(exists(dst + "/.vantorel-abcdefghijkl.tmp"));
    EXPECT_EQ(read_file(dst + "/.vantorel-0123456789AB.tmp"), "the person's own");
    EXPECT_TRUE(exists(src + "/.vantorel-abcdefghijkl.tmp")); // a source is never changed
    const std::vector<std::string> lines = journal_lines();
    EXPECT_TRUE(journal_has(lines, "Unfinished copy of an earlier run removed: " + dst +
                                       "/sub/.vantorel-0123456789ab.tmp"));
    // The one in the source is named, not copied and not removed.
    EXPECT_TRUE(journal_has(lines, "File named like a temporary file of Vantorel passed over: " +
                                       src + "/.vantorel-abcdefghijkl.tmp"));
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.find(".tmp") != l.npos; }),
              2);
}

// A backup folder found without temporary files is not read for them again while it
// stays as it was; one that changed since is, and what a killed run left there goes.
TEST_F(WalkJournalTest, OnlyBackupFoldersChangedSinceFoundCleanAreReadForLeftovers) {
    const ScopedEnv state{"XDG_STATE_HOME", dir / "state"};
    const std::string src = dir.mkdir("src"), dst = dir.mkdir("dst");
    set_mtime(dir.write("src/one/a.txt", "a"), kNoon);
    set_mtime(dir.write("src/two/b.txt", "b"), kNoon);
    line(src, "*", dst, false, true);
    save_list();
    expect_offer(prompter, 2);
    run();
    // A run found both folders clean; then a run was killed in the middle of two.
    SweptFolders swept;
    swept.load(list.file_name());
    for (const std::string& folder : {dst + "/one", dst + "/two"}) {
        struct stat st {};
        ASSERT_EQ(::stat(folder.c_str(), &st), 0);
        swept.found_clean(st, std::time(nullptr) + 60);
    }
    ASSERT_TRUE(swept.save());
    set_mtime(dir.write("dst/two/.vantorel-0123456789ab.tmp", "half a copy"),
              std::time(nullptr) - 3600);
    struct Reads {
        std::mutex mutex;
        std::map<std::string, int> of; // entries asked for, by folder
    };
    auto reads = std::make_shared<Reads>();
    sys::set_fault_hook([reads](sys::Op op, const char* path) {
        if (op == sys::Op::ReadDir && path) {
            const std::lock_guard lock(reads->mutex);
            ++reads->of[path];
        }
        return 0;
    });
    expect_offer(prompter, 0);
    run();
    sys::clear_fault_hook();
    EXPECT_TRUE(prompter.done());
    EXPECT_FALSE(exists(dst + "/two/.vantorel-0123456789ab.tmp"));
    EXPECT_EQ(reads->of[dst + "/one"], 0);
    EXPECT_GT(reads->of[dst + "/two"], 0);
}

// Hidden folders follow the copy option; the kept versions are never copied.
TEST_F(WalkJournalTest, HiddenFoldersFollowTheOption) {
    const std::string src = dir.mkdir("src"), dst = dir / "dst";
    dir.write("src/a.txt", "a");
    dir.write("src/.ssh/id", "key");
    dir.write("src/.vantorel-versions/2024-05-01_143005/a.txt", "an old a");
    line(src, "*", dst, false, true);
    save_list();
    for (const bool hidden : {true, false}) {
        std::filesystem::remove_all(dst);
        options.copy_hidden_folders = hidden;
        expect_offer(prompter, hidden ? 2 : 1);
        run();
        EXPECT_TRUE(prompter.done()) << hidden;
        EXPECT_EQ(exists(dst + "/.ssh/id"), hidden);
        EXPECT_FALSE(exists(dst + "/.vantorel-versions/2024-05-01_143005/a.txt")) << hidden;
        const std::vector<std::string> lines = journal_lines();
        EXPECT_EQ(journal_has(lines, "Hidden folder passed over: " + src + "/.ssh"), !hidden);
        EXPECT_FALSE(
            journal_has(lines, "Hidden folder passed over: " + src + "/.vantorel-versions"));
    }
}

// Swaps a folder of the backup for a link to someone else's once the restore has
// decided to bring back a file of it: after the walk opened it, before its folder is
// made.
class SwapOnDecision final : public RunObserver {
public:
    void decided(const FileDecision& decision) override {
        if (*decision.sub_path == "/sub" && !swapped) {
            swapped = true;
            std::filesystem::rename(folder, moved);
            std::filesystem::create_symlink(other, folder);
        }
    }
    std::string folder, moved, other;
    bool swapped = false;
};

TEST_F(WalkJournalTest, AFolderARestoreMakesIsLikeTheBackupsNotWhereALinkLeads) {
    const std::string backup = dir.mkdir("backup"), target = dir / "target";
    dir.write("backup/sub/c.txt", "charlie");
    ASSERT_EQ(::chmod((backup + "/sub").c_str(), 0750), 0);
    set_mtime(backup + "/sub", kNoon - 1000);
    dir.write("other/secret.txt", "someone else's");
    ASSERT_EQ(::chmod((dir / "other").c_str(), 0701), 0);
    set_mtime(dir / "other", kNoon - 5000);
    line(backup, "*", target, false, true);
    save_list();
    SwapOnDecision swap;
    swap.folder = backup + "/sub";
    swap.moved = dir / "moved";
    swap.other = dir / "other";
    CopyEngine restore{inputs, masked, pump, &desktop, &swap};
    restore.set_restore(true);
    expect_offer(prompter, 1);
    restore.click();
    EXPECT_TRUE(prompter.done());
    ASSERT_TRUE(swap.swapped);
    EXPECT_EQ(read_file(target + "/sub/c.txt"), "charlie");
    struct stat st {};
    ASSERT_EQ(::stat((target + "/sub").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0750u);
    EXPECT_NE(st.st_mtime, kNoon - 5000);
}

} // namespace
} // namespace vt::test
