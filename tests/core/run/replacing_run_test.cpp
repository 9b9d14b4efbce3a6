#include "core/platform/sys.h"
#include "core/run/engine_fixture.h"
#include "support/file_stat.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <set>

namespace vt::test {
namespace {

constexpr std::time_t kNoon = 1700049600;
constexpr int kFiles = 300;

std::string file_name(int i) {
    return "r" + std::to_string(1000 + i);
}

// Runs on workers over a tree in which every file has an older backup, recording the
// calls of the seam in the order they were made, from every thread.
class ReplacingRunTest : public ::testing::Test {
protected:
    void TearDown() override { sys::clear_fault_hook(); }

    struct Call {
        sys::Op op;
        std::string path;
    };

    void make_tree(EngineFixture& f) {
        for (int i = 0; i < kFiles; ++i) {
            const std::string name = file_name(i);
            set_mtime(f.dir.write("src/" + name, "new " + name), kNoon + 10);
            set_mtime(f.dir.write("dst/" + name, "old " + name), kNoon);
        }
        f.line(f.dir / "src", "*.*", f.dir / "dst");
        f.save_list();
    }

    std::vector<Call> calls;
    std::mutex mutex;
};

TEST_F(ReplacingRunTest, NoCopyTakesABackupsNameBeforeAFlushThatFollowedItsMaking) {
    struct Case {
        const char* name;
        std::set<sys::Op> failing; // with EIO, for every file
        int stop_after;            // entries; 0: no stop
    };
    const Case cases[] = {
        {"flushed in batches", {}, 0},
        {"the disk's flush fails: each copy flushed alone", {sys::Op::SyncFs}, 0},
        {"a stop in the middle", {}, 120},
        {"a stop while no disk can be flushed whole", {sys::Op::SyncFs}, 120},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EngineFixture f;
        make_tree(f);
        if (!c.failing.empty())
            f.prompter.answer_next(Answer::Ok); // the disk could not be flushed at the end
        f.prompter.answer_next(Answer::No);     // the offer to view the journal
        f.engine.set_jobs(2);
        f.options.create_journal = true;
        if (c.stop_after) {
            f.pump.at = c.stop_after;
            f.pump.action = [&f] { f.engine.request_stop(); };
        }
        calls.clear();
        sys::set_fault_hook([this, &c](sys::Op op, const char* path) {
            const std::lock_guard lock(mutex);
            calls.push_back({op, path ? path : ""});
            return c.failing.count(op) ? EIO : 0;
        });
        f.run();
        sys::clear_fault_hook();

        // A copy is made after its source is opened; before it takes the backup's name
        // its data went to the disk: a flush came between the two.
        int named = 0, disk_flushes = 0, file_flushes = 0;
        for (std::size_t r = 0; r < calls.size(); ++r) {
            disk_flushes += calls[r].op == sys::Op::SyncFs;
            file_flushes += calls[r].op == sys::Op::DataSync;
            if (calls[r].op != sys::Op::Rename || calls[r].path.rfind("r1", 0) != 0)
                continue;
            ++named;
            std::size_t opened = r;
            while (opened-- > 0 &&
                   !(calls[opened].op == sys::Op::Open && calls[opened].path == calls[r].path)) {
            }
            ASSERT_LT(opened, r) << calls[r].path;
            EXPECT_TRUE(std::any_of(calls.begin() + static_cast<std::ptrdiff_t>(opened) + 1,
                                    calls.begin() + static_cast<std::ptrdiff_t>(r),
                                    [](const Call& call) {
                                        return call.op == sys::Op::SyncFs ||
                                               call.op == sys::Op::DataSync;
                                    }))
                << calls[r].path << " named before its copy was flushed";
        }
        if (!c.stop_after) {
            EXPECT_EQ(named, kFiles);
        }
        // One flush serves many copies.
        if (c.failing.empty()) {
            EXPECT_LE(disk_flushes, kFiles / 10);
            EXPECT_EQ(file_flushes, 0);
        }
        // Every backup is whole: the old one or the new one, and the journal names
        // exactly those replaced; nothing else is left in the folder.
        const auto journal = f.journal_lines();
        int replaced = 0;
        for (int i = 0; i < kFiles; ++i) {
            const std::string name = file_name(i);
            const std::string content = read_file(f.dir / ("dst/" + name));
            const bool told =
                std::any_of(journal.begin(), journal.end(), [&](const std::string& l) {
                    return l.rfind("Copied OK: " + name + " ", 0) == 0;
                });
            EXPECT_EQ(content, (told ? "new " : "old ") + name);
            replaced += told;
        }
        EXPECT_EQ(replaced, named);
        EXPECT_TRUE(EngineFixture::leftovers(f.dir / "dst").empty());
        EXPECT_EQ(static_cast<int>(std::distance(std::filesystem::directory_iterator(f.dir / "dst"),
                                                 std::filesystem::directory_iterator())),
                  kFiles);
    }
}

} // namespace
} // namespace vt::test
