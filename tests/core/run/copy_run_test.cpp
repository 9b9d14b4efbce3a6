#include "core/platform/drive_check.h"
#include "core/platform/sys.h"
#include "core/run/engine_fixture.h"
#include "support/file_stat.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>

namespace vt::test {
namespace {

constexpr std::time_t kNoon = 1700049600; // 2023-11-15 12:00:00 UTC, an even second

std::string copy_question(const std::string& name, const std::string& from, const std::string& to) {
    return "Confirm copy of \r\n" + name + "\r\n from \r\n" + from + "\r\n to \r\n" + to;
}

std::string newer_question(const std::string& name, const std::string& to,
                           const std::string& from) {
    return "The version of: \r\n\r\n" + name + "\r\n\r\nIn the Destination folder: \r\n" + to +
           "\r\nDated:  <date>\r\n\r\nIs newer than the version in the Source folder:\r\n" + from +
           "\r\nDated:  <date>\r\n\r\nDo you still want to copy?";
}

// The file system returns entries in its own order: within a folder's block the
// file entries are sorted, and the folder blocks of a line are sorted, so that
// journals can be compared line by line.
std::vector<std::string> normalized(std::vector<std::string> lines) {
    auto is_file = [](const std::string& l) {
        return l.rfind("Copied OK: ", 0) == 0 || l.rfind("NOT Copied: ", 0) == 0;
    };
    auto starts_block = [](const std::string& l) { return l.rfind("Searching For ", 0) == 0; };
    auto ends_blocks = [](const std::string& l) {
        return l.rfind("Starting Copy line", 0) == 0 ||
               l.find(" Files copied in total") != std::string::npos;
    };
    std::vector<std::string> out;
    std::vector<std::vector<std::string>> blocks;
    auto flush = [&] {
        std::sort(blocks.begin(), blocks.end());
        for (auto& b : blocks)
            out.insert(out.end(), b.begin(), b.end());
        blocks.clear();
    };
    for (const std::string& l : lines) {
        if (starts_block(l)) {
            blocks.push_back({l});
        } else if (ends_blocks(l)) {
            // The empty line before a line start belongs to the line start.
            const bool had_empty = !blocks.empty() && blocks.back().back().empty();
            if (had_empty)
                blocks.back().pop_back();
            flush();
            if (had_empty)
                out.push_back("");
            out.push_back(l);
        } else if (!blocks.empty()) {
            blocks.back().push_back(l);
            auto& b = blocks.back();
            auto first = std::find_if(b.begin(), b.end(), is_file);
            auto last = std::find_if_not(first, b.end(), is_file);
            std::sort(first, last);
        } else {
            out.push_back(l);
        }
    }
    flush();
    return out;
}

class CopyRunTest : public ::testing::Test, public EngineFixture {};

TEST_F(CopyRunTest, WholeRunJournal) {
    const std::string src = dir.mkdir("src"), dst = dir / "dst", docs = dir / "docs";
    for (const char* f : {"a.txt", "B.TXT", ".hidden.txt", "notes.doc", "skip.me", "sub/d.txt",
                          "sub/deeper/e.txt", "sub.txt/c.txt", ".git/f.txt", "photos/g.doc"})
        set_mtime(dir.write(std::string("src/") + f, f), kNoon);
    line(src, "*.txt", dst, false, true);
    line(src, "*.DOC", docs, false, false);
    save_list();
    expect_offer(prompter, 8, Answer::Yes);
    run();

    const std::vector<std::string> expected = {
        "Vantorel Journal file started <date>",
        "",
        "",
        "Starting Copy line 1 *.txt in " + src + " to " + dst,
        "Searching For " + src + "/*.txt",
        "Directory created " + dst,
        "Copied OK: .hidden.txt <date>",
        "Copied OK: B.TXT <date>",
        "Copied OK: a.txt <date>",
        "3 files copied for this specification",
        "",
        // Hidden folders hold mail, keys and settings: copied like any other.
        "Searching For " + src + "/.git/*.txt",
        "Directory created " + dst + "/.git",
        "Copied OK: f.txt <date>",
        "1 files copied for this specification",
        "",
        // A folder where nothing is copied has no total of its own.
        "Searching For " + src + "/photos/*.txt",
        "Searching For " + src + "/sub/*.txt",
        "Directory created " + dst + "/sub",
        "Copied OK: d.txt <date>",
        "1 files copied for this specification",
        "",
        "Searching For " + src + "/sub/deeper/*.txt",
        "Directory created " + dst + "/sub/deeper",
        "Copied OK: e.txt <date>",
        "1 files copied for this specification",
        "",
        "Searching For " + src + "/sub.txt/*.txt",
        "Directory created " + dst + "/sub.txt",
        "Copied OK: c.txt <date>",
        "1 files copied for this specification",
        "",
        "",
        "Starting Copy line 2 *.DOC in " + src + " to " + docs,
        "Searching For " + src + "/*.DOC",
        "Directory created " + docs,
        "Copied OK: notes.doc <date>",
        "1 files copied for this specification",
        "",
        "",
        "8 Files copied in total",
        "",
        "Vantorel Journal file Ended <date>",
    };
    EXPECT_EQ(normalized(journal_lines()), normalized(expected));
    EXPECT_TRUE(prompter.done());
    EXPECT_EQ(desktop.documents, std::vector<std::string>{journal_path()});
    EXPECT_EQ(read_file(dst + "/sub.txt/c.txt"), "sub.txt/c.txt");
    EXPECT_EQ(read_file(dst + "/.hidden.txt"), ".hidden.txt");
    EXPECT_EQ(read_file(dst + "/.git/f.txt"), ".git/f.txt");
    EXPECT_FALSE(exists(dst + "/skip.me"));
    EXPECT_FALSE(engine.running());

    // The second run finds everything up to date and appends its block.
    expect_offer(prompter, 0);
    run();
    const auto lines = journal_lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Vantorel Journal file started <date>"), 2);
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "NOT Copied: a.txt <date> to replace version created <date>"),
              1);
    EXPECT_EQ(lines.back(), "Vantorel Journal file Ended <date>");
}

