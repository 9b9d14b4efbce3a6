#include "core/platform/drive_check.h"
#include "core/platform/new_file.h"
#include "core/platform/sys.h"
#include "core/run/engine_fixture.h"
#include "support/file_stat.h"
#include "support/folder_listing.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace vt::test {
namespace {

constexpr std::time_t kNoon = 1700049600;

class RunSafetyTest : public ::testing::Test, public EngineFixture {
protected:
    void TearDown() override {
        sys::clear_fault_hook();
        drives::reset_places();
    }
    // Records every call of the seam, with its path, from any thread.
    void record_calls() {
        sys::set_fault_hook([this](sys::Op op, const char* path) {
            const std::lock_guard lock(mutex);
            calls.emplace_back(op, path ? path : "");
            if (op == sys::Op::SyncFs)
                journal_at_flush = read_file(journal_path());
            return 0;
        });
    }
    std::size_t position(sys::Op op, const std::string& path = {}) const {
        for (std::size_t i = 0; i < calls.size(); ++i)
            if (calls[i].first == op && (path.empty() || calls[i].second == path))
                return i;
        return calls.size();
    }
    int count(sys::Op op) const {
        return static_cast<int>(std::count_if(calls.begin(), calls.end(),
                                              [op](const auto& c) { return c.first == op; }));
    }

    std::mutex mutex;
    std::vector<std::pair<sys::Op, std::string>> calls;
    std::string journal_at_flush;
};

TEST_F(RunSafetyTest, AReplacedBackupIsOnTheDiskBeforeTheOldOneGoes) {
    // A new file is left to the flush at the end of the run; one that replaces a
    // backup is flushed before it takes the backup's place: alone when the run copies
    // one file at a time (fdatasync), with the others made on workers (syncfs).
    struct Case {
        int jobs;
        bool replacing;
        sys::Op flush; // before the naming
    };
    for (const Case c : {Case{1, false, sys::Op::DataSync}, Case{1, true, sys::Op::DataSync},
                         Case{2, false, sys::Op::SyncFs}, Case{2, true, sys::Op::SyncFs}}) {
        SCOPED_TRACE(std::to_string(c.jobs) + (c.replacing ? " replacing" : " new"));
        EngineFixture f;
        f.engine.set_jobs(c.jobs);
        const std::string src = f.dir.mkdir("src"), dst = f.dir.mkdir("dst");
        const std::string content = "new content";
        set_mtime(f.dir.write("src/f", content), kNoon + 10);
        if (c.replacing)
            set_mtime(f.dir.write("dst/f", "the last good backup"), kNoon);
        f.line(src, "f", dst, false, false);
        f.options.create_journal = false;
        calls.clear();
        sys::set_fault_hook([this](sys::Op op, const char* path) {
            const std::lock_guard lock(mutex);
            calls.emplace_back(op, path ? path : "");
            return 0;
        });
        f.run();
        sys::clear_fault_hook();
        EXPECT_TRUE(read_file(dst + "/f") == content);
        // The copy takes the name "f" in its last step.
        const std::size_t named = [&] {
            for (std::size_t i = calls.size(); i-- > 0;)
                if (calls[i].first == sys::Op::Rename && calls[i].second == "f")
                    return i;
            return calls.size();
        }();
        ASSERT_LT(named, calls.size());
        const auto flushes_before = std::count_if(
            calls.begin(), calls.begin() + static_cast<std::ptrdiff_t>(named),
            [](const auto& call) {
                return call.first == sys::Op::DataSync || call.first == sys::Op::SyncFs;
            });
        EXPECT_EQ(flushes_before, c.replacing ? 1 : 0);
        if (c.replacing) {
            EXPECT_LT(position(c.flush), named);
        }
        // The destination's file system is flushed after the copy, once.
        EXPECT_EQ(std::count(calls.begin() + static_cast<std::ptrdiff_t>(named), calls.end(),
                             std::pair{sys::Op::SyncFs, std::string()}),
                  1);
    }
}

TEST_F(RunSafetyTest, TheDisksAreFlushedBeforeTheJournalEnds) {
    const std::string src = dir.mkdir("src");
    dir.write("src/a", "a");
    dir.write("src/b", "b");
    line(src, "a", dir / "one");
    line(src, "b", dir / "two");
    save_list();
    record_calls();
    expect_offer(prompter, 2);
    run();
    sys::clear_fault_hook();
    // Both destinations are on one file system: one flush, after every copy and
    // before the end entries.
    EXPECT_EQ(count(sys::Op::SyncFs), 1);
    EXPECT_NE(journal_at_flush.find("Copied OK: b "), std::string::npos);
    EXPECT_EQ(journal_at_flush.find("Files copied in total"), std::string::npos);
    EXPECT_EQ(journal_lines().back(), "Vantorel Journal file Ended <date>");

    // A flush that fails is a failure of the run, in the journal before its end.
    sys::set_fault_hook([](sys::Op op, const char*) { return op == sys::Op::SyncFs ? EIO : 0; });
    dir.write("src/a", "changed");
    set_mtime(src + "/a", ::time(nullptr) + 100);
    prompter.expect("Vantorel",
                    "Unable to flush the copies in " + (dir / "one") +
                        " to the disk: " + std::strerror(EIO) + ".",
                    Answer::Ok);
    expect_offer(prompter, 1);
    run();
    sys::clear_fault_hook();
    EXPECT_TRUE(prompter.done());
    EXPECT_EQ(engine.summary().failures, 1);
    const auto lines = journal_lines();
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[lines.size() - 5], "Unable to flush the copies in " + (dir / "one") +
                                           " to the disk because " + std::strerror(EIO));

