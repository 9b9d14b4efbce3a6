#include "core/platform/sys.h"
#include "core/run/engine_fixture.h"
#include "core/run/run_progress.h"
#include "support/file_stat.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <thread>

namespace vt::test {
namespace {

constexpr std::time_t kNoon = 1700049600;

// Answers every box by the test's rule and records what it showed, dates masked.
class RulePrompter final : public Prompter {
public:
    Answer ask(const Prompt& p) override {
        shown.push_back(p.title + " | " + mask_dates(p.text));
        if (while_open)
            while_open(p);
        return rule ? rule(p) : p.default_button;
    }
    std::function<Answer(const Prompt&)> rule;
    std::function<void(const Prompt&)> while_open;
    std::vector<std::string> shown;
};

// Faults for named files, from whichever thread copies them: a file's source is
// opened by its name, and the data calls that follow on that thread belong to it.
class FileFaults {
public:
    struct Fault {
        sys::Op op;
        int error;
        bool once;
    };
    std::map<std::string, Fault> faults;
    // Calls that fail for every file, on every thread.
    std::map<sys::Op, int> always;
    // Files whose first opening waits a little, so that files after them are made
    // first and wait for their turn.
    std::set<std::string> slow;

    void install() {
        sys::set_fault_hook([this](sys::Op op, const char* path) { return fault(op, path); });
    }

private:
    int fault(sys::Op op, const char* path) {
        // The file in hand on this thread: from the opening of its source to the
        // closing of its copy (the second close; the source's is the first).
        static thread_local std::string current;
        static thread_local int closes = 0;
        const std::string p = path ? path : "";
        if (op == sys::Op::Open && !p.empty() && p.find('/') == std::string::npos) {
            current = p;
            closes = 0;
        }
        const std::string name = op == sys::Op::Rename ? p : current;
        if (op == sys::Op::Close && ++closes == 2)
            current.clear();
        if (const auto a = always.find(op); a != always.end())
            return a->second;
        std::unique_lock lock(mutex_);
        if (op == sys::Op::Open && slow.count(name) && opened_.insert(name).second) {
            lock.unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            lock.lock();
        }
        const auto f = faults.find(name);
        if (f == faults.end() || f->second.op != op)
            return 0;
        if (f->second.once && !failed_.insert(name).second)
            return 0;
        return f->second.error;
    }

    std::mutex mutex_;
    std::set<std::string> opened_, failed_;
};

// What a run leaves: its journal, the boxes it showed, and the destination tree
// (each file's path, content and modification time).
struct Outcome {
    std::vector<std::string> journal;
    std::vector<std::string> boxes;
    std::vector<std::string> tree;
    RunSummary summary;
};

std::vector<std::string> tree_of(const std::string& root) {
    std::vector<std::string> tree;
    if (!exists(root))
        return tree;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
        std::string line = e.path().string().substr(root.size());
        struct stat st {};
        ::lstat(e.path().c_str(), &st);
        // A copy whose times could not be set has the time it was made.
        const bool dated = st.st_mtim.tv_sec < kNoon + 1000;
        if (S_ISREG(st.st_mode))
            line += " " + (dated ? std::to_string(st.st_mtim.tv_sec) : std::string("now")) + " " +
                    std::to_string(std::hash<std::string>{}(read_file(e.path().string())));
        tree.push_back(line);
    }
    std::sort(tree.begin(), tree.end());
    return tree;
}

struct Scenario {
    const char* name;
    bool verify = false;
    std::map<std::string, FileFaults::Fault> faults;
    std::set<std::string> slow;
    // How boxes are answered; by default Yes to questions and Ignore to failures.
    std::function<Answer(const Prompt&)> rule;
    int stop_after = 0; // entries; 0: no stop
    bool compare = false;
    // Every file has an older backup, which its copy replaces.
    bool backups = false;
    std::map<sys::Op, int> always = {}; // calls that fail for every file
    // The destination is not there yet: the run makes every folder, on workers while
    // copies before it are still being told.
    bool fresh = false;
};

Answer answer_for(const Prompt& p, const std::map<std::string, Answer>& by_file, Answer otherwise) {
    for (const auto& [file, answer] : by_file) {
        if (p.text.find("\r\n" + file + "\r\n") != std::string::npos ||
            p.text.find("\r\n" + file + " with") != std::string::npos)
            return answer;
    }
    return otherwise;
}

// A scenario in which every file has an older backup, which its copy replaces.
Scenario replacing(const char* name, const std::function<void(Scenario&)>& adjust) {
    Scenario s;
    s.name = name;
    s.backups = true;
    adjust(s);
    return s;
}

Scenario first_copy(const char* name, const std::function<void(Scenario&)>& adjust) {
    Scenario s;
    s.name = name;
    s.fresh = true;
    adjust(s);
    return s;
}

class ParallelRunTest : public ::testing::Test {
protected:
    void TearDown() override { sys::clear_fault_hook(); }