TEST_F(CopyRunTest, SubfoldersAreEnteredDepthFirstParentFirst) {
    const std::string src = dir.mkdir("src"), dst = dir / "dst";
    dir.write("src/a/b/c/x", "x");
    line(src, "*.*", dst, false, true);
    line(src + "/a", "*.*", dst + "/a2", false, false);
    save_list();
    expect_offer(prompter, 1);
    run();
    std::vector<std::string> searches;
    for (const std::string& l : journal_lines())
        if (l.rfind("Searching For ", 0) == 0)
            searches.push_back(l.substr(14));
    EXPECT_EQ(searches, (std::vector<std::string>{src + "/*.*", src + "/a/*.*", src + "/a/b/*.*",
                                                  src + "/a/b/c/*.*", src + "/a/*.*"}));
}

struct DecisionCase {
    const char* name;
    bool present;
    int source_minus_destination; // seconds
    bool replace;
    bool copied;
    bool newer_question;
    const char* backup = "old"; // what the destination holds
};

TEST_F(CopyRunTest, DecisionTable) {
    const DecisionCase cases[] = {
        {"absent", false, 0, false, true, false},
        {"absent, replace", false, 0, true, true, false},
        {"source newer by one step", true, 2, false, true, false},
        {"equal", true, 0, false, false, false},
        // This disk keeps nanoseconds: a second is a change (FAT's two seconds are not).
        {"source newer by a second", true, 1, false, true, false},
        {"equal, replace", true, 1, true, true, false},
        // A copy cut short by a crash keeps the source's time over too few bytes.
        {"equal but of another size", true, 0, false, true, false, ""},
        {"older and of another size", true, -2, false, false, true, ""},
        {"source older", true, -2, false, false, true},
        {"source older, replace", true, -2, true, false, true},
    };
    for (const DecisionCase& c : cases) {
        EngineFixture f;
        const std::string src = f.dir.mkdir("src"), dst = f.dir.mkdir("dst");
        set_mtime(f.dir.write("src/f", "new"), kNoon + c.source_minus_destination);
        if (c.present)
            set_mtime(f.dir.write("dst/f", c.backup), kNoon);
        f.line(src, "f", dst, c.replace, false);
        f.options.create_journal = false;
        if (c.newer_question)
            f.prompter.expect("Copy this file?", newer_question("f", dst, src), Answer::No);
        f.run();
        EXPECT_TRUE(f.prompter.done()) << c.name;
        EXPECT_EQ(read_file(dst + "/f") == "new", c.copied) << c.name;
    }
}

