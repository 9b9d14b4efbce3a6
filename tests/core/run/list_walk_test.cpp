#include "core/platform/disk_traits.h"
#include "core/platform/sys.h"
#include "core/run/journal.h"
#include "core/run/list_walk.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace vt::test {
namespace {

// Writes down what the walk shows it, in order, and leaves a folder after a given
// number of its entries.
class RecordingVisitor final : public ListWalk::Visitor {
public:
    void refused(const ListLine&) override { events.push_back("refused"); }
    ListWalk::Step settle() override {
        events.push_back("settle");
        return ListWalk::Step::Go;
    }
    ListWalk::Step enter(ListWalk::Folder& folder) override {
        events.push_back("enter " + folder.sub_path + (folder.passed_over ? " passed over" : ""));
        return ListWalk::Step::Go;
    }
    void opened(ListWalk::Folder& folder) override {
        events.push_back("opened " + folder.sub_path);
        EXPECT_GE(folder.source_dir.get(), 0);
    }
    ListWalk::Step entry(ListWalk::Folder& folder, const FolderScan::Entry& entry,
                         const struct stat* file, bool) override {
        entries[folder.sub_path].push_back(entry.name + (file ? "" : " (not a file)"));
        if (file)
            ++files;
        return ++taken == leave_after ? ListWalk::Step::Leave : ListWalk::Step::Go;
    }
    ListWalk::Step passed_over(ListWalk::Folder&, PassedOver what,
                               const std::string& path) override {
        static const char* const kinds[] = {"hidden folder",   "folder link",    "dangling link",
                                            "stale temporary", "link in backup", "temporary name"};
        passed.push_back(std::string(kinds[static_cast<int>(what)]) + " " + path);
        return ListWalk::Step::Go;
    }
    ListWalk::Step clash(ListWalk::Folder& folder, const NameClash& clash) override {
        clashes.push_back(folder.sub_path + "/" + clash.name + " lost to " + clash.winner);
        return ListWalk::Step::Go;
    }
    ListWalk::Step idle() override { return ListWalk::Step::Go; }
    ListWalk::Step leave(ListWalk::Folder& folder) override {
        events.push_back("leave " + folder.sub_path);
        return ListWalk::Step::Go;
    }

    std::vector<std::string> events;
    std::vector<std::string> passed;                         // what the journal names
    std::vector<std::string> clashes;                        // entries not handed on
    std::map<std::string, std::vector<std::string>> entries; // by sub-path
    int files = 0;
    int taken = 0;
    int leave_after = 0; // 0: never
};

class ListWalkTest : public ::testing::Test {
protected:
    ListWalkTest() {
        journal.open_preview([this](const std::string& l) { journal_lines.push_back(l); });
    }
    void TearDown() override { sys::clear_fault_hook(); }