    // Source: 48 files in four folders, a few of them large enough to take a while.
    void make_source() {
        const char* folders[] = {"a", "b", "b/c", "d"};
        for (int i = 0; i < 48; ++i) {
            char name[8];
            std::snprintf(name, sizeof name, "f%02d", i);
            const std::string folder = folders[i / 12];
            const std::size_t size = i % 7 == 0 ? 300000 : 100 + static_cast<std::size_t>(i);
            std::string content(size, static_cast<char>('a' + i % 26));
            content += name;
            set_mtime(dir.write("src/" + folder + "/" + name, content), kNoon + 20);
        }
    }
    // The destination as each run finds it: some files the same, older or newer.
    void reset_destination(bool backups, bool fresh) {
        std::filesystem::remove_all(dir / "dst");
        if (fresh)
            return;
        if (backups) {
            for (const auto& e : std::filesystem::recursive_directory_iterator(dir / "src")) {
                if (!e.is_regular_file())
                    continue;
                const std::string relative = e.path().string().substr((dir / "src").size());
                set_mtime(dir.write("dst" + relative, "old" + relative), kNoon);
            }
        }
        set_mtime(dir.write("dst/a/f01", "same"), kNoon + 20);  // not copied
        set_mtime(dir.write("dst/a/f02", "older"), kNoon);      // replaced
        set_mtime(dir.write("dst/b/f14", "newer"), kNoon + 60); // asked about
        set_mtime(dir.write("dst/b/c/f30", "newer"), kNoon + 60);
        set_mtime(dir.write("dst/d/f40", "same"), kNoon + 20);
    }

    Outcome run(const Scenario& s, int jobs) {
        reset_destination(s.backups, s.fresh);
        EngineFixture f;
        f.line(dir / "src", "*.*", dir / "dst", false, true);
        // A second line writes some of the same files: it sees the first one's copies.
        f.line(dir / "src/a", "f0*", dir / "dst/a", true, false);
        f.options.verify_each_file = s.verify;
        f.options.compare_each_copy = s.compare;
        f.save_list();
        RulePrompter prompter;
        prompter.rule = [&s](const Prompt& p) {
            if (s.rule)
                return s.rule(p);
            return p.buttons == Buttons::AbortRetryIgnore ? Answer::Ignore
                   : p.buttons == Buttons::YesNo          ? Answer::No
                                                          : p.default_button;
        };
        // While a box is open, the person edits a backup file that a later question
        // (or none) is about: the run decides on what it finds after the box. A first
        // copy has no backup to edit.
        prompter.while_open = [this, edited = s.fresh](const Prompt& p) mutable {
            if (!edited && p.buttons == Buttons::AbortRetryIgnore) {
                edited = true;
                set_mtime(dir.write("dst/d/f41", "edited meanwhile"), kNoon + 90);
            }
        };
        MaskingPrompter masked{prompter};
        CountingPump pump;
        CopyEngine engine{f.inputs, masked, pump, &f.desktop};
        engine.set_jobs(jobs);
        if (s.stop_after) {
            pump.at = s.stop_after;
            pump.action = [&engine] { engine.request_stop(); };
        }
        FileFaults faults;
        faults.faults = s.faults;
        faults.slow = s.slow;
        faults.always = s.always;
        faults.install();
        engine.click();
        sys::clear_fault_hook();
        Outcome o;
        o.journal = f.journal_lines();
        o.boxes = prompter.shown;
        o.tree = tree_of(dir / "dst");
        o.summary = engine.summary();
        EXPECT_TRUE(EngineFixture::leftovers(dir / "dst").empty()) << s.name << " " << jobs;
        if (s.fresh) {
            // The folders there are those the journal says were made: one made ahead
            // and taken away again after an early end is in neither.
            std::set<std::string> made, told;
            if (exists(dir / "dst")) {
                made.insert(dir / "dst");
                for (const auto& e : std::filesystem::recursive_directory_iterator(dir / "dst"))
                    if (e.is_directory())
                        made.insert(e.path().string());
            }
            const std::string created = "Directory created ";
            for (const std::string& l : o.journal)
                if (l.starts_with(created))
                    told.insert(l.substr(created.size()));
            EXPECT_EQ(made, told) << s.name << ", " << jobs << " at once";
        }
        return o;
    }