TEST_F(CopyRunTest, VerifyAndNewerQuestions) {
    const std::string src = dir.mkdir("src"), dst = dir.mkdir("dst");
    set_mtime(dir.write("src/f.txt", "new"), kNoon);
    set_mtime(dir.write("dst/f.txt", "old"), kNoon + 10);
    line(src, "f.txt", dst, true, false);
    options.verify_each_file = true;
    save_list();

    // Replace flag set and Verify Each File: the verify question comes first, and a
    // Yes to the newer-destination question overrides its No.
    prompter.expect("Copy this file?", copy_question("f.txt", src, dst), Answer::No);
    prompter.expect("Copy this file?", newer_question("f.txt", dst, src), Answer::Yes);
    expect_offer(prompter, 1);
    run();
    EXPECT_TRUE(prompter.done());
    EXPECT_EQ(read_file(dst + "/f.txt"), "new");
    ASSERT_GE(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[0].buttons, Buttons::YesNoCancel);
    EXPECT_EQ(prompter.shown[0].default_button, Answer::Yes);
    // The copied entry carries the source's date and the replaced file's date.
    const auto lines = journal_lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "Copied OK: f.txt <date> to replace version created <date>"),
              lines.end());
}

TEST_F(CopyRunTest, CancelInEitherQuestionEndsTheRunWithEndEntries) {
    for (int which = 0; which < 2; ++which) {
        EngineFixture f;
        const std::string src = f.dir.mkdir("src"), dst = f.dir.mkdir("dst");
        set_mtime(f.dir.write("src/f.txt", "new"), kNoon);
        set_mtime(f.dir.write("src/g.txt", "new"), kNoon);
        set_mtime(f.dir.write("dst/f.txt", "old"), kNoon + 10);
        set_mtime(f.dir.write("dst/g.txt", "old"), kNoon + 10);
        f.line(src, "*.txt", dst, true, false);
        f.options.verify_each_file = true;
        f.save_list();
        if (which == 1)
            f.prompter.answer_next(Answer::Yes);
        f.prompter.answer_next(Answer::Cancel);
        expect_offer(f.prompter, 0);
        f.run();
        EXPECT_TRUE(f.prompter.done());
        const auto lines = f.journal_lines();
        ASSERT_GE(lines.size(), 4u);
        EXPECT_EQ(lines[lines.size() - 4], "");
        EXPECT_EQ(lines[lines.size() - 3], "0 Files copied in total");
        EXPECT_EQ(lines.back(), "Vantorel Journal file Ended <date>");
        EXPECT_EQ(std::count_if(
                      lines.begin(), lines.end(),
                      [](const std::string& l) { return l.find("Copied") != std::string::npos; }),
                  0);
        EXPECT_EQ(read_file(dst + "/f.txt"), "old");
        EXPECT_EQ(read_file(dst + "/g.txt"), "old");
    }
}

TEST_F(CopyRunTest, StartingChecks) {
    // An empty list: "Nothing to do", no journal.
    prompter.expect("Nothing to do", "There is no list of files to copy!, Save and try again",
                    Answer::Ok);
    run();
    const std::string src = dir.mkdir("src");
    dir.write("src/a", "a");
    line(src, "*.*", dir / "dst");
    // The message is shown first; closing it starts nothing.
    list.set_message("Insert the backup disk");
    prompter.expect("Confirm", "Insert the backup disk", Answer::Cancel);
    run();
    EXPECT_EQ(prompter.shown.back().icon, Icon::Question);
    // A list that was never saved cannot have a journal.
    prompter.expect("Confirm", "Insert the backup disk", Answer::Ok);
    prompter.expect("File is unnamed",
                    "Cannot create a Journal file for an unnamed list, Save and try again",
                    Answer::Ok);
    run();
    EXPECT_TRUE(prompter.done());
    EXPECT_FALSE(exists(dir / "dst"));
    EXPECT_FALSE(engine.running());
    EXPECT_FALSE(engine.summary().started);
}

