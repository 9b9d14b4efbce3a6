#include "core/run/journal.h"

#include "core/platform/sys.h"
#include "core/run/engine_fixture.h"

#include <cerrno>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>

namespace vt::test {
namespace {

TEST(JournalName, DerivedFromTheListFile) {
    const std::pair<const char*, const char*> cases[] = {
        {"/lists/backup.vtl", "/lists/backup.txt"},
        {"/lists/a.b.vtl", "/lists/a.b.txt"},
        {"/lists/plain", "/lists/plain.txt"},
        {"/my.lists/plain", "/my.lists/plain.txt"},
        {"/lists/x.VTL", "/lists/x.txt"},
        // Never the list file itself.
        {"/lists/list.txt", "/lists/list.journal.txt"},
    };
    for (const auto& [list, journal] : cases)
        EXPECT_EQ(Journal::file_name_for(list), journal) << list;
}

class JournalTest : public ::testing::Test, public EngineFixture {
protected:
    void SetUp() override {
        const std::string src = dir.mkdir("src");
        dir.write("src/a", "a");
        line(src, "*.*", dir / "dst", true, false);
        save_list();
    }
    void TearDown() override { sys::clear_fault_hook(); }
    std::string not_a_journal(const std::string& first) {
        return "The existing file \"backup.txt\" starting with \"" + first +
               "\"... does not appear to be a Vantorel journal file.  Continue copy?";
    }
};

TEST_F(JournalTest, AppendAddsABlockAndNewStartsAfresh) {
    expect_offer(prompter, 1);
    run();
    expect_offer(prompter, 1);
    run();
    auto lines = journal_lines();
    EXPECT_EQ(lines.front(), "Vantorel Journal file started <date>");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Vantorel Journal file started <date>"), 2);
    const auto second =
        std::find(lines.begin() + 1, lines.end(), "Vantorel Journal file started <date>");
    EXPECT_EQ(*(second - 1), "");
    EXPECT_EQ(*(second - 2), "");
    EXPECT_EQ(*(second - 3), "Vantorel Journal file Ended <date>");

    options.journal_append_index = 1;
    expect_offer(prompter, 1);
    run();
    lines = journal_lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Vantorel Journal file started <date>"), 1);
    EXPECT_TRUE(prompter.done());
}

TEST_F(JournalTest, AFileThatIsNotAJournalIsAskedAbout) {
    const std::pair<std::string, std::string> firsts[] = {
        {"Shopping list\r\nbread", "Shopping list"},
        {"vantorel journal file started", "vantorel journal file"},
        {"", ""},
        {"Vantorel Journal", "Vantorel Journal"},
    };
    for (const auto& [content, shown] : firsts) {
        dir.write("backup.txt", content);
        prompter.expect("Error", not_a_journal(shown), Answer::No);
        run();
        EXPECT_EQ(read_file(dir / "backup.txt"), content);
        EXPECT_FALSE(exists(dir / "dst"));
        EXPECT_FALSE(engine.running());
    }
    EXPECT_EQ(prompter.shown[0].icon, Icon::Stop);
    EXPECT_EQ(prompter.shown[0].buttons, Buttons::YesNo);
    EXPECT_EQ(prompter.shown[0].escape_answer, Answer::No);

    // Yes goes on and appends to it.
    prompter.expect("Error", not_a_journal("Vantorel Journal"), Answer::Yes);
    expect_offer(prompter, 1);
    run();
    EXPECT_EQ(read_file(dir / "backup.txt")
                  .rfind("Vantorel Journal\r\n\r\nVantorel Journal file started", 0),
              0u);
    EXPECT_TRUE(prompter.done());
}

TEST_F(JournalTest, AJournalThatCannotBeCreatedRefusesTheRun) {
    sys::set_fault_hook([](sys::Op op, const char*) { return op == sys::Op::Create ? EROFS : 0; });
    prompter.expect("Vantorel",
                    "Unable to create the journal file \"" + (dir / "backup.txt") +
                        "\": " + std::strerror(EROFS) + ".",
                    Answer::Ok);
    run();
    EXPECT_TRUE(prompter.done());
    EXPECT_FALSE(engine.running());
    EXPECT_FALSE(exists(dir / "dst"));
    EXPECT_TRUE(leftovers(dir.path()).empty());
}

TEST_F(JournalTest, AJournalThatCannotBeWrittenEndsTheRun) {
    expect_offer(prompter, 1);
    run();
    const std::string before = read_file(journal_path());
    options.journal_append_index = 1;
    // The new journal cannot be flushed before it would take the old one's place:
    // the run is refused and the old journal stays whole.
    sys::set_fault_hook([](sys::Op op, const char*) { return op == sys::Op::DataSync ? EIO : 0; });
    prompter.expect("Vantorel",
                    "Unable to create the journal file \"" + journal_path() +
                        "\": " + std::strerror(EIO) + ".",
                    Answer::Ok);
    run();
    EXPECT_FALSE(engine.summary().started);
    EXPECT_EQ(read_file(journal_path()), before);
    // It took the old one's place, then could not be written to the end.
    sys::set_fault_hook([](sys::Op op, const char*) { return op == sys::Op::Sync ? ENOSPC : 0; });
    prompter.expect("Vantorel",
                    "Unable to write the journal file \"" + journal_path() +
                        "\": " + std::strerror(ENOSPC) + ".",
                    Answer::Ok);
    run();
    EXPECT_TRUE(prompter.done());
    EXPECT_FALSE(engine.running());
    const auto lines = journal_lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Vantorel Journal file started <date>"), 1);
    EXPECT_TRUE(leftovers(dir.path()).empty());
    EXPECT_TRUE(engine.summary().journal_failed);
}

TEST_F(JournalTest, EachEntryIsInTheFileWhenItsCallReturnsInOneWrite) {
    Journal journal;
    ASSERT_TRUE(journal.open(dir / "backup.vtl", false, prompter));
    int writes = 0;
    sys::set_fault_hook([&writes](sys::Op op, const char*) {
        writes += op == sys::Op::Write;
        return 0;
    });
    const struct {
        std::function<void()> write;
        std::string text; // what the file gains, dates masked
    } entries[] = {
        {[&] { journal.line_start(1, "*.*", "/s", "/d"); },
         "\r\nStarting Copy line 1 *.* in /s to /d\r\n"},
        {[&] { journal.search("/s/*.*"); }, "Searching For /s/*.*\r\n"},
        {[&] { journal.error("a", "Disk full"); },
         "Copy of a generated a system error of Disk full\r\n"},
        {[&] { journal.copied("a", file_time(1700049600), nullptr); }, "Copied OK: a <date>\r\n"},
        {[&] { journal.folder_total(1); }, "1 files copied for this specification\r\n\r\n"},
        {[&] { journal.finish(1); },
         "\r\n1 Files copied in total\r\n\r\nVantorel Journal file Ended <date>\r\n"},
    };
    for (const auto& e : entries) {
        const std::size_t before = read_file(journal_path()).size();
        writes = 0;
        e.write();
        EXPECT_EQ(writes, 1) << e.text;
        EXPECT_EQ(mask_dates(read_file(journal_path()).substr(before)), e.text);
    }
}

TEST_F(JournalTest, ViewingTheJournal) {
    expect_offer(prompter, 1, Answer::No);
    run();
    EXPECT_TRUE(desktop.documents.empty());
    expect_offer(prompter, 1, Answer::Yes);
    run();
    EXPECT_EQ(desktop.documents, std::vector<std::string>{dir / "backup.txt"});
    EXPECT_EQ(prompter.shown.back().default_button, Answer::Yes);

    // Without a journal the run ends silently.
    options.create_journal = false;
    run();
    EXPECT_TRUE(prompter.done());
}

TEST_F(JournalTest, ListNamedLikeItsJournalIsNeverOverwritten) {
    save_list("backup.txt");
    const std::string list_text = read_file(dir / "backup.txt");
    expect_offer(prompter, 1);
    run();
    EXPECT_EQ(read_file(dir / "backup.txt"), list_text);
    EXPECT_EQ(read_file(dir / "backup.journal.txt").rfind("Vantorel Journal file started", 0), 0u);
}

} // namespace
} // namespace vt::test