    TempDir dir;
};

TEST_F(ParallelRunTest, JournalBoxesAndBackupAreThoseOfARunCopyingOneFileAtATime) {
    using F = FileFaults::Fault;
    const std::map<std::string, Answer> retry_then_ignore = {
        {"f07", Answer::Retry}, {"f19", Answer::Retry}, {"f25", Answer::Retry}};
    const std::vector<Scenario> scenarios = {
        {"questions only", false, {}, {}, nullptr, 0},
        {"failures at files in flight, answered Retry and Ignore",
         false,
         {{"f07", F{sys::Op::Open, EBUSY, true}},
          {"f13", F{sys::Op::Open, EBUSY, false}},
          {"f19", F{sys::Op::Read, EIO, true}},
          {"f21", F{sys::Op::Write, ENOSPC, false}},
          {"f25", F{sys::Op::Rename, EACCES, true}},
          {"f33", F{sys::Op::SetTimes, EPERM, false}}},
         {"f07", "f13", "f19", "f21"},
         [retry_then_ignore](const Prompt& p) {
             if (p.buttons == Buttons::AbortRetryIgnore)
                 return answer_for(p, retry_then_ignore, Answer::Ignore);
             return p.default_button;
         },
         0},
        {"Abort at a file in flight",
         false,
         {{"f28", F{sys::Op::Open, EIO, false}}},
         {"f28"},
         [](const Prompt& p) {
             return p.buttons == Buttons::AbortRetryIgnore ? Answer::Abort : p.default_button;
         },
         0},
        {"every file verified",
         true,
         {{"f09", F{sys::Op::Write, EIO, false}}},
         {},
         [](const Prompt& p) {
             if (p.buttons == Buttons::AbortRetryIgnore)
                 return Answer::Ignore;
             return p.text.find("5\r\n") != std::string::npos ? Answer::No : Answer::Yes;
         },
         0},
        {"a stop", false, {}, {}, nullptr, 20},
        {"Compare Each Copy: copies that read back wrong, a backup among them",
         false,
         {{"f02", F{sys::Op::ReadBack, sys::kAltered, false}},
          {"f07", F{sys::Op::ReadBack, sys::kAltered, true}},
          {"f19", F{sys::Op::ReadBack, EIO, true}},
          {"f21", F{sys::Op::ReadBack, sys::kAltered, false}}},
         {"f07", "f19"},
         [retry_then_ignore](const Prompt& p) {
             if (p.buttons == Buttons::AbortRetryIgnore)
                 return answer_for(p, retry_then_ignore, Answer::Ignore);
             return p.default_button;
         },
         0,
         true},
        replacing("every file replaces a backup", [](Scenario&) {}),
        replacing("every file replaces a backup, a replaced one cannot take its name at first",
                  [retry_then_ignore](Scenario& s) {
                      s.faults = {{"f25", F{sys::Op::Rename, EACCES, true}},
                                  {"f02", F{sys::Op::Rename, EBUSY, false}}};
                      s.rule = [retry_then_ignore](const Prompt& p) {
                          if (p.buttons == Buttons::AbortRetryIgnore)
                              return answer_for(p, retry_then_ignore, Answer::Ignore);
                          return p.default_button;
                      };
                  }),
        replacing("every file replaces a backup, the flushes of whole disks fail",
                  [](Scenario& s) {
                      s.always = {{sys::Op::SyncFs, EIO}};
                  }),
        replacing("every file replaces a backup, no copy reaches the disk",
                  [](Scenario& s) {
                      s.always = {{sys::Op::SyncFs, EIO}, {sys::Op::DataSync, EIO}};
                  }),
        replacing("Abort when a copy that replaces a backup cannot reach the disk",
                  [](Scenario& s) {
                      s.always = {{sys::Op::SyncFs, EIO}, {sys::Op::DataSync, EIO}};
                      s.rule = [](const Prompt& p) {
                          return p.buttons == Buttons::AbortRetryIgnore ? Answer::Abort
                                                                        : p.default_button;
                      };
                  }),
        replacing("a stop among copies that replace backups",
                  [](Scenario& s) { s.stop_after = 20; }),
        first_copy("a first copy", [](Scenario&) {}),
        first_copy("a first copy, failures answered Retry and Ignore",
                   [retry_then_ignore](Scenario& s) {
                       s.faults = {{"f07", F{sys::Op::Open, EBUSY, true}},
                                   {"f13", F{sys::Op::Write, ENOSPC, false}}};
                       s.slow = {"f07"};
                       s.rule = [retry_then_ignore](const Prompt& p) {
                           if (p.buttons == Buttons::AbortRetryIgnore)
                               return answer_for(p, retry_then_ignore, Answer::Ignore);
                           return p.default_button;
                       };
                   }),
    };
    make_source();
    for (const Scenario& s : scenarios) {
        const Outcome one = run(s, 1);
        ASSERT_GT(one.journal.size(), 10u) << s.name;
        if (s.compare) { // each line's copy of the backup f02 read back wrong
            EXPECT_EQ(std::count(one.journal.begin(), one.journal.end(),
                                 "Copy of f02 generated a system error of The copy read back "
                                 "differs from its source"),
                      2);
        }
        for (int jobs : {2, 4}) {
            const Outcome many = run(s, jobs);
            EXPECT_EQ(many.journal, one.journal) << s.name << ", " << jobs << " at once";
            EXPECT_EQ(many.boxes, one.boxes) << s.name << ", " << jobs << " at once";
            EXPECT_EQ(many.tree, one.tree) << s.name << ", " << jobs << " at once";
            EXPECT_EQ(many.summary.copied, one.summary.copied) << s.name;
            EXPECT_EQ(many.summary.failures, one.summary.failures) << s.name;
            EXPECT_EQ(many.summary.ended_early, one.summary.ended_early) << s.name;
        }
    }
}

TEST_F(ParallelRunTest, AnEarlyEndLeavesNoFolderMadeAheadOfIt) {
    // The file above the folders is copied before any of them is entered, whatever
    // order the file system lists them in; meanwhile the run makes the folders, one
    // inside another, ahead of it. Too large for a stop to finish it.
    dir.write("src/top", std::string(17u << 20, 't'));
    for (const char* folder : {"a", "a/b", "a/b/c", "d"})
        for (const char* name : {"f01", "f02", "f03"})
            dir.write(std::string("src/") + folder + "/" + name, folder);
    using F = FileFaults::Fault;
    const Scenario scenarios[] = {
        first_copy("Abort at the first copy",
                   [](Scenario& s) {
                       s.faults = {{"top", F{sys::Op::Open, EIO, false}}};
                       s.slow = {"top"};
                       s.rule = [](const Prompt& p) {
                           return p.buttons == Buttons::AbortRetryIgnore ? Answer::Abort
                                                                         : p.default_button;
                       };
                   }),
        // Workers give the first copy up: the run ends as one stopped before it.
        first_copy("a stop while the first copy is made",
                   [](Scenario& s) {
                       s.slow = {"top"};
                       s.stop_after = 10;
                   }),
    };
    for (const Scenario& s : scenarios) {
        const Outcome one = run(s, 1);
        for (int jobs : {2, 4}) {
            const Outcome many = run(s, jobs);
            if (s.stop_after)
                continue; // checked by run() only: a stop on workers ends earlier
            EXPECT_EQ(many.journal, one.journal) << s.name << ", " << jobs << " at once";
            EXPECT_EQ(many.boxes, one.boxes) << s.name << ", " << jobs << " at once";
            EXPECT_EQ(many.tree, one.tree) << s.name << ", " << jobs << " at once";
        }
    }
}

// Where the disk cannot make a file without a name (vfat, CIFS, NFS), a copy a worker
// is still making when the run ends holds a hidden name in the folder made ahead: the
// folder goes once the copy is given up.
TEST_F(ParallelRunTest, AnEarlyEndLeavesNoFolderMadeAheadOnADiskWithoutUnnamedFiles) {
    dir.write("src/top", "top");
    for (const char* folder : {"a", "a/b", "d"})
        for (const char* name : {"f01", "f02"})
            dir.write(std::string("src/") + folder + "/" + name, folder);
    EngineFixture f;
    f.line(dir / "src", "*.*", dir / "dst", false, true);
    f.options.create_journal = false;
    f.engine.set_jobs(2);
    f.prompter.answer_next(Answer::Abort); // at the copy of "top"
    sys::set_fault_hook([](sys::Op op, const char* path) {
        const std::string p = path ? path : "";
        if (op == sys::Op::Create && p == ".") // O_TMPFILE
            return EOPNOTSUPP;
        // "top" fails once the folders are made; the copies in them are slow.
        if (op == sys::Op::Open && p == "top")
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        if (op == sys::Op::Write)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return op == sys::Op::Open && p == "top" ? EIO : 0;
    });
    f.run();
    sys::clear_fault_hook();
    EXPECT_TRUE(f.prompter.done());
    EXPECT_EQ(tree_of(dir / "dst"), std::vector<std::string>{});
}

TEST_F(ParallelRunTest, AStopWhileWorkersCopyEndsSoonAndLeavesOnlyWholeCopies) {
    constexpr int kFiles = 6;
    const std::string big(24u << 20, 'x');
    for (int i = 0; i < kFiles; ++i)
        dir.write("src/big" + std::to_string(i), big + std::to_string(i));
    EngineFixture f;
    f.line(dir / "src", "*.*", dir / "dst");
    f.save_list();
    // The disk is slow: every call that moves data takes 20 ms.
    sys::set_fault_hook([](sys::Op op, const char*) {
        if (op == sys::Op::Write)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return 0;
    });
    ScriptedPrompter any;
    MaskingPrompter masked{any};
    any.answer_next(Answer::No); // the offer to view the journal
    CopyEngine engine{f.inputs, masked, f.pump, &f.desktop};
    engine.set_jobs(2);
    std::chrono::steady_clock::time_point asked;
    // "Stop Copy" while the run waits for the copies at the end of the line.
    f.pump.while_waiting = [&] {
        if (f.pump.waits == 1) {
            asked = std::chrono::steady_clock::now();
            engine.request_stop();
        }
    };
    engine.click();
    const auto took = std::chrono::steady_clock::now() - asked;
    sys::clear_fault_hook();
    EXPECT_TRUE(any.done());
    EXPECT_TRUE(engine.summary().stopped);
    // Files nearly done are finished, the rest given up within a few calls.
    EXPECT_LT(took, std::chrono::milliseconds(1500));
    const auto lines = f.journal_lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines.back(), "Vantorel Journal file Ended <date>");
    int journalled = 0;
    for (const std::string& l : lines)
        journalled += l.rfind("Copied OK: big", 0) == 0;
    EXPECT_LT(journalled, kFiles);
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        std::to_string(journalled) + " Files copied in total"),
              lines.end());
    // What the journal names is there, whole; nothing else is, not even half a copy.
    std::vector<std::string> present;
    for (const auto& e : std::filesystem::directory_iterator(dir / "dst")) {
        present.push_back(e.path().filename().string());
        const std::string n = e.path().filename().string();
        EXPECT_EQ(read_file(e.path().string()), big + n.substr(3)) << n;
    }
    EXPECT_EQ(static_cast<int>(present.size()), journalled);
    EXPECT_TRUE(EngineFixture::leftovers(dir / "dst").empty());
}