TEST_F(CopyRunTest, StopClickEndsTheRunAfterTheCurrentEntry) {
    const std::string src = dir.mkdir("src"), dst = dir / "dst";
    for (int i = 0; i < 5; ++i)
        dir.write("src/f" + std::to_string(i), "x");
    line(src, "*.*", dst);
    list.set_message("Go");
    save_list();
    prompter.expect("Confirm", "Go", Answer::Ok);
    // The second click arrives through the pump and shows the message again.
    prompter.expect("Confirm", "Go", Answer::Ok);
    expect_offer(prompter, 2);
    pump.at = 2;
    pump.action = [this] {
        EXPECT_TRUE(engine.running());
        engine.click();
    };
    run();
    EXPECT_TRUE(prompter.done());
    EXPECT_TRUE(engine.summary().stopped);
    const auto lines = journal_lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.rfind("Copied OK", 0) == 0; }),
              2);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) {
                                return l.find("for this specification") != std::string::npos;
                            }),
              0);
    EXPECT_EQ(lines.back(), "Vantorel Journal file Ended <date>");
}

TEST_F(CopyRunTest, AFolderSlowToReadKeepsTheWindowAliveAndCanBeStopped) {
    const std::string src = dir.mkdir("src"), dst = dir / "dst";
    dir.write("src/a", "a");
    dir.mkdir("src/slow");
    dir.write("src/slow/b", "b");
    line(src, "*.*", dst, false, true);
    save_list();
    // Reading "slow" ahead of the run takes a while, as on a busy network share: here
    // until the run has waited for it (at most five seconds).
    const auto run_thread = std::this_thread::get_id();
    std::atomic<bool> released = false;
    sys::set_fault_hook([run_thread, &released](sys::Op op, const char* path) {
        const std::string p = path ? path : "";
        if (op == sys::Op::OpenDir && std::this_thread::get_id() != run_thread &&
            p.ends_with("/slow")) {
            for (int i = 0; i < 1000 && !released; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return 0;
    });
    pump.while_waiting = [&] {
        if (pump.waits == 1)
            engine.click();
        released = true;
    };
    expect_offer(prompter, 1);
    run();
    sys::clear_fault_hook();
    EXPECT_TRUE(prompter.done());
    EXPECT_GE(pump.waits, 1);
    EXPECT_TRUE(engine.summary().stopped);
    EXPECT_TRUE(exists(dst + "/a"));
    EXPECT_FALSE(exists(dst + "/slow/b"));
}

TEST_F(CopyRunTest, LinesAddedDuringARunWaitForTheNextRun) {
    const std::string src = dir.mkdir("src");
    dir.write("src/a", "a");
    dir.write("src/b", "b");
    line(src, "a", dir / "first");
    save_list();
    pump.at = 1;
    pump.action = [&] { line(src, "b", dir / "second"); };
    expect_offer(prompter, 1);
    run();
    EXPECT_TRUE(exists(dir / "first/a"));
    EXPECT_FALSE(exists(dir / "second"));
}

TEST_F(CopyRunTest, ProgressFollowsEntriesAndBlocks) {
    struct Recorder : RunObserver {
        std::vector<bool> states;
        std::vector<RunProgress> entries, blocks;
        void running_changed(bool r) override { states.push_back(r); }
        void progress(const RunProgress& p) override { entries.push_back(p); }
        void transfer_progress(const RunProgress& p) override { blocks.push_back(p); }
    } recorder;
    const std::string src = dir.mkdir("src");
    dir.write("src/big", std::string(3 * 61440 + 1, 'x'));
    dir.write("src/small", "12345");
    line(src, "*.*", dir / "dst");
    options.create_journal = false;
    // A run copying on its own thread tells after every kernel call: one per file here.
    CopyEngine observed(inputs, masked, pump, &desktop, &recorder);
    observed.set_jobs(1);
    observed.click();
    EXPECT_EQ(recorder.states, (std::vector<bool>{true, false}));
    ASSERT_EQ(recorder.blocks.size(), 1u + 1u);
    ASSERT_FALSE(recorder.entries.empty());
    const RunProgress& last = recorder.entries.back();
    EXPECT_EQ(last.line, 1);
    EXPECT_EQ(last.folder, src);
    EXPECT_EQ(last.examined, 2);
    EXPECT_EQ(last.copied, 2);
    EXPECT_EQ(last.bytes, 3u * 61440 + 1 + 5);
    for (const RunProgress& b : recorder.blocks) {
        EXPECT_LE(b.file_done, b.file_size);
        EXPECT_GT(b.file_done, 0u);
    }
}

TEST_F(CopyRunTest, SameFolderByTextOrIdentityIsRefused) {
    const std::string data = dir.mkdir("data");
    dir.write("data/f", "f");
    ASSERT_EQ(::symlink(data.c_str(), (dir / "alias").c_str()), 0);
    line(data, "*.*", data);
    line(data, "*.*", data + "/");
    line(dir / "alias", "*.*", data);
    save_list();
    for (int i = 0; i < 3; ++i)
        prompter.expect("Can't do this copy", "Source and destination directories are the same!",
                        Answer::Ok);
    expect_offer(prompter, 0);
    run();
    EXPECT_TRUE(prompter.done());
    const auto lines = journal_lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.rfind("Searching", 0) == 0; }),
              0);
    EXPECT_EQ(read_file(data + "/f"), "f");
}

