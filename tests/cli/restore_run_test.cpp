#include "cli/headless_run.h"

#include "core/platform/sys.h"
#include "core/restore/kept_versions.h"
#include "core/restore/restore_plan.h"
#include "support/file_stat.h"
#include "support/saved_list.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace vt {
namespace {

constexpr std::time_t kNoon = 1700049600; // an even second

using test::mtime;
using test::set_mtime;

class RestoreRunTest : public ::testing::Test {
protected:
    std::string save(const std::vector<CopyLine>& lines) {
        return test::save_list(dir / "nightly.vtl", lines);
    }
    int run(const std::vector<std::string>& args) {
        out.str("");
        err.str("");
        const CommandLine command = parse_command_line(args);
        EXPECT_NE(command.mode, CommandLine::Mode::Invalid) << command.error;
        return headless_run(command, CopyOptions{false, true, 0}, out, err, false);
    }
    std::string file(const std::string& relative, const std::string& content, std::time_t when) {
        const std::string path = dir.write(relative, content);
        set_mtime(path, when);
        return path;
    }

    test::TempDir dir;
    test::ScopedEnv runtime = test::runtime_dir_in(dir);
    std::ostringstream out, err;
};

TEST_F(RestoreRunTest, RoundTripGivesBackWhatWasLostAndKeepsNewerWork) {
    file("src/a.txt", "alpha", kNoon);
    file("src/b.txt", "bravo", kNoon + 10);
    file("src/sub/c.txt", "charlie", kNoon + 20);
    const std::string list = save({{dir / "src", "*.txt", dir / "dst", "No", "Yes"}});
    ASSERT_EQ(run({"--run", list}), kExitDone);

    // Lost: a.txt and the whole subfolder. Edited since the backup: b.txt.
    ASSERT_EQ(::unlink((dir / "src/a.txt").c_str()), 0);
    ASSERT_EQ(::unlink((dir / "src/sub/c.txt").c_str()), 0);
    ASSERT_EQ(::rmdir((dir / "src/sub").c_str()), 0);
    file("src/b.txt", "bravo, edited", kNoon + 3600);

    EXPECT_EQ(run({"--restore", list}), kExitDone);
    EXPECT_EQ(test::read_file(dir / "src/a.txt"), "alpha");
    EXPECT_EQ(mtime(dir / "src/a.txt"), kNoon);
    EXPECT_EQ(test::read_file(dir / "src/sub/c.txt"), "charlie");
    EXPECT_EQ(mtime(dir / "src/sub/c.txt"), kNoon + 20);
    EXPECT_EQ(test::read_file(dir / "src/b.txt"), "bravo, edited");
    // The newer file was asked about, kept, and the journal says so.
    EXPECT_NE(err.str().find("vantorel: restoring " + list), std::string::npos);
    EXPECT_NE(err.str().find("[Copy this file?] The version of: b.txt In the Destination folder: " +
                             (dir / "src")),
              std::string::npos);
    EXPECT_NE(err.str().find("answered No"), std::string::npos);
    const std::string journal = test::read_file(dir / "nightly.txt");
    const std::size_t restore = journal.rfind("Vantorel Journal file started ");
    ASSERT_NE(restore, std::string::npos);
    const std::string started = journal.substr(restore, journal.find("\r\n", restore) - restore);
    EXPECT_EQ(started.substr(started.size() - 10), " - Restore");
    EXPECT_NE(
        journal.find("Starting Copy line 1 *.txt in " + (dir / "dst") + " to " + (dir / "src"),
                     restore),
        std::string::npos);
    EXPECT_NE(journal.find("NOT Copied: b.txt ", restore), std::string::npos);
    EXPECT_NE(journal.find("2 Files copied in total", restore), std::string::npos);
    // The backup itself was only read.
    EXPECT_EQ(test::read_file(dir / "dst/b.txt"), "bravo");

    // --newer=copy is the person's answer given ahead: the backup's copy goes back.
    EXPECT_EQ(run({"--restore", list, "--newer=copy"}), kExitDone);
    EXPECT_EQ(test::read_file(dir / "src/b.txt"), "bravo");
}

TEST_F(RestoreRunTest, ToAnotherFolderKeepsEachLineApartWithItsSubPaths) {
    file("docs/letters/l.txt", "letter", kNoon);
    file("docs/top.txt", "top", kNoon);
    file("photos/p.jpg", "photo", kNoon);
    file("photos/notes.txt", "not in the mask", kNoon);
    const std::string list = save({{dir / "docs", "*.txt", dir / "b/docs", "No", "Yes"},
                                   {dir / "photos/", "*.jpg", dir / "b/photos", "No", "No"}});
    ASSERT_EQ(run({"--run", list}), kExitDone);
    file("b/photos/extra.txt", "backup holds it, the mask does not", kNoon);

    // A dry run says what would go where and writes nothing.
    EXPECT_EQ(run({"--restore", list, "--to=" + (dir / "back"), "--dry-run"}), kExitDone);
    EXPECT_NE(out.str().find("would copy: l.txt"), std::string::npos);
    EXPECT_FALSE(test::exists(dir / "back"));

    EXPECT_EQ(run({"--restore", list, "--to=" + (dir / "back")}), kExitDone);
    EXPECT_EQ(test::read_file(dir / "back/1-docs/letters/l.txt"), "letter");
    EXPECT_EQ(test::read_file(dir / "back/1-docs/top.txt"), "top");
    EXPECT_EQ(test::read_file(dir / "back/2-photos/p.jpg"), "photo");
    EXPECT_FALSE(test::exists(dir / "back/2-photos/extra.txt"));
    EXPECT_NE(test::read_file(dir / "nightly.txt").find(" - Restore into " + (dir / "back")),
              std::string::npos);
}

TEST_F(RestoreRunTest, RestoresTheVersionsARunReplaced) {
    file("src/a.txt", "a1", kNoon);
    const std::string list = save({{dir / "src", "*.txt", dir / "dst", "No", "No"}});
    ASSERT_EQ(run({"--run", list}), kExitDone);
    file("src/a.txt", "a2", kNoon + 100);
    ASSERT_EQ(run({"--run", list, "--keep-versions"}), kExitDone);
    const std::vector<std::string> stamps = kept_versions::stamps(dir / "dst");
    ASSERT_EQ(stamps.size(), 1u);

    // The version is older than the file in the way: kept without --newer=copy.
    EXPECT_EQ(run({"--restore", list, "--version=" + stamps[0]}), kExitDone);
    EXPECT_EQ(test::read_file(dir / "src/a.txt"), "a2");
    EXPECT_EQ(run({"--restore", list, "--version=" + stamps[0].substr(0, 10), "--newer=copy"}),
              kExitDone);
    EXPECT_EQ(test::read_file(dir / "src/a.txt"), "a1");
    EXPECT_EQ(mtime(dir / "src/a.txt"), kNoon);
    EXPECT_NE(test::read_file(dir / "nightly.txt").find(" - Restore of the versions of "),
              std::string::npos);
    EXPECT_EQ(run({"--restore", list, "--version=1999-01-01"}), kExitNotStarted);
    EXPECT_NE(err.str().find("no line keeps versions of 1999-01-01"), std::string::npos);
}

TEST_F(RestoreRunTest, PlanTurnsEachLineAround) {
    const std::string versions = dir / "b/.vantorel-versions/";
    dir.mkdir("b/.vantorel-versions/2024-05-01_090000");
    dir.mkdir("b/.vantorel-versions/2024-05-01_170000");
    dir.mkdir("b/.vantorel-versions/2024-05-02_090000");
    CopyList list;
    list.set_message("Insert the disk");
    list.append_line({"/home/me/docs/", "*.txt", dir / "b", "Yes", "Yes"});
    list.append_line({"/", "*.cfg", dir / "c", "No", "No"});

    const struct {
        RestoreRequest request;
        std::vector<CopyLine> lines;
        std::string error;
        std::string note;
    } cases[] = {
        {{},
         {{dir / "b", "*.txt", "/home/me/docs/", "No", "Yes"},
          {dir / "c", "*.cfg", "/", "No", "No"}},
         "",
         " - Restore"},
        {{"/r/", ""},
         {{dir / "b", "*.txt", "/r/1-docs", "No", "Yes"}, {dir / "c", "*.cfg", "/r/2", "No", "No"}},
         "",
         " - Restore into /r/"},
        {{"", "2024-05-02"},
         {{versions + "2024-05-02_090000", "*.txt", "/home/me/docs/", "No", "Yes"}},
         "",
         " - Restore of the versions of 2024-05-02"},
        {{"", "2024-05-01_170000"},
         {{versions + "2024-05-01_170000", "*.txt", "/home/me/docs/", "No", "Yes"}},
         "",
         " - Restore of the versions of 2024-05-01_170000"},
        {{"", "2024-05-01"}, {}, "names several kept versions of line 1", ""},
        {{"", "2023-01-01"}, {}, "no line keeps versions of 2023-01-01", ""},
        // A version is named from its start only: a part of a day or a time names none.
        {{"", "05-02"}, {}, "no line keeps versions of 05-02", ""},
        {{"", "170000"}, {}, "no line keeps versions of 170000", ""},
    };
    for (const auto& c : cases) {
        const RestorePlan plan = plan_restore(list, c.request);
        SCOPED_TRACE(c.request.to_folder + "|" + c.request.version);
        if (!c.error.empty()) {
            EXPECT_NE(plan.error.find(c.error), std::string::npos) << plan.error;
            continue;
        }
        ASSERT_TRUE(plan.ok()) << plan.error;
        EXPECT_EQ(plan.list.lines(), c.lines);
        EXPECT_EQ(plan.list.message(), "Insert the disk");
        EXPECT_EQ(plan.started_note, c.note);
    }
    // A line without the version is left out, and the plan says so.
    const RestorePlan plan = plan_restore(list, {"", "2024-05-02_090000"});
    EXPECT_EQ(plan.rows, std::vector<int>{1});
    ASSERT_EQ(plan.notes.size(), 1u);
    EXPECT_NE(plan.notes[0].find("line 2 keeps no versions"), std::string::npos);

    const std::vector<VersionChoice> choices = restore_versions(list);
    ASSERT_EQ(choices.size(), 3u);
    EXPECT_EQ(choices[0].stamp, "2024-05-01_090000");
    EXPECT_EQ(choices[0].rows, std::vector<int>{1});
}

// Headless runs and restores never write through a link someone placed below a line's
// folders, nor read one in the backup: the target stays as it was, the run fails.
TEST_F(RestoreRunTest, LinksBelowALinesFoldersAreNeverWrittenOrReadThrough) {
    struct Case {
        const char* what;
        const char* mode;          // --run or --restore
        const char* link;          // placed after the backup was made
        const char* target;        // what it points to
        const char* journal_entry; // expected in the journal
    };
    const Case cases[] = {
        {"a folder link in the backup", "--run", "dst/sub", "outside", "Unable to open directory "},
        {"a file link in the backup", "--run", "dst/a.txt", "outside/a.txt",
         "Copy of a.txt generated a system error of Too many levels of symbolic links"},
        {"a folder link in the restore's source tree", "--restore", "src/sub", "outside",
         "Unable to open directory "},
        {"a file link placed in the backup", "--restore", "dst/a.txt", "outside/a.txt",
         "Symbolic link in the backup not restored: "},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(dir / "src");
        std::filesystem::remove_all(dir / "dst");
        std::filesystem::remove_all(dir / "outside");
        std::filesystem::remove(dir / "nightly.txt");
        file("src/a.txt", "alpha", kNoon);
        file("src/sub/c.txt", "charlie", kNoon);
        const std::string list = save({{dir / "src", "*.txt", dir / "dst", "No", "Yes"}});
        ASSERT_EQ(run({"--run", list}), kExitDone) << c.what;
        file("outside/a.txt", "someone else's", kNoon - 100);
        file("outside/c.txt", "someone else's", kNoon - 100);
        // The run has something to write: newer sources, or files lost from the source.
        file("src/a.txt", "alpha, edited", kNoon + 100);
        file("src/sub/c.txt", "charlie, edited", kNoon + 100);
        if (std::string(c.mode) == "--restore") {
            ASSERT_EQ(::unlink((dir / "src/a.txt").c_str()), 0);
            file("dst/sub/c.txt", "charlie, backed up", kNoon + 200);
        }
        std::filesystem::remove_all(dir / c.link);
        ASSERT_EQ(::symlink((dir / c.target).c_str(), (dir / c.link).c_str()), 0) << c.what;

        EXPECT_EQ(run({c.mode, list}), kExitFailures) << c.what << "\n" << err.str();
        EXPECT_EQ(test::read_file(dir / "outside/a.txt"), "someone else's") << c.what;
        EXPECT_EQ(test::read_file(dir / "outside/c.txt"), "someone else's") << c.what;
        EXPECT_EQ(mtime(dir / "outside/c.txt"), kNoon - 100) << c.what;
        struct stat st {};
        EXPECT_EQ(::lstat((dir / c.link).c_str(), &st), 0) << c.what;
        EXPECT_TRUE(S_ISLNK(st.st_mode)) << c.what;
        if (std::string(c.link) == "dst/a.txt" && std::string(c.mode) == "--restore") {
            EXPECT_FALSE(test::exists(dir / "src/a.txt")) << c.what; // the secret stays out
        }
        EXPECT_NE(test::read_file(dir / "nightly.txt").find(c.journal_entry), std::string::npos)
            << c.what;
    }
}

// A folder or file of the backup swapped for a link to someone else's while a restore
// runs: nothing is read through it, and the restore fails at that name.
TEST_F(RestoreRunTest, ABackupSwappedForALinkDuringARestoreIsNeverReadThrough) {
    struct Case {
        const char* what;
        sys::Op op;        // the call at which the swap is made
        const char* at;    // on this path (below dir; a file's own name for Op::Open)
        const char* name;  // of the backup's, swapped for a link to the other's
        int nth;           // of the calls on the run's thread for that path
        const char* entry; // in the journal
    };
    const std::string backup = dir / "dst";
    const Case cases[] = {
        {"a folder, before its parent is listed", sys::Op::OpenDir, "dst", "sub", 1,
         "Symbolic link in the backup not restored: "},
        {"a folder, as the folders are listed", sys::Op::OpenDir, "dst/sub", "sub", 1,
         "Unable to read directory "},
        {"a folder, as the run opens it for its files", sys::Op::OpenDir, "dst/sub", "sub", 2,
         "Unable to read directory "},
        {"a file, as it is opened to be restored", sys::Op::Open, "c.txt", "sub/c.txt", 1,
         "Copy of c.txt generated a system error of Too many levels of symbolic links"},
    };
    for (const Case& c : cases) {
        for (const char* gone : {"src", "dst", "other", "moved", "nightly.txt"})
            std::filesystem::remove_all(dir / gone);
        file("src/sub/c.txt", "charlie", kNoon);
        file("src/sub/deeper/x.txt", "x-ray", kNoon);
        const std::string list = save({{dir / "src", "*.txt", backup, "No", "Yes"}});
        ASSERT_EQ(run({"--run", list}), kExitDone) << c.what;
        std::filesystem::remove_all(dir / "src/sub");
        file("other/c.txt", "someone else's", kNoon);
        file("other/deeper/x.txt", "someone else's", kNoon);

        const std::string swapped = dir / (std::string("dst/") + c.name);
        const std::string moved = dir / "moved";
        const std::string seen = c.op == sys::Op::Open ? std::string(c.at) : dir / c.at;
        const std::string target = dir / (c.op == sys::Op::Open ? "other/c.txt" : "other");
        auto calls = std::make_shared<std::atomic<int>>(0);
        const auto walk = std::this_thread::get_id();
        sys::set_fault_hook(
            [c, seen, walk, calls, swapped, moved, target](sys::Op op, const char* path) {
                // The restore's files are opened on its workers, its folders on its thread.
                const bool counted = op == sys::Op::Open || std::this_thread::get_id() == walk;
                if (op == c.op && path && seen == path && counted && ++*calls == c.nth) {
                    std::filesystem::rename(swapped, moved);
                    std::filesystem::create_symlink(target, swapped);
                }
                return 0;
            });
        EXPECT_EQ(run({"--restore", list}), kExitFailures) << c.what << "\n" << err.str();
        sys::clear_fault_hook();
        EXPECT_GE(*calls, c.nth) << c.what << ": the swap was never made";
        for (const char* restored : {"src/sub/c.txt", "src/sub/deeper/x.txt"}) {
            if (test::exists(dir / restored)) {
                EXPECT_NE(test::read_file(dir / restored), "someone else's") << c.what;
            }
        }
        EXPECT_EQ(test::read_file(dir / "other/c.txt"), "someone else's") << c.what;
        const std::string journal = test::read_file(dir / "nightly.txt");
        EXPECT_NE(journal.find(c.entry), std::string::npos) << c.what << "\n" << journal;
    }
}

// A backup folder swapped for a link as the restore makes its folder: the folder made
// never takes the times of the other's.
TEST_F(RestoreRunTest, AFolderMadeByARestoreIsNeverDatedThroughALink) {
    file("src/sub/c.txt", "charlie", kNoon);
    const std::string list = save({{dir / "src", "*.txt", dir / "dst", "No", "Yes"}});
    ASSERT_EQ(run({"--run", list}), kExitDone);
    std::filesystem::remove_all(dir / "src/sub");
    file("other/secret.txt", "someone else's", kNoon);
    set_mtime(dir / "other", kNoon - 5000);

    const std::string made = dir / "src/sub", swapped = dir / "dst/sub", moved = dir / "moved",
                      other = dir / "other";
    auto swaps = std::make_shared<std::atomic<int>>(0);
    sys::set_fault_hook([=](sys::Op op, const char* path) {
        if (op == sys::Op::Mkdir && path && made == path && ++*swaps == 1) {
            std::filesystem::rename(swapped, moved);
            std::filesystem::create_symlink(other, swapped);
        }
        return 0;
    });
    EXPECT_EQ(run({"--restore", list}), kExitDone) << err.str();
    sys::clear_fault_hook();
    ASSERT_EQ(*swaps, 1) << "the swap was never made";
    EXPECT_EQ(test::read_file(dir / "src/sub/c.txt"), "charlie");
    EXPECT_NE(mtime(made), kNoon - 5000);
}

// A person's file named like the program's temporary files is passed over and named,
// never copied, and the run still succeeds.
TEST_F(RestoreRunTest, AFileNamedLikeATemporaryFileIsNamedNotCopied) {
    struct Case {
        const char* what;
        const char* mask;
        bool named; // in the journal
    };
    const Case cases[] = {
        {"every file", "*", true},
        {"a mask that selects it", "*.tmp", true},
        {"a mask that does not", "*.txt", false},
    };
    for (const Case& c : cases) {
        for (const char* gone : {"src", "dst", "nightly.txt"})
            std::filesystem::remove_all(dir / gone);
        file("src/a.txt", "alpha", kNoon);
        file("src/.vantorel-0123456789ab.tmp", "mine", kNoon);
        file("src/sub/.vantorel-abcdefghijkl.tmp", "mine too", kNoon);
        const std::string list = save({{dir / "src", c.mask, dir / "dst", "No", "Yes"}});
        EXPECT_EQ(run({"--run", list}), kExitDone) << c.what << "\n" << err.str();
        EXPECT_FALSE(test::exists(dir / "dst/.vantorel-0123456789ab.tmp")) << c.what;
        EXPECT_FALSE(test::exists(dir / "dst/sub/.vantorel-abcdefghijkl.tmp")) << c.what;
        EXPECT_EQ(test::read_file(dir / "src/.vantorel-0123456789ab.tmp"), "mine") << c.what;
        const std::string journal = test::read_file(dir / "nightly.txt");
        for (const std::string name :
             {"/.vantorel-0123456789ab.tmp", "/sub/.vantorel-abcdefghijkl.tmp"}) {
            const std::string entry =
                "File named like a temporary file of Vantorel passed over: " + (dir / "src") + name;
            EXPECT_EQ(journal.find(entry + "\r\n") != std::string::npos, c.named)
                << c.what << ": " << name << "\n"
                << journal;
        }
    }
}

TEST_F(RestoreRunTest, HiddenFoldersCanBeLeftOutForOneRunAndAreNamed) {
    file("src/a.txt", "alpha", kNoon);
    file("src/.thunderbird/mail.txt", "mail", kNoon);
    const std::string list = save({{dir / "src", "*.txt", dir / "dst", "No", "Yes"}});
    EXPECT_EQ(run({"--run", list, "--hidden-folders=no"}), kExitDone);
    EXPECT_FALSE(test::exists(dir / "dst/.thunderbird"));
    EXPECT_NE(test::read_file(dir / "nightly.txt")
                  .find("Hidden folder passed over: " + (dir / "src/.thunderbird")),
              std::string::npos);
    EXPECT_EQ(run({"--run", list}), kExitDone); // the settings' default: copied
    EXPECT_EQ(test::read_file(dir / "dst/.thunderbird/mail.txt"), "mail");
}

} // namespace
} // namespace vt