    // A run that writes nothing flushes nothing.
    record_calls();
    calls.clear();
    expect_offer(prompter, 0);
    run();
    EXPECT_EQ(count(sys::Op::SyncFs), 0);
}

TEST_F(RunSafetyTest, ALongRunSendsItsCopiesToTheDiskAsItGoes) {
    // The copies do not wait in memory for the closing flush; an early flush that
    // fails is no failure of the run (the closing flush tells what did not arrive).
    const std::string src = dir.mkdir("src");
    dir.write("src/a", "a");
    dir.write("src/b", "b");
    line(src, "*", dir / "dst");
    save_list();
    std::atomic<int> early = 0, named = 0;
    sys::set_fault_hook([&](sys::Op op, const char*) {
        if (op == sys::Op::WriteBehind) {
            ++early;
            return EIO;
        }
        if (op == sys::Op::Rename && ++named == 2) // the second copy is slow to come
            std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        return 0;
    });
    expect_offer(prompter, 2);
    run();
    sys::clear_fault_hook();
    EXPECT_TRUE(prompter.done());
    EXPECT_GE(early.load(), 2);
    EXPECT_EQ(engine.summary().failures, 0);
    EXPECT_EQ(read_file(dir / "dst/b"), "b");
}

TEST_F(RunSafetyTest, TheJournalReachesItsFileAsTheRunGoes) {
    const std::string src = dir.mkdir("src");
    for (const char* f : {"a", "b", "c"})
        dir.write(std::string("src/") + f, f);
    line(src, "*", dir / "dst");
    save_list();
    // After the first file the run is slow for a while (a large file, say); the
    // entries it held back until then are in the file by the time the next file is
    // done, long before the journal ends or anything is asked.
    std::string on_disk;
    pump.at = 1;
    pump.action = [&] {
        if (pump.calls == 1) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1100));
            pump.at = 2;
        } else {
            on_disk = mask_dates(read_file(journal_path()));
        }
    };
    expect_offer(prompter, 3);
    run();
    EXPECT_EQ(on_disk.rfind("Vantorel Journal file started <date>\r\n", 0), 0u);
    EXPECT_NE(on_disk.find("\r\nSearching For " + src + "/*\r\n"), std::string::npos);
    int copied = 0;
    for (auto at = on_disk.find("Copied OK: "); at != std::string::npos;
         at = on_disk.find("Copied OK: ", at + 1))
        ++copied;
    EXPECT_GE(copied, 1);
    EXPECT_EQ(on_disk.find("Files copied in total"), std::string::npos);
}