TEST_F(CopyRunTest, LinksFifosAndLoopsInTheSource) {
    const std::string src = dir.mkdir("src"), dst = dir / "dst", outside = dir.mkdir("outside");
    dir.write("src/real.txt", "real");
    dir.write("outside/target.txt", "through a link");
    dir.mkdir("outside/folder");
    dir.write("outside/folder/inner.txt", "inner");
    ASSERT_EQ(::symlink((outside + "/target.txt").c_str(), (src + "/link.txt").c_str()), 0);
    ASSERT_EQ(::symlink(src.c_str(), (src + "/loop").c_str()), 0);
    ASSERT_EQ(::symlink((outside + "/folder").c_str(), (src + "/folder.txt").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "nowhere").c_str(), (src + "/dangling.txt").c_str()), 0);
    ASSERT_EQ(::mkfifo((src + "/pipe.txt").c_str(), 0644), 0);
    line(src, "*.*", dst, false, true);
    save_list();
    expect_offer(prompter, 2);
    run();
    EXPECT_TRUE(prompter.done());
    EXPECT_EQ(read_file(dst + "/link.txt"), "through a link");
    struct stat st {};
    ASSERT_EQ(::lstat((dst + "/link.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_FALSE(exists(dst + "/loop"));
    EXPECT_FALSE(exists(dst + "/pipe.txt"));
    EXPECT_FALSE(exists(dst + "/dangling.txt"));
    EXPECT_FALSE(exists(dst + "/folder.txt"));
    for (const std::string& l : journal_lines())
        EXPECT_EQ(l.find("pipe.txt"), std::string::npos) << l;
}

TEST_F(CopyRunTest, DestinationThatIsTheSourceFileIsNeverWritten) {
    const std::string src = dir.mkdir("src"), dst = dir.mkdir("dst");
    set_mtime(dir.write("src/f.txt", "only copy"), kNoon);
    ASSERT_EQ(::link((src + "/f.txt").c_str(), (dst + "/f.txt").c_str()), 0);
    line(src, "*.*", dst, true, false);
    save_list();
    expect_offer(prompter, 0);
    run();
    EXPECT_TRUE(prompter.done());
    EXPECT_EQ(read_file(src + "/f.txt"), "only copy");
    const auto lines = journal_lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "NOT Copied: f.txt <date> to replace version created <date>"),
              lines.end());
}

