#include "core/run/journal.h"

#include "core/platform/sys.h"
#include "core/run/engine_fixture.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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

// A journal name that is a symbolic link is never read or written through, whatever
// the link leads to: it is asked about with No as the default, and Yes puts a new
// journal in the link's place.
TEST_F(JournalTest, AJournalNameThatIsALinkIsAskedAboutAndNeverFollowed) {
    struct Case {
        const char* what;
        const char* content; // of the link's target; null: there is none
        Answer answer;
        int append_index;
    };
    const std::string journal_text = std::string(Journal::kSignature) + " started 1.1.2000\r\n";
    const Case cases[] = {
        {"a link to another file, No", "someone else's notes", Answer::No, 0},
        {"a link to another file, Yes, appending", "someone else's notes", Answer::Yes, 0},
        {"a link to another file, Yes, starting anew", "someone else's notes", Answer::Yes, 1},
        {"a link to a journal elsewhere, No", journal_text.c_str(), Answer::No, 0},
        {"a link to a journal elsewhere, Yes", journal_text.c_str(), Answer::Yes, 0},
        {"a dangling link, No", nullptr, Answer::No, 1},
        {"a dangling link, Yes", nullptr, Answer::Yes, 0},
    };
    for (const Case& c : cases) {
        EngineFixture f;
        const std::string src = f.dir.mkdir("src");
        f.dir.write("src/a", "a");
        f.line(src, "*.*", f.dir / "dst", true, false);
        f.save_list();
        f.options.journal_append_index = c.append_index;
        const std::string target = f.dir / "elsewhere/notes.txt";
        f.dir.mkdir("elsewhere");
        if (c.content)
            f.dir.write("elsewhere/notes.txt", c.content);
        ASSERT_EQ(::symlink(target.c_str(), f.journal_path().c_str()), 0) << c.what;

        f.prompter.expect(
            "Error",
            "The existing file \"backup.txt\" starting with \"" + target +
                "\"... does not appear to be a Vantorel journal file.  Continue copy?",
            c.answer);
        if (c.answer == Answer::Yes)
            expect_offer(f.prompter, 1);
        f.run();
        f.prompter.verify_all_asked();
        ASSERT_FALSE(f.prompter.shown.empty()) << c.what;
        EXPECT_EQ(f.prompter.shown[0].default_button, Answer::No) << c.what;
        EXPECT_EQ(f.prompter.shown[0].escape_answer, Answer::No) << c.what;
        if (c.content)
            EXPECT_EQ(read_file(target), c.content) << c.what;
        else
            EXPECT_FALSE(exists(target)) << c.what;
        struct stat st {};
        ASSERT_EQ(::lstat(f.journal_path().c_str(), &st), 0) << c.what;
        if (c.answer == Answer::No) {
            EXPECT_TRUE(S_ISLNK(st.st_mode)) << c.what;
            EXPECT_FALSE(exists(f.dir / "dst/a")) << c.what;
        } else {
            // The new journal took the link's own place.
            EXPECT_TRUE(S_ISREG(st.st_mode)) << c.what;
            EXPECT_EQ(f.journal_lines().front(), "Vantorel Journal file started <date>") << c.what;
            EXPECT_EQ(read_file(f.dir / "dst/a"), "a") << c.what;
        }
    }
}

// A journal that is a plain file when it is looked at and a link by the time it is
// opened to be appended to is not written through either.
TEST_F(JournalTest, AJournalSwappedForALinkBeforeItIsOpenedIsNotWrittenThrough) {
    expect_offer(prompter, 1);
    run();
    const std::string target = dir.write("elsewhere/notes.txt", "someone else's notes");
    // The journal is read for its signature, then opened to be appended to.
    sys::set_fault_hook([&, reads = 0](sys::Op op, const char* path) mutable {
        if (op == sys::Op::Open && path && journal_path() == path && ++reads == 2) {
            std::filesystem::rename(journal_path(), dir / "moved.txt");
            std::filesystem::create_symlink(target, journal_path());
        }
        return 0;
    });
    prompter.answer_next(Answer::Ok); // the box naming the journal that cannot be opened
    run();
    sys::clear_fault_hook();
    EXPECT_TRUE(prompter.done());
    ASSERT_FALSE(prompter.shown.empty());
    EXPECT_EQ(read_file(target), "someone else's notes");
    EXPECT_FALSE(engine.running());
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