TEST_F(RunSafetyTest, NoTemporaryFileIsLeftOrCopiedWhenTheListIsInsideACopiedFolder) {
    const std::string src = dir.mkdir("docs"), dst = dir / "backup";
    dir.write("docs/letter.txt", "letter");
    dir.write("docs/sub/notes.txt", "notes");
    // A leftover of a run killed on a disk without unnamed files is not copied either.
    dir.write("docs/.vantorel-0123456789ab.tmp", "half a file");
    line(src, "*.*", dst, true, true);
    options.journal_append_index = 1; // a new journal each run
    save_list("docs/backup.vtl");
    std::vector<std::string> during;
    pump.at = 1;
    pump.action = [&] { during = paths_under(src); };
    for (int run_number = 0; run_number < 2; ++run_number) {
        prompter.answer_next(Answer::No);
        run();
    }
    EXPECT_TRUE(prompter.done());
    const std::vector<std::string> source_names = {".vantorel-0123456789ab.tmp",
                                                   "backup.txt",
                                                   "backup.vtl",
                                                   "letter.txt",
                                                   "sub",
                                                   "sub/notes.txt"};
    EXPECT_EQ(during, source_names);
    EXPECT_EQ(paths_under(src), source_names);
    EXPECT_EQ(paths_under(dst), (std::vector<std::string>{"backup.txt", "backup.vtl", "letter.txt",
                                                          "sub", "sub/notes.txt"}));
    // The journal copied is this run's, as far as it had come: never a stale one.
    const std::string copied = read_file(dst + "/backup.txt");
    EXPECT_EQ(copied.rfind("Vantorel Journal file started ", 0), 0u);
    const auto lines = journal_lines();
    EXPECT_EQ(count_of(lines, "Vantorel Journal file started"), 1);
}

TEST_F(RunSafetyTest, ALineIsRunWithTheCellsItStartedWith) {
    const std::string src = dir.mkdir("src");
    for (const char* f : {"a.txt", "b.txt", "sub/c.txt", "sub/d.doc"})
        dir.write(std::string("src/") + f, f);
    line(src, "*.txt", dir / "first", false, true);
    save_list();
    // While the line runs, its cells are changed in the window.
    pump.at = 1;
    pump.action = [&] {
        list.set_line(1, {dir / "elsewhere", "*.*", dir / "second", "Yes", "No"});
    };
    expect_offer(prompter, 3);
    run();
    EXPECT_TRUE(prompter.done());
    EXPECT_EQ(paths_under(dir / "first"),
              (std::vector<std::string>{"a.txt", "b.txt", "sub", "sub/c.txt"}));
    EXPECT_FALSE(exists(dir / "second"));
    const auto lines = journal_lines();
    EXPECT_EQ(count_of(lines, "Searching For " + src + "/sub/*.txt"), 1);
}

// A line's backup folder put in another's place while the line runs: the folders
// entered after that are made and copied into where the line names, not into the
// folder that was moved away.
TEST_F(RunSafetyTest, ABackupFolderReplacedDuringTheRunIsFollowedByItsPath) {
    const std::string src = dir.mkdir("src"), dst = dir.mkdir("dst");
    dir.write("src/a/a.txt", "a");
    dir.write("src/b/b.txt", "b");
    line(src, "*.txt", dst, false, true);
    save_list();
    // Swapped as the run opens the second subfolder's source: after it looked for the
    // subfolder's backup folder and before it makes it.
    const auto walk = std::this_thread::get_id();
    sys::set_fault_hook([&, opened = 0](sys::Op op, const char* path) mutable {
        if (op == sys::Op::OpenDir && std::this_thread::get_id() == walk && path &&
            (path == src + "/a" || path == src + "/b") && ++opened == 2) {
            std::filesystem::rename(dst, dir / "moved");
            std::filesystem::create_directory(dst);
        }
        return 0;
    });
    expect_offer(prompter, 2);
    run();
    EXPECT_TRUE(prompter.done());
    EXPECT_EQ(engine.summary().failures, 0);
    const auto moved = paths_under(dir / "moved"), now = paths_under(dst);
    ASSERT_EQ(moved.size(), 2u) << "the first subfolder, copied before the swap";
    EXPECT_EQ(now, (std::vector<std::string>{moved[0] == "a" ? "b" : "a",
                                             moved[0] == "a" ? "b/b.txt" : "a/a.txt"}));
}