TEST_F(CopyRunTest, MissingLevelsAboveANewDestinationAreCreated) {
    const std::string src = dir.mkdir("src");
    dir.write("src/top.doc", "not selected");
    dir.write("src/Sub/x.txt", "x");
    dir.write("existing/keep", "so the disk is there");
    const std::string dst = dir / "existing/new/deep";
    line(src, "*.txt", dst, false, true);
    save_list();
    expect_offer(prompter, 1);
    run();
    EXPECT_TRUE(prompter.done());
    EXPECT_EQ(read_file(dst + "/Sub/x.txt"), "x");
    const auto lines = journal_lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Directory created " + dst + "/Sub"),
              lines.end());
}

// Every folder a run makes is in its journal, also one made on the way to a line's
// destination, in the order made; a dry run tells the same folders, each once.
TEST_F(CopyRunTest, FoldersMadeOnTheWayToADestinationAreJournaledInOrder) {
    const std::string src = dir.mkdir("src"), other = dir.mkdir("other");
    dir.write("src/top.doc", "no match in the top folder");
    dir.write("src/Sub/x.txt", "x");
    dir.write("other/y.txt", "y");
    const std::string dst = dir / "New";
    line(src, "*.txt", dst, false, true);
    line(other, "*.txt", dst + "/Later/Deeper");
    save_list();
    for (const bool dry : {true, false}) {
        std::vector<std::string> told;
        engine.set_dry_run(dry ? std::function<void(const std::string&)>(
                                     [&told](const std::string& l) { told.push_back(l); })
                               : nullptr);
        if (!dry)
            expect_offer(prompter, 2);
        run();
        EXPECT_TRUE(prompter.done());
        EXPECT_EQ(engine.summary().failures, 0);
        const std::string made = dry ? "would create directory " : "Directory created ";
        std::vector<std::string> folders;
        for (const std::string& l : dry ? told : journal_lines()) {
            if (l.rfind(made, 0) == 0)
                folders.push_back(l.substr(made.size()));
        }
        EXPECT_EQ(folders, (std::vector<std::string>{dst, dst + "/Sub", dst + "/Later",
                                                     dst + "/Later/Deeper"}))
            << (dry ? "dry run" : "run");
        EXPECT_EQ(exists(dst + "/Later/Deeper/y.txt"), !dry);
    }
    EXPECT_EQ(read_file(dst + "/Sub/x.txt"), "x");
}

// A backup disk can be unmounted once a run has ended: nothing of it is left open.
TEST_F(CopyRunTest, ARunLeavesNoFolderOpen) {
    auto open_descriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                             std::filesystem::directory_iterator());
    };
    const std::string src = dir.mkdir("src");
    dir.write("src/a.txt", "a");
    dir.write("src/sub/b.txt", "b");
    line(src, "*.txt", dir / "dst", false, true);
    save_list();
    for (const int jobs : {1, 2}) {
        engine.set_jobs(jobs);
        const auto before = open_descriptors();
        expect_offer(prompter, jobs == 1 ? 2 : 0);
        run();
        EXPECT_TRUE(prompter.done());
        EXPECT_EQ(open_descriptors(), before) << jobs;
    }
}

TEST_F(CopyRunTest, DestinationOnADiskThatIsNotThere) {
    const std::string src = dir.mkdir("src");
    dir.write("src/a", "a");
    const std::string mount = dir.mkdir("media/usb");
    dir.write("media/usb/.hidden", "hidden entries do not count");
    // A folder directly in a media folder, with no disk mounted on it.
    drives::set_places({dir / "mountinfo", dir / "fstab", {dir / "media"}});
    line(src, "*.*", mount + "/Backup");
    save_list();
    prompter.expect("Bad Directory Create", mount + "/ is not a valid drive on your system!",
                    Answer::Cancel);
    expect_offer(prompter, 0);
    run();
    EXPECT_TRUE(prompter.done());
    EXPECT_EQ(prompter.shown[0].default_button, Answer::Cancel);
    EXPECT_EQ(prompter.shown[0].icon, Icon::Stop);
    EXPECT_FALSE(exists(mount + "/Backup"));
    drives::reset_places();
}