TEST_F(ParallelRunTest, ProgressOfCopiesInFlightIsToldOnTheRunsThread) {
    struct Recorder : RunObserver {
        std::thread::id run_thread = std::this_thread::get_id();
        int calls = 0;
        bool elsewhere = false, beyond = false;
        void transfer_progress(const RunProgress& p) override {
            ++calls;
            elsewhere = elsewhere || std::this_thread::get_id() != run_thread;
            beyond = beyond || p.file_done > p.file_size || p.file.empty();
        }
        void file_done(const RunProgress&, bool) override {
            elsewhere = elsewhere || std::this_thread::get_id() != run_thread;
        }
    } recorder;
    dir.write("src/big", std::string(12u << 20, 'p'));
    dir.write("src/small", "s");
    EngineFixture f;
    f.line(dir / "src", "*.*", dir / "dst");
    f.options.create_journal = false;
    sys::set_fault_hook([](sys::Op op, const char*) {
        if (op == sys::Op::Write)
            std::this_thread::sleep_for(std::chrono::milliseconds(40));
        return 0;
    });
    CopyEngine engine{f.inputs, f.masked, f.pump, &f.desktop, &recorder};
    engine.set_jobs(3);
    engine.click();
    sys::clear_fault_hook();
    EXPECT_EQ(engine.summary().copied, 2);
    EXPECT_GE(recorder.calls, 1);
    EXPECT_FALSE(recorder.elsewhere);
    EXPECT_FALSE(recorder.beyond);
    EXPECT_GE(f.pump.waits, 1); // the window was kept alive while the run waited
}

} // namespace
} // namespace vt::test