// Every box of the run counts as an answer: what the scan saw of the destination,
// or of the source, before the box is looked at again after it.
TEST_F(RunSafetyTest, EveryQuestionIsDecidedOnAFreshLook) {
    enum class Box { VerifySameFile, TransferError, UnreadableFolder };
    struct Case {
        Box box;
        bool source; // the source of "b" is edited, not a backup
    };
    for (const Case c : {Case{Box::VerifySameFile, false}, Case{Box::TransferError, false},
                         Case{Box::UnreadableFolder, false}, Case{Box::VerifySameFile, true},
                         Case{Box::TransferError, true}, Case{Box::UnreadableFolder, true}}) {
        const Box box = c.box;
        const bool source = c.source;
        EngineFixture f;
        const std::string src = f.dir.mkdir("src"), dst = f.dir.mkdir("dst");
        set_mtime(f.dir.write("src/a", "a"), kNoon + 10);
        set_mtime(f.dir.write("dst/a", "old a"), kNoon);
        set_mtime(f.dir.write("src/sub/b", "new"), kNoon);
        set_mtime(f.dir.write("dst/sub/b", "old"), kNoon);
        f.line(src, "*.*", dst, false, true);
        f.options.create_journal = false;
        f.options.verify_each_file = box == Box::VerifySameFile;
        // One file at a time: "b" is then taken after the box by the walk, on the scan's
        // look or a new one, rather than decided again at its turn behind a copy.
        if (source)
            f.engine.set_jobs(1);
        // The backup file is edited while the box is open, after the scan looked at it;
        // or the source of "b", the same as its backup until then.
        const std::string edited = source                       ? src + "/sub/b"
                                   : box == Box::VerifySameFile ? dst + "/a"
                                                                : dst + "/sub/b";
        f.prompter.while_open = [&, done = false](const Prompt&) mutable {
            if (done)
                return;
            done = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (source)
                f.dir.write("src/sub/b", "newest");
            set_mtime(edited, kNoon + 100);
        };
        auto calls = std::make_shared<std::atomic<int>>(0);
        if (box == Box::TransferError)
            sys::set_fault_hook([](sys::Op op, const char* path) {
                return op == sys::Op::Open && path && std::string(path) == "a" ? EBUSY : 0;
            });
        if (box == Box::UnreadableFolder)
            sys::set_fault_hook([calls, src](sys::Op op, const char* path) {
                // The top folder, listed first (5 reads: 4 entries and the end), fails
                // when the scan reads it to its end.
                return op == sys::Op::ReadDir && path && src == path && ++*calls == 10 ? EIO : 0;
            });
        f.prompter.answer_next(box == Box::VerifySameFile ? Answer::Yes : Answer::Ignore);
        if (source) {
            // "b" is newer than its backup now: asked about only to confirm its copy.
            if (box == Box::VerifySameFile)
                f.prompter.expect("Copy this file?",
                                  "Confirm copy of \r\nb\r\n from \r\n" + src + "/sub\r\n to \r\n" +
                                      dst + "/sub",
                                  Answer::Yes);
        } else if (box == Box::VerifySameFile)
            f.prompter.expect("Copy this file?",
                              "The version of: \r\n\r\na\r\n\r\nIn the Destination folder: \r\n" +
                                  dst +
                                  "\r\nDated:  <date>\r\n\r\nIs newer than the version in "
                                  "the Source folder:\r\n" +
                                  src + "\r\nDated:  <date>\r\n\r\nDo you still want to copy?",
                              Answer::No);
        else
            f.prompter.expect("Copy this file?",
                              "The version of: \r\n\r\nb\r\n\r\nIn the Destination folder: \r\n" +
                                  dst +
                                  "/sub\r\nDated:  <date>\r\n\r\nIs newer than the version "
                                  "in the Source folder:\r\n" +
                                  src + "/sub\r\nDated:  <date>\r\n\r\nDo you still want to copy?",
                              Answer::No);
        f.run();
        sys::clear_fault_hook();
        EXPECT_TRUE(f.prompter.done()) << static_cast<int>(box) << source;
        if (source) {
            EXPECT_EQ(read_file(dst + "/sub/b"), "newest") << static_cast<int>(box);
        } else {
            EXPECT_EQ(read_file(edited), box == Box::VerifySameFile ? "old a" : "old");
        }
    }
}