TEST_F(CopyRunTest, FolderThatCannotBeCreated) {
    const std::string src = dir.mkdir("src");
    dir.write("src/a", "a");
    dir.write("src/b", "b");
    dir.write("dst", "a file in the way");
    line(src, "*.*", dir / "dst/inner");
    line(src, "a", dir / "ok");
    save_list();
    // The level above cannot be made (a file is in the way), then the folder itself.
    prompter.answer_next(Answer::Ok);
    prompter.answer_next(Answer::Ok);
    expect_offer(prompter, 1);
    run();
    EXPECT_TRUE(prompter.done());
    ASSERT_EQ(prompter.shown.size(), 3u);
    EXPECT_EQ(prompter.shown[0].text, "Your system is unable to create the requested Folder\r\n" +
                                          (dir / "dst") +
                                          "\r\nwith the following message: \r\nFile exists");
    EXPECT_EQ(prompter.shown[0].buttons, Buttons::Ok);
    EXPECT_EQ(prompter.shown[1].buttons, Buttons::OkCancel);
    const auto lines = journal_lines();
    // The rest of that folder is abandoned: no entry for the second file, no total.
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) {
                                return l.rfind("Unable to create directory", 0) == 0;
                            }),
              2);
    EXPECT_EQ(read_file(dir / "ok/a"), "a");
    EXPECT_EQ(engine.summary().failures, 2);
}

TEST_F(CopyRunTest, BackupFolderInsideItsSourceIsNotCopiedIntoItself) {
    const std::string src = dir.mkdir("data");
    dir.write("data/backup/a", "old");
    dir.write("data/a", "a");
    line(src, "*.*", src + "/backup", true, true);
    save_list();
    expect_offer(prompter, 1);
    run();
    EXPECT_FALSE(exists(src + "/backup/backup"));
    EXPECT_EQ(read_file(src + "/backup/a"), "a");
}

TEST_F(CopyRunTest, DestinationChangedWhileAQuestionWasOpenIsLookedAtAgain) {
    const std::string src = dir.mkdir("src"), dst = dir.mkdir("dst");
    set_mtime(dir.write("src/a", "a"), kNoon);
    dir.mkdir("src/sub");
    dir.mkdir("dst/sub");
    set_mtime(dir.write("src/sub/b", "new"), kNoon);
    set_mtime(dir.write("dst/sub/b", "same"), kNoon);
    line(src, "*.*", dst, false, true);
    options.verify_each_file = true;
    options.create_journal = false;

    // While "a" is asked about, the folders ahead have been looked at; then the
    // backup's "b" is edited. The run must see the edit, not what it saw before.
    prompter.while_open = [&](const Prompt& p) {
        if (p.text.find("\r\na\r\n") == std::string::npos)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        set_mtime(dst + "/sub/b", kNoon + 10);
    };
    prompter.expect("Copy this file?", copy_question("a", src, dst), Answer::No);
    prompter.expect("Copy this file?", newer_question("b", dst + "/sub", src + "/sub"), Answer::No);
    run();
    EXPECT_TRUE(prompter.done());
    EXPECT_EQ(read_file(dst + "/sub/b"), "same");
}

