// What a run and a check without a window share before their work: the list found,
// locked and read, the command line's journal option, and the stop signals.
#include "cli/list_opener.h"

#include "support/saved_list.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

#include <csignal>
#include <gtest/gtest.h>

namespace vt {
namespace {

class ListOpenerTest : public ::testing::Test {
protected:
    test::TempDir dir;
    test::ScopedEnv runtime = test::runtime_dir_in(dir);
    std::string list =
        test::save_list(dir / "nightly.vtl", {{"/src", "*.txt", "/dst", "No", "No"}});
};

TEST_F(ListOpenerTest, OpensLocksAndRefuses) {
    enum class Runtime { Folder, NotAFolder };
    const struct {
        const char* what;
        std::string argument;
        bool lock;
        bool held_elsewhere;
        Runtime runtime;
        bool opened;
        std::string failure;
        bool lock_error;
    } cases[] = {
        {"a list of its own", list, true, false, Runtime::Folder, true, "", false},
        {"a list another run copies", list, true, true, Runtime::Folder, false,
         RunLock::busy_text(list), false},
        // A dry run writes nothing: it may look at a list while another run copies it.
        {"without the lock, beside a run", list, false, true, Runtime::Folder, true, "", false},
        {"a list that is not there", dir / "missing.vtl", true, false, Runtime::Folder, false,
         "cannot read the list " + (dir / "missing.vtl") + ": File not found", false},
        // No lock can be made where the runtime folder is a file: the work goes on.
        {"no place for the lock", list, true, false, Runtime::NotAFolder, true, "", true},
        {"no place for a lock not asked for", list, false, false, Runtime::NotAFolder, true, "",
         false},
    };
    for (const auto& c : cases) {
        if (c.runtime == Runtime::NotAFolder)
            runtime.set(dir.write("not-a-folder", ""));
        std::optional<RunLock> other;
        if (c.held_elsewhere)
            other.emplace(list);
        ListOpener opener(c.argument);
        EXPECT_EQ(opener.open(c.lock), c.opened) << c.what;
        EXPECT_EQ(opener.name(), c.argument) << c.what;
        EXPECT_EQ(opener.failure(), c.failure) << c.what;
        EXPECT_EQ(opener.lock_error().has_value(), c.lock_error) << c.what;
        if (c.lock_error) {
            EXPECT_FALSE(opener.lock_error()->empty()) << c.what;
        }
        EXPECT_EQ(opener.list().line_count(), c.opened ? 1 : 0) << c.what;
        runtime.set(dir / "run");
    }
}

TEST_F(ListOpenerTest, TheLockLastsAsLongAsTheOpener) {
    {
        ListOpener first(list);
        ASSERT_TRUE(first.open(true));
        EXPECT_TRUE(RunLock(list).busy());
    }
    EXPECT_TRUE(RunLock(list).held());
}

TEST_F(ListOpenerTest, ASignalStopsTheWorkAtItsNextPump) {
    int stops = 0;
    {
        ListOpener opener(list);
        opener.stop_with([&stops] { ++stops; });
        opener.pump().pump();
        EXPECT_EQ(stops, 0);
        // One that came while the list was being read still counts.
        ::raise(SIGTERM);
        ASSERT_TRUE(opener.open(true));
        opener.pump().pump();
        EXPECT_EQ(stops, 1);
    }
    // The handlers go with the opener; the next opener starts afresh.
    struct sigaction now {};
    ::sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
    ListOpener next(list);
    next.stop_with([&stops] { ++stops; });
    next.pump().pump();
    EXPECT_EQ(stops, 1);
}

TEST(JournalOptionTest, TheCommandLineOverridesTheSettings) {
    const struct {
        const char* option;
        CopyOptions settings;
        bool journal;
        int append_index;
    } cases[] = {
        {"", {true, true, 1}, true, 1},      {"", {true, false, 0}, false, 0},
        {"none", {true, true, 0}, false, 0}, {"append", {true, false, 1}, true, 0},
        {"new", {true, false, 0}, true, 1},  {"new", {true, true, -1}, true, 1},
    };
    for (const auto& c : cases) {
        CopyOptions options = c.settings;
        apply_journal_option(c.option, options);
        EXPECT_EQ(options.create_journal, c.journal) << c.option;
        EXPECT_EQ(options.journal_append_index, c.append_index) << c.option;
        EXPECT_EQ(options.verify_each_file, c.settings.verify_each_file) << c.option;
    }
}

} // namespace
} // namespace vt
