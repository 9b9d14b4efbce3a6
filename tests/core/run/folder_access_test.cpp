#include "core/platform/sys.h"
#include "core/run/engine_fixture.h"
#include "support/deep_tree.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

namespace vt::test {
namespace {

constexpr std::time_t kNoon = 1700049600;

std::string unreadable_entry(const std::string& folder, int error) {
    return "Unable to read directory " + folder + " because " + std::strerror(error);
}

class FolderAccessTest : public ::testing::Test, public EngineFixture {
protected:
    void SetUp() override {
        src = dir.mkdir("src");
        dst = dir / "dst";
        for (const char* f :
             {"a.txt", "b.txt", "c.txt", "sub/d.txt", "sub/deeper/e.txt", "other/f.txt"})
            dir.write(std::string("src/") + f, f);
    }
    void TearDown() override { sys::clear_fault_hook(); }
    // Fails `op` on the folder `folder` the `nth` time (once), from any thread.
    void fail_folder(sys::Op op, const std::string& folder, int nth, int error) {
        auto calls = std::make_shared<std::atomic<int>>(0);
        sys::set_fault_hook([=](sys::Op o, const char* path) {
            return o == op && path && folder == path && ++*calls == nth ? error : 0;
        });
    }

    std::string src, dst;
};

struct Unreadable {
    const char* what;
    const char* folder; // below src ("" for src itself)
    sys::Op op;
    int nth;
    int error;
    bool subfolders;
    Answer answer;
    std::vector<const char*> copied; // below dst
    int failures;
    // Files read before a failure in the middle of a folder may have been copied;
    // which ones is up to the file system's order.
    bool exact = true;
};

// Opened and read by the folder scan, by the run itself and when the folders of a
// line are listed; a failure anywhere is an entry in the journal, a box and a failure.
TEST_F(FolderAccessTest, ASourceFolderThatCannotBeReadIsAFailureNeverAnEmptyFolder) {
    const std::vector<const char*> all = {
        "a.txt", "b.txt", "c.txt", "sub/d.txt", "sub/deeper/e.txt", "other/f.txt"};
    // What is left of `all` when a folder is passed over.
    const std::vector<const char*> top = {"a.txt", "b.txt", "c.txt"},
                                   but_sub = {"a.txt", "b.txt", "c.txt", "other/f.txt"},
                                   but_other = {"a.txt", "b.txt", "c.txt", "sub/d.txt",
                                                "sub/deeper/e.txt"};
    const Unreadable cases[] = {
        {"top folder cannot be opened, passed over",
         "",
         sys::Op::OpenDir,
         1,
         EACCES,
         false,
         Answer::Ignore,
         {},
         1},
        {"top folder cannot be opened, read again", "", sys::Op::OpenDir, 1, EIO, false,
         Answer::Retry, top, 0},
        {"top folder fails in the middle, passed over", "", sys::Op::ReadDir, 3, EIO, false,
         Answer::Ignore, top, 1, false},
        {"top folder fails in the middle, read again", "", sys::Op::ReadDir, 3, ESTALE, false,
         Answer::Retry, top, 0},
        {"subfolder cannot be listed, passed over", "/sub", sys::Op::OpenDir, 1, EACCES, true,
         Answer::Ignore, but_sub, 1},
        {"subfolder cannot be listed, read again", "/sub", sys::Op::OpenDir, 1, EACCES, true,
         Answer::Retry, all, 0},
        {"subfolder fails while listed", "/sub", sys::Op::ReadDir, 1, EIO, true, Answer::Ignore,
         but_sub, 1},
        {"subfolder cannot be opened when its files are read", "/other", sys::Op::OpenDir, 2,
         EACCES, true, Answer::Ignore, but_other, 1},
        {"subfolder without subfolders, not listed, cannot be opened", "/other", sys::Op::OpenDir,
         1, EACCES, true, Answer::Ignore, but_other, 1},
        {"abort ends the run", "/sub", sys::Op::OpenDir, 1, EACCES, true, Answer::Abort, {}, 1},
    };
    for (const Unreadable& c : cases) {
        EngineFixture f;
        const std::string from = f.dir.mkdir("src"), to = f.dir / "dst";
        for (const char* file : all)
            f.dir.write(std::string("src/") + file, file);
        f.line(from, "*.txt", to, false, c.subfolders);
        f.save_list();
        const std::string folder = from + c.folder;
        auto calls = std::make_shared<std::atomic<int>>(0);
        sys::set_fault_hook([&c, calls, folder](sys::Op o, const char* path) {
            return o == c.op && path && folder == path && ++*calls == c.nth ? c.error : 0;
        });
        f.prompter.expect("Source Folder Access Problem", unreadable_box(folder, c.error),
                          c.answer);
        if (c.exact)
            expect_offer(f.prompter, static_cast<int>(c.copied.size()));
        else
            f.prompter.answer_next(Answer::No);
        f.run();
        sys::clear_fault_hook();
        EXPECT_TRUE(f.prompter.done()) << c.what;
        ASSERT_FALSE(f.prompter.shown.empty());
        EXPECT_EQ(f.prompter.shown[0].buttons, Buttons::AbortRetryIgnore);
        EXPECT_EQ(f.prompter.shown[0].default_button, Answer::Abort);
        for (const char* file : all) {
            const bool wanted = std::find_if(c.copied.begin(), c.copied.end(), [&](const char* w) {
                                    return std::string(w) == file;
                                }) != c.copied.end();
            if (c.exact || !wanted) {
                EXPECT_EQ(exists(to + "/" + file), wanted) << c.what << ": " << file;
            }
        }
        const auto lines = f.journal_lines();
        EXPECT_EQ(count_of(lines, unreadable_entry(folder, c.error)), 1) << c.what;
        // Read again, a folder's files are each handled once.
        for (const char* file : all) {
            const std::string name = std::filesystem::path(file).filename().string();
            EXPECT_LE(count_of(lines, "Copied OK: " + name + " "), 1) << c.what;
        }
        EXPECT_EQ(f.engine.summary().failures, c.failures) << c.what;
        EXPECT_EQ(f.engine.summary().ended_early, c.answer == Answer::Abort) << c.what;
        EXPECT_EQ(lines.back(), "Vantorel Journal file Ended <date>") << c.what;
    }
}

TEST_F(FolderAccessTest, AMissingSourceFolderIsAFailure) {
    // A source disk that is not mounted: its folder is simply gone.
    line(dir / "unplugged/Documents", "*.*", dst, false, false);
    line(dir / "unplugged/Photos", "*.*", dst, false, true);
    line(src, "a.txt", dst, false, false);
    save_list();
    for (const char* gone : {"unplugged/Documents", "unplugged/Photos"})
        prompter.expect("Source Folder Access Problem", unreadable_box(dir / gone, ENOENT),
                        Answer::Ignore);
    expect_offer(prompter, 1);
    run();
    EXPECT_TRUE(prompter.done());
    EXPECT_EQ(engine.summary().failures, 2);
    EXPECT_EQ(read_file(dst + "/a.txt"), "a.txt");
    const auto lines = journal_lines();
    EXPECT_EQ(count_of(lines, unreadable_entry(dir / "unplugged/Documents", ENOENT)), 1);
    // The line's search entry is still written, for the folder the line names.
    EXPECT_EQ(count_of(lines, "Searching For " + (dir / "unplugged/Photos") + "/*.*"), 1);
}

TEST_F(FolderAccessTest, AFolderThatVanishesWhileTheRunIsInItsParent) {
    line(src, "*.txt", dst, false, true);
    save_list();
    // After the first entry of the top folder, "sub" goes (a share disconnected).
    pump.at = 1;
    pump.action = [&] { std::filesystem::remove_all(src + "/sub"); };
    prompter.expect("Source Folder Access Problem", unreadable_box(src + "/sub", ENOENT),
                    Answer::Ignore);
    prompter.expect("Source Folder Access Problem", unreadable_box(src + "/sub/deeper", ENOENT),
                    Answer::Ignore);
    expect_offer(prompter, 4);
    run();
    EXPECT_TRUE(prompter.done());
    EXPECT_EQ(engine.summary().failures, 2);
    EXPECT_EQ(read_file(dst + "/other/f.txt"), "other/f.txt");
}

TEST_F(FolderAccessTest, ATreeDeeperThanThePathLimitIsCopiedWhole) {
    // 45 folders of 100-character names: 4,545 bytes below the source.
    const std::string deep_src = dir.mkdir("deep");
    const DeepTree tree(deep_src, 45, 100);
    for (int level = 0; level <= tree.levels(); level += 4)
        tree.write(level, "file" + std::to_string(level) + ".txt", "level " + std::to_string(level),
                   kNoon + level * 2);
    tree.write(45, "bottom.txt", "the deepest file", kNoon);
    const std::string backup = dir / "backup";
    line(deep_src, "*.*", backup, false, true);
    save_list();
    const int files = 12 + 1; // every fourth level, and the bottom
    expect_offer(prompter, files);
    run();
    EXPECT_TRUE(prompter.done());
    EXPECT_EQ(engine.summary().failures, 0);
    for (int level = 0; level <= tree.levels(); level += 4) {
        const auto copy = tree.read(backup, level, "file" + std::to_string(level) + ".txt");
        ASSERT_TRUE(copy) << level;
        EXPECT_EQ(copy->content, "level " + std::to_string(level));
        EXPECT_EQ(copy->mtime, kNoon + level * 2);
    }
    ASSERT_TRUE(tree.read(backup, 45, "bottom.txt"));
    EXPECT_EQ(tree.read(backup, 45, "bottom.txt")->content, "the deepest file");
    // The journal names whole paths, however long.
    const auto lines = journal_lines();
    EXPECT_EQ(count_of(lines, "Directory created " + tree.path(45, backup)), 1);
    EXPECT_EQ(count_of(lines, "Searching For " + tree.path(45) + "/*.*"), 1);
    EXPECT_EQ(count_of(lines, "Copied OK: "), files);

    // The second run finds everything up to date; a deep folder named twice, once
    // with a trailing separator, is still seen to be one folder.
    line(tree.path(45), "*.*", tree.path(45) + "/", false, false);
    prompter.expect("Can't do this copy", "Source and destination directories are the same!",
                    Answer::Ok);
    expect_offer(prompter, 0);
    run();
    EXPECT_TRUE(prompter.done());
    EXPECT_EQ(engine.summary().failures, 1);
}

} // namespace
} // namespace vt::test