// A folder the run made holds nothing but the run's copies only until a box is
// answered: anyone may have put a file there meanwhile, and one newer than its source
// gets the question any other newer backup gets.
TEST_F(CopyRunTest, AFileAddedToAFolderTheRunMadeWhileABoxWasOpenIsAskedAbout) {
    // The box confirms the second file's copy, or tells of its failure.
    for (const bool verify : {true, false}) {
        SCOPED_TRACE(verify ? "a copy confirmed" : "a copy that failed");
        EngineFixture f;
        const std::string src = f.dir.mkdir("src"), dst = f.dir / "dst";
        for (const char* name : {"x", "y", "z"})
            set_mtime(f.dir.write(std::string("src/") + name, "source"), kNoon);
        f.line(src, "*.*", dst);
        f.options.verify_each_file = verify;
        f.options.create_journal = false;
        f.engine.set_jobs(1); // the third file is still to come when the box opens
        std::vector<std::string> opened;
        if (!verify)
            sys::set_fault_hook([&opened](sys::Op op, const char* path) {
                if (op != sys::Op::Open || !path || std::string(path).size() != 1)
                    return 0;
                opened.emplace_back(path);
                return opened.size() == 2 ? EBUSY : 0;
            });
        // While the box about the second file is open, in the folder the run has made by
        // then, a newer backup of the third is put there.
        std::string added;
        f.prompter.while_open = [&](const Prompt&) {
            if (f.prompter.shown.size() != (verify ? 2u : 1u))
                return;
            for (const std::string name : {"x", "y", "z"})
                if (std::find(opened.begin(), opened.end(), name) == opened.end() &&
                    std::none_of(
                        f.prompter.shown.begin(), f.prompter.shown.end(), [&](const Prompt& p) {
                            return p.text.find("\r\n" + name + "\r\n") != std::string::npos;
                        }))
                    added = name;
            set_mtime(f.dir.write("dst/" + added, "by hand"), kNoon + 100);
        };
        if (verify) {
            f.prompter.answer_next(Answer::Yes);
            f.prompter.answer_next(Answer::Yes);
        } else {
            f.prompter.answer_next(Answer::Ignore);
        }
        f.prompter.answer_next(Answer::No);
        f.run();
        sys::clear_fault_hook();
        ASSERT_FALSE(f.prompter.shown.empty());
        EXPECT_EQ(f.prompter.shown.back().text, newer_question(added, dst, src));
        EXPECT_EQ(read_file(dst + "/" + added), "by hand");
    }
}

TEST_F(CopyRunTest, ACopyHasItsSourcesBitsWhateverTheUmaskOrTheFoldersDefaultAcl) {
    // A default ACL on the destination takes bits away from new files as the umask
    // does elsewhere: other::--- here.
    const std::uint32_t acl[] = {2, // the xattr's version
                                 0x0001 | 7u << 16,
                                 0xffffffff, // user::rwx
                                 0x0004 | 5u << 16,
                                 0xffffffff, // group::r-x
                                 0x0020 | 0u << 16,
                                 0xffffffff}; // other::---
    struct Case {
        const char* what;
        mode_t source, expected;
        bool default_acl;
    };
    const Case cases[] = {
        {"the umask takes nothing", 0644, 0644, false},
        {"the umask would take group write", 0664, 0664, false},
        {"read-only stays replaceable", 0444, 0644, false},
        {"a default ACL would take other read", 0644, 0644, true},
    };
    const mode_t old_umask = ::umask(022);
    int n = 0;
    for (const Case& c : cases) {
        const std::string src = dir.mkdir("src" + std::to_string(n));
        const std::string dst = dir.mkdir("dst" + std::to_string(n++));
        if (c.default_acl &&
            ::setxattr(dst.c_str(), "system.posix_acl_default", acl, sizeof acl, 0) != 0) {
            ADD_FAILURE() << "no default ACL: " << std::strerror(errno);
            continue;
        }
        for (int i = 0; i < 3; ++i)
            ASSERT_EQ(
                ::chmod(dir.write("src" + std::to_string(n - 1) + "/f" + std::to_string(i), "f")
                            .c_str(),
                        c.source),
                0);
        EngineFixture f;
        f.line(src, "*.*", dst);
        f.options.create_journal = false;
        f.run();
        for (int i = 0; i < 3; ++i) {
            struct stat st {};
            ASSERT_EQ(::stat((dst + "/f" + std::to_string(i)).c_str(), &st), 0) << c.what;
            EXPECT_EQ(st.st_mode & 0777, c.expected) << c.what;
        }
    }
    ::umask(old_umask);
}

} // namespace
} // namespace vt::test
