#include "core/platform/sys.h"
#include "core/restore/kept_versions.h"
#include "core/run/engine_fixture.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vt::test {
namespace {

constexpr std::time_t kNow = 1700049600;
constexpr std::time_t kDay = 24 * 60 * 60;

class KeptVersionsPruneTest : public ::testing::Test, public EngineFixture {
protected:
    void TearDown() override { sys::clear_fault_hook(); }

    std::string versions() const { return dir / "dst/.vantorel-versions"; }
    std::string old_run() const {
        return versions() + "/" + kept_versions::stamp_for(kNow - 40 * kDay);
    }
    // An old run's versions, and beside the backup a folder of the same shape that a
    // prune following a link would empty.
    void make_trees() {
        const std::string run = old_run().substr(dir.path().size() + 1);
        dir.write(run + "/top.txt", "v");
        dir.write(run + "/a/one.txt", "v");
        dir.write(run + "/a/b/two.txt", "v");
        dir.write(run + "/a/b/c/three.txt", "v");
        for (const char* name : {"one.txt", "two.txt", "b/two.txt", "b/c/three.txt", "c/three.txt"})
            dir.write(std::string("outside/") + name, "not a version");
    }
    int files_outside() const {
        int count = 0;
        for (const char* name : {"one.txt", "two.txt", "b/two.txt", "b/c/three.txt", "c/three.txt"})
            count += exists(dir / (std::string("outside/") + name));
        return count;
    }
};

// Another process that may write the versions folder swaps a folder being emptied
// for a link to a folder outside, at the first file removed in it.
TEST_F(KeptVersionsPruneTest, AFolderSwappedForALinkWhileEmptiedNeverLeadsOutside) {
    struct Swap {
        const char* folder;  // inside the old run
        const char* trigger; // the file whose removal sets it off
        const char* aside;   // where the real folder goes, under dst
    };
    for (const Swap& swap : {Swap{"a", "one.txt", ".vantorel-versions/aside"},
                             Swap{"a/b", "two.txt", ".vantorel-versions/aside"},
                             Swap{"a", "one.txt", "aside"}, Swap{"a/b", "two.txt", "aside"}}) {
        SCOPED_TRACE(std::string(swap.folder) + " to " + swap.aside);
        make_trees();
        const std::string folder = old_run() + "/" + swap.folder;
        const std::string aside = dir / (std::string("dst/") + swap.aside);
        const std::string outside = dir / "outside";
        std::atomic<bool> swapped = false;
        sys::set_fault_hook([&](sys::Op op, const char* path) {
            if (op == sys::Op::Unlink && path && std::string(path) == swap.trigger &&
                !swapped.exchange(true)) {
                EXPECT_EQ(std::rename(folder.c_str(), aside.c_str()), 0);
                EXPECT_EQ(::symlink(outside.c_str(), folder.c_str()), 0);
            }
            return 0;
        });
        const kept_versions::Pruned pruned = kept_versions::prune(dir / "dst", 30, kNow);
        sys::clear_fault_hook();
        EXPECT_TRUE(swapped);
        EXPECT_EQ(files_outside(), 5);
        EXPECT_EQ(pruned.error, 0);
        EXPECT_FALSE(exists(old_run()));
        std::filesystem::remove_all(aside);
        std::filesystem::remove_all(versions());
    }
}

TEST_F(KeptVersionsPruneTest, APruneThatCannotFinishIsAFailureOfTheRun) {
    dir.write("src/a.txt", "a");
    dir.write(old_run().substr(dir.path().size() + 1) + "/sub/old.txt", "an old version");
    options.keep_versions = true;
    options.versions_days = 30;
    engine.set_clock([] { return kNow; });
    line(dir / "src", "*.txt", dir / "dst", false, false);
    save_list();
    sys::set_fault_hook([](sys::Op op, const char* path) {
        return op == sys::Op::Unlink && path && std::string(path) == "old.txt" ? EIO : 0;
    });
    expect_offer(prompter, 1);
    run();
    sys::clear_fault_hook();
    EXPECT_TRUE(prompter.done());
    EXPECT_EQ(engine.summary().failures, 1);
    const auto lines = journal_lines();
    EXPECT_NE(
        std::find(lines.begin(), lines.end(),
                  "Unable to remove old versions in " + versions() + " because Input/output error"),
        lines.end());
    EXPECT_TRUE(exists(old_run() + "/sub/old.txt"));
}

} // namespace
} // namespace vt::test