struct DriveCase {
    const char* what;
    const char* folder; // the destination's nearest existing folder, below the test folder
    bool in_fstab;
    bool mounted;
    bool missing;
    const char* below = "/Backup"; // the destination, below that folder
};

TEST_F(RunSafetyTest, OnlyAnUnpluggedDiskIsNotAValidDrive) {
    const DriveCase cases[] = {
        {"an empty fstab mount point", "mnt/backup", true, false, true},
        {"an empty folder in media/<user>", "media/anna/STICK", false, false, true},
        {"an ordinary empty folder", "home/anna/Backups", false, false, false},
        {"a freshly formatted disk, mounted", "media/anna/NEW", false, true, false},
        {"the destination is an empty fstab mount point", "mnt/disk", true, false, true, ""},
        {"the destination is an ordinary empty folder", "home/anna/New", false, false, false, ""},
    };
    for (const DriveCase& c : cases) {
        for (Answer answer : {Answer::Cancel, Answer::Ok}) {
            EngineFixture f;
            const std::string src = f.dir.mkdir("src");
            f.dir.write("src/a", "a");
            f.dir.write("src/sub/b", "b");
            const std::string point = f.dir.mkdir(c.folder);
            f.dir.write("fstab", c.in_fstab ? "/dev/sdb1 " + point + " ext4 noauto 0 0\n" : "");
            f.dir.write("mountinfo",
                        c.mounted ? "90 1 8:17 / " + point + " rw - vfat /dev/sdc1 rw\n" : "");
            drives::set_places(
                {f.dir / "mountinfo", f.dir / "fstab", {f.dir / "media", f.dir / "media/anna"}});
            const std::string target = point + c.below;
            f.line(src, "*.*", target, false, true);
            f.save_list();
            // Each folder with a file to copy asks; after OK nothing is created there:
            // the folder's creation fails.
            for (const std::string& folder : {target, target + "/sub"}) {
                if (!c.missing)
                    break;
                f.prompter.expect("Bad Directory Create",
                                  point + "/ is not a valid drive on your system!", answer);
                if (answer != Answer::Ok)
                    break;
                f.prompter.expect("Bad Directory Create",
                                  "Your system is unable to create the requested Folder\r\n" +
                                      folder + "\r\nwith the following message: \r\n" +
                                      std::strerror(ENODEV),
                                  Answer::Ok);
            }
            expect_offer(f.prompter, c.missing ? 0 : 2);
            f.run();
            drives::reset_places();
            EXPECT_TRUE(f.prompter.done()) << c.what;
            EXPECT_EQ(exists(target + "/sub/b"), !c.missing) << c.what;
            if (c.missing) {
                EXPECT_TRUE(paths_under(point).empty()) << c.what;
                if (answer == Answer::Ok) {
                    EXPECT_EQ(count_of(f.journal_lines(), "Unable to create directory " + target),
                              2);
                }
            }
            if (!c.missing)
                break; // the answer plays no part
        }
    }
}

} // namespace
} // namespace vt::test