    ListWalk::Step walk(const std::string& source, const std::string& mask,
                        const std::string& destination, bool subfolders, bool hidden = true) {
        ListLine line{source, mask, destination, false, subfolders, 1, hidden};
        return walker.line(line);
    }
    std::vector<std::string> sorted(const std::string& sub_path) {
        std::vector<std::string> names = visitor.entries[sub_path];
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir dir;
    ScriptedPrompter prompter;
    Journal journal;
    std::vector<std::string> journal_lines;
    RunCount count; // never started: every folder is the walk's own
    RecordingVisitor visitor;
    ListWalk walker{visitor, prompter, journal, count};
};

TEST_F(ListWalkTest, OnADestinationThatIgnoresCaseOnlyTheFirstOfNamesThatFoldToOneIsHandedOn) {
    const std::string src = dir.mkdir("src");
    for (const char* f : {"README", "Readme", "CaseDir/one", "casedir/one", "casedir/deeper/two",
                          "a", "A/x", "keep/Notes", "keep/notes"})
        dir.write(std::string("src/") + f, f);
    // An empty backup folder on a disk that says by its type it ignores case (nothing
    // written there, and no entry to look up in the other case, tells otherwise).
    const std::string dst = dir.mkdir("dst");
    struct Case {
        bool folds;
        std::vector<std::string> clashes;
        std::vector<std::string> top; // the files handed on
        int entered;                  // folders
    };
    const Case cases[] = {
        {false, {}, {"README", "Readme", "a"}, 6},
        {true,
         {"/Readme lost to README", "/a lost to A", "/casedir lost to CaseDir",
          "/keep/notes lost to Notes"},
         {"README"},
         4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folds ? "folds" : "keeps case");
        visitor = RecordingVisitor();
        if (c.folds)
            sys::set_disk_type_hook([](long) { return disk_type::kVfat; });
        EXPECT_EQ(walk(src, "*", dst, true), ListWalk::Step::Go);
        sys::clear_disk_type_hook();
        std::sort(visitor.clashes.begin(), visitor.clashes.end());
        EXPECT_EQ(visitor.clashes, c.clashes);
        std::vector<std::string> top;
        for (const std::string& e : sorted(""))
            if (e.find(" (not a file)") == std::string::npos)
                top.push_back(e);
        EXPECT_EQ(top, c.top);
        // The folder that loses is not entered, nor any folder in it.
        EXPECT_EQ(std::count_if(visitor.events.begin(), visitor.events.end(),
                                [](const std::string& e) { return e.rfind("enter ", 0) == 0; }),
                  c.entered)
            << ::testing::PrintToString(visitor.events);
        EXPECT_EQ(visitor.entries.count("/casedir/deeper"), c.folds ? 0u : 1u);
    }

    // A folder the walk could not open at first, read after Retry, without subfolders:
    // the folder "A" is not written, so the file "a" is.
    visitor = RecordingVisitor();
    sys::set_disk_type_hook([](long) { return disk_type::kVfat; });
    const auto walking = std::this_thread::get_id(); // not the scan's
    auto calls = std::make_shared<std::atomic<int>>(0);
    sys::set_fault_hook([=](sys::Op op, const char* path) {
        return op == sys::Op::OpenDir && path && src == path &&
                       std::this_thread::get_id() == walking && ++*calls == 1
                   ? EIO
                   : 0;
    });
    prompter.answer_next(Answer::Retry);
    EXPECT_EQ(walk(src, "*", dst, false), ListWalk::Step::Go);
    sys::clear_fault_hook();
    sys::clear_disk_type_hook();
    EXPECT_TRUE(prompter.done());
    EXPECT_EQ(visitor.clashes, std::vector<std::string>{"/Readme lost to README"});
    EXPECT_EQ(visitor.files, 2); // README and a
}

TEST_F(ListWalkTest, TakesWhatTheCountAheadCountsAndEntersOnlyRealVisibleFolders) {
    const std::string src = dir.mkdir("src");
    for (const char* f :
         {"a.txt", ".hidden.txt", "sub/b.txt", "sub/deeper/c.txt", ".git/d.txt",
          ".vantorel-versions/2024-05-01_143005/e.txt", "backup/old.txt", "elsewhere/f.txt"})
        dir.write(std::string("src/") + f, f);
    // An unfinished copy of the program's own, and one that only looks like it.
    dir.write("src/.vantorel-0123456789ab.tmp", "half a copy");
    dir.write("src/.vantorel-0123456789AB.tmp", "the person's");
    ASSERT_EQ(::symlink((src + "/a.txt").c_str(), (src + "/to-a.txt").c_str()), 0);
    ASSERT_EQ(::symlink((src + "/elsewhere").c_str(), (src + "/to-elsewhere").c_str()), 0);
    ASSERT_EQ(::symlink((src + "/gone").c_str(), (src + "/dangling").c_str()), 0);

    // The line's destination is inside its source: never copied into itself.
    EXPECT_EQ(walk(src, "*", src + "/backup", true, false), ListWalk::Step::Go);

    // Parents before their children; "sub" and "elsewhere" in the file system's order.
    const std::vector<std::string> top = {"settle", "enter ", "opened ", "leave "};
    const std::vector<std::string> sub = {"enter /sub",         "opened /sub",
                                          "leave /sub",         "enter /sub/deeper",
                                          "opened /sub/deeper", "leave /sub/deeper"};
    const std::vector<std::string> elsewhere = {"enter /elsewhere", "opened /elsewhere",
                                                "leave /elsewhere"};
    auto joined = [](std::vector<std::string> a, const std::vector<std::string>& b,
                     const std::vector<std::string>& c) {
        a.insert(a.end(), b.begin(), b.end());
        a.insert(a.end(), c.begin(), c.end());
        return a;
    };
    EXPECT_TRUE(visitor.events == joined(top, sub, elsewhere) ||
                visitor.events == joined(top, elsewhere, sub))
        << ::testing::PrintToString(visitor.events);
    EXPECT_EQ(sorted(""), (std::vector<std::string>{
                              ".git (not a file)", ".hidden.txt", ".vantorel-0123456789AB.tmp",
                              ".vantorel-versions (not a file)", "a.txt", "backup (not a file)",
                              "dangling (not a file)", "elsewhere (not a file)", "sub (not a file)",
                              "to-a.txt", "to-elsewhere (not a file)"}));
    EXPECT_EQ(sorted("/sub"), (std::vector<std::string>{"b.txt", "deeper (not a file)"}));
    EXPECT_EQ(sorted("/sub/deeper"), std::vector<std::string>{"c.txt"});
    EXPECT_EQ(sorted("/elsewhere"), std::vector<std::string>{"f.txt"});
    EXPECT_EQ(visitor.files, 7);
    EXPECT_EQ(walker.failures(), 0);
    EXPECT_TRUE(prompter.shown.empty());
    // Nothing a person might look for vanishes without a word, a file named like the
    // program's temporary files included; the program's own versions folder is no
    // folder of theirs.
    std::sort(visitor.passed.begin(), visitor.passed.end());
    EXPECT_EQ(visitor.passed,
              (std::vector<std::string>{"dangling link " + src + "/dangling",
                                        "folder link " + src + "/to-elsewhere",
                                        "hidden folder " + src + "/.git",
                                        "temporary name " + src + "/.vantorel-0123456789ab.tmp"}));

    // The count ahead of a run goes by the same rules: it expects the same files.
    RunCount ahead;
    ahead.start({{src, "*", src + "/backup", false, true, 1, false}}, true);
    RunProgress totals;
    for (int i = 0; i < 1000 && !totals.total_known; ++i) {
        ahead.read(totals);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(totals.total_known);
    EXPECT_EQ(totals.total_files, visitor.files);
}

// Hidden folders hold a person's mail, keys and settings: entered unless the option
// says otherwise; the kept versions never, whatever it says. The count ahead agrees.
TEST_F(ListWalkTest, HiddenFoldersFollowTheOptionAndTheVersionsNeverAreEntered) {
    const std::string src = dir.mkdir("src");
    for (const char* f : {"a.txt", ".ssh/id", ".config/app/rc", ".vantorel-versions/s/old.txt"})
        dir.write(std::string("src/") + f, f);
    struct Case {
        bool hidden;
        std::vector<std::string> folders; // entered, sorted
        std::vector<std::string> passed;
        int files;
    };
    const Case cases[] = {
        {true, {"", "/.config", "/.config/app", "/.ssh"}, {}, 3},
        {false, {""}, {"hidden folder " + src + "/.config", "hidden folder " + src + "/.ssh"}, 1},
    };
    for (const Case& c : cases) {
        visitor = RecordingVisitor();
        EXPECT_EQ(walk(src, "*", dir / "dst", true, c.hidden), ListWalk::Step::Go);
        std::vector<std::string> entered;
        for (const std::string& e : visitor.events)
            if (e.starts_with("enter "))
                entered.push_back(e.substr(6));
        std::sort(entered.begin(), entered.end());
        std::sort(visitor.passed.begin(), visitor.passed.end());
        EXPECT_EQ(entered, c.folders) << c.hidden;
        EXPECT_EQ(visitor.passed, c.passed) << c.hidden;
        EXPECT_EQ(visitor.files, c.files) << c.hidden;

        RunCount ahead;
        ahead.start({{src, "*", dir / "dst", false, true, 1, c.hidden}}, true);
        RunProgress totals;
        for (int i = 0; i < 1000 && !totals.total_known; ++i) {
            ahead.read(totals);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ASSERT_TRUE(totals.total_known);
        EXPECT_EQ(totals.total_files, c.files) << c.hidden;
    }
}

TEST_F(ListWalkTest, ALineNamingOneFolderTwiceIsRefusedUnread) {
    const std::string src = dir.mkdir("src");
    dir.write("src/a.txt", "a");
    ASSERT_EQ(::symlink(src.c_str(), (dir / "same").c_str()), 0);
    for (const std::string& destination : {src, src + "/", dir / "same"}) {
        visitor.events.clear();
        EXPECT_EQ(walk(src, "*", destination, true), ListWalk::Step::Go) << destination;
        EXPECT_EQ(visitor.events, std::vector<std::string>{"refused"}) << destination;
    }
    EXPECT_EQ(visitor.files, 0);
}

struct FailedRead {
    const char* what;
    int nth; // the folder's readdir call that fails (of 6 files, "." and "..": 9 is the last)
    Answer answer;
    int leave_after; // entries before the visitor leaves the folder (0: never)
    ListWalk::Step result;
    int boxes;
    int failures;
    int entries; // each taken once
};

// A folder that fails while it is read: what the walk took before the failure is never
// taken twice, whatever is answered.
TEST_F(ListWalkTest, AFolderReadAgainPassesOverWhatWasTaken) {
    const FailedRead cases[] = {
        {"read again after a failure at its end", 9, Answer::Retry, 0, ListWalk::Step::Go, 1, 0, 6},
        {"read again after a failure in the middle", 5, Answer::Retry, 0, ListWalk::Step::Go, 1, 0,
         6},
        {"passed over", 9, Answer::Ignore, 0, ListWalk::Step::Go, 1, 1, 6},
        {"abort", 9, Answer::Abort, 0, ListWalk::Step::End, 1, 1, 6},
        {"left by the visitor before the failure", 9, Answer::Retry, 3, ListWalk::Step::Go, 0, 0,
         3},
        {"left by the visitor after the box", 5, Answer::Retry, 5, ListWalk::Step::Go, 1, 0, 5},
    };
    const std::string src = dir.mkdir("src");
    for (int i = 0; i < 6; ++i)
        dir.write("src/f" + std::to_string(i) + ".txt", "x");
    for (const FailedRead& c : cases) {
        visitor = RecordingVisitor();
        visitor.leave_after = c.leave_after;
        prompter.shown.clear();
        const int failures_before = walker.failures();
        auto calls = std::make_shared<std::atomic<int>>(0);
        sys::set_fault_hook([=, nth = c.nth](sys::Op op, const char* path) {
            return op == sys::Op::ReadDir && path && src == path && ++*calls == nth ? EIO : 0;
        });
        if (c.boxes > 0)
            prompter.answer_next(c.answer);
        prompter.while_open = [this](const Prompt&) { visitor.events.push_back("box"); };

        EXPECT_EQ(walk(src, "*.txt", dir / "dst", false), c.result) << c.what;

        std::vector<std::string> names = sorted("");
        EXPECT_EQ(static_cast<int>(names.size()), c.entries) << c.what;
        EXPECT_EQ(std::unique(names.begin(), names.end()), names.end()) << c.what;
        EXPECT_EQ(static_cast<int>(prompter.shown.size()), c.boxes) << c.what;
        EXPECT_EQ(walker.failures() - failures_before, c.failures) << c.what;
        // What the visitor held back is told before the box.
        const auto box = std::find(visitor.events.begin(), visitor.events.end(), "box");
        if (c.boxes > 0) {
            ASSERT_NE(box, visitor.events.end()) << c.what;
            EXPECT_EQ(*(box - 1), "settle") << c.what;
            EXPECT_EQ(prompter.shown[0].title, "Source Folder Access Problem") << c.what;
        }
        EXPECT_TRUE(prompter.done()) << c.what;
        sys::clear_fault_hook();
    }
}

} // namespace
} // namespace vt::test
