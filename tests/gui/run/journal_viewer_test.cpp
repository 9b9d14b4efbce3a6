// The journal after a run: the summary box, the program's own viewer and "View Journal".
#include "gui/run/copy_controller.h"
#include "gui/run/journal_commands.h"
#include "gui/run/journal_viewer.h"
#include "gui/run/run_end_prompter.h"
#include "gui/window/vt_main.h"
#include "support/open_main_window.h"
#include "support/probe_prompter.h"
#include "support/recording_desktop_services.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>
#include <set>

namespace vt {
namespace {

bool is_offer(const Prompt& p) {
    return p.text == "Do you wish to view the journal file now?";
}

class JournalViewerTest : public ::testing::Test {
protected:
    void SetUp() override {
        src = dir.mkdir("src");
        for (int i = 0; i < 4; ++i)
            dir.write("src/f" + std::to_string(i), "content");
        ASSERT_NO_FATAL_FAILURE(form = test::open_main_window({&prompter, &desktop}));
        form->document().append_line({src, "*.*", dir / "dst", "Yes", "No"});
        form->set_copy_options({false, true, 0});
    }
    void run(Answer to_offer) {
        prompter.answer = [to_offer](const Prompt& p) {
            return is_offer(p) ? to_offer : p.default_button;
        };
        form->BitBtn_do_copy->click();
    }
    JournalViewer* viewer() const { return form->journal_commands->viewer(); }
    std::string journal() const { return test::read_file(dir / "list.txt"); }

    test::TempDir dir;
    std::string src;
    test::ProbePrompter prompter;
    test::RecordingDesktopServices desktop;
    std::unique_ptr<TVT_main_Form> form;
};

TEST_F(JournalViewerTest, TheItemFollowsTheFileMenuRunItemsWithAKeyOfItsOwn) {
    const QList<QAction*> items = form->menu.File->actions();
    const auto at = items.indexOf(form->menu.ViewJournal1);
    ASSERT_GT(at, 0);
    EXPECT_EQ(items[at - 1], form->menu.CheckBackup1);
    EXPECT_EQ(form->menu.ViewJournal1->text(), "View &Journal");
    std::set<QChar> keys;
    for (QAction* a : items) {
        const QString text = a->text();
        const auto amp = text.indexOf(QLatin1Char('&'));
        if (a->isSeparator() || amp < 0 || amp + 1 >= text.size())
            continue;
        EXPECT_TRUE(keys.insert(text[amp + 1].toLower()).second) << text.toStdString();
    }
}

TEST_F(JournalViewerTest, TheItemIsEnabledOnlyWhileTheListHasAJournal) {
    EXPECT_FALSE(form->menu.ViewJournal1->isEnabled()); // untitled
    ASSERT_TRUE(form->save_vtl(dir / "list.vtl"));
    EXPECT_FALSE(form->menu.ViewJournal1->isEnabled()); // no run yet
    run(Answer::No);
    EXPECT_TRUE(form->menu.ViewJournal1->isEnabled());

    // Another list without a journal, then this one again.
    ASSERT_TRUE(form->save_vtl(dir / "other.vtl"));
    EXPECT_FALSE(form->menu.ViewJournal1->isEnabled());
    ASSERT_TRUE(form->load_vtl(dir / "list.vtl"));
    EXPECT_TRUE(form->menu.ViewJournal1->isEnabled());
}

TEST_F(JournalViewerTest, YesAtTheEndOfARunShowsTheLatestRunInTheProgramsViewer) {
    ASSERT_TRUE(form->save_vtl(dir / "list.vtl"));
    // Far more of earlier runs than the window shows at once.
    std::string earlier = "Vantorel Journal file started 01/02/24 10:00:00\r\n";
    for (int i = 0; i < 400; ++i)
        earlier += "NOT Copied: old" + std::to_string(i) + " 01/02/24\r\n";
    dir.write("list.txt", earlier);
    run(Answer::No);
    dir.write("src/f9", "later"); // the latest run has something of its own to tell
    run(Answer::Yes);

    EXPECT_TRUE(desktop.documents.empty()); // not handed to the desktop
    ASSERT_TRUE(viewer());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer()));
    const QPlainTextEdit* text = viewer()->Text;
    EXPECT_TRUE(text->isReadOnly());
    EXPECT_TRUE(text->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_EQ(text->toPlainText().count("Vantorel Journal file started"), 3);
    const QTextBlock latest = text->textCursor().block();
    EXPECT_TRUE(latest.text().startsWith("Vantorel Journal file started"));
    EXPECT_GT(latest.blockNumber(), 400); // the latest run's, not an earlier one
    EXPECT_EQ(latest.blockNumber(), viewer()->latest_run_line());
    EXPECT_NE(text->toPlainText().indexOf("f9", latest.position()), -1);
    // On screen, as high as the end of the text lets it go, with the run's entries
    // under it.
    const QScrollBar* bar = text->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), std::min(latest.blockNumber(), bar->maximum()));
    EXPECT_GE(text->cursorRect().top(), 0);
    EXPECT_LE(text->cursorRect().bottom(), text->viewport()->height());
}

TEST_F(JournalViewerTest, ViewJournalFromTheMenuKeysAndFindingText) {
    ASSERT_TRUE(form->save_vtl(dir / "list.vtl"));
    run(Answer::No);
    form->activateWindow();
    QTest::keyClick(form.get(), Qt::Key_F, Qt::AltModifier);
    QMenu* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_EQ(menu, form->menu.File);
    QTest::keyClick(menu, Qt::Key_J);
    ASSERT_TRUE(viewer());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer()));
    viewer()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(viewer()));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_EQ(QApplication::focusWidget(), viewer()->FindEdit);
    QTest::keyClicks(viewer()->FindEdit, "copied ok: f");
    const int before = viewer()->Text->textCursor().position();
    QTest::keyClick(viewer()->FindEdit, Qt::Key_Return);
    const QTextCursor first = viewer()->Text->textCursor();
    EXPECT_EQ(first.selectedText().toLower(), "copied ok: f");
    EXPECT_GT(first.position(), before);
    QTest::keyClick(viewer()->FindEdit, Qt::Key_Return); // the next one
    EXPECT_GT(viewer()->Text->textCursor().position(), first.position());
    EXPECT_TRUE(viewer()->isVisible()); // Enter finds; it closes nothing

    viewer()->FindEdit->clear();
    QTest::keyClicks(viewer()->FindEdit, "nowhere in it");
    const int kept = viewer()->Text->textCursor().position();
    QTest::keyClick(viewer()->FindEdit, Qt::Key_Return);
    EXPECT_EQ(viewer()->NotFound->text(), "Not found");
    EXPECT_EQ(viewer()->Text->textCursor().position(), kept);
}

TEST_F(JournalViewerTest, AJournalGoneMeanwhileIsReported) {
    ASSERT_TRUE(form->save_vtl(dir / "list.vtl"));
    run(Answer::No);
    ASSERT_EQ(std::remove((dir / "list.txt").c_str()), 0);
    prompter.shown.clear();
    form->journal_commands->show_journal(dir / "list.txt");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Unable to read the journal file \"" + dir / "list.txt" +
                                          "\": No such file or directory.");
    EXPECT_FALSE(form->menu.ViewJournal1->isEnabled());
}

TEST_F(JournalViewerTest, AStoppedRunSaysSoInItsJournalAndItsSummary) {
    ASSERT_TRUE(form->save_vtl(dir / "list.vtl"));
    form->set_copy_options({true, true, 0}); // a question at every file
    form->copy_controller().set_jobs(1);
    bool clicked = false;
    prompter.answer = [&](const Prompt& p) {
        if (p.title == "Copy this file?" && !clicked) {
            clicked = true;
            QTimer::singleShot(0, form->BitBtn_do_copy, &QToolButton::click);
        }
        return is_offer(p) ? Answer::No : Answer::Yes;
    };
    form->BitBtn_do_copy->click();

    ASSERT_FALSE(prompter.shown.empty());
    EXPECT_EQ(prompter.shown.back().title, "1 files copied, stopped by the user");
    EXPECT_NE(journal().find("Copy stopped by the user\r\n\r\n1 Files copied in total\r\n"),
              std::string::npos)
        << journal();
}

TEST_F(JournalViewerTest, ASummaryWithFailuresCountsThem) {
    form->document().append_line({src, "*.*", src, "No", "No"}); // refused: one folder
    ASSERT_TRUE(form->save_vtl(dir / "list.vtl"));
    run(Answer::No);
    ASSERT_FALSE(prompter.shown.empty());
    EXPECT_EQ(prompter.shown.back().title, "4 files copied, 1 failure");
    EXPECT_EQ(journal().find("stopped by the user"), std::string::npos);
}

TEST(RunEndTitle, NamesFailuresAndAStop) {
    const struct {
        int failures;
        bool stopped;
        const char* title;
    } cases[] = {
        {0, false, "7 files copied"},
        {1, false, "7 files copied, 1 failure"},
        {3, false, "7 files copied, 3 failures"},
        {0, true, "7 files copied, stopped by the user"},
        {2, true, "7 files copied, 2 failures, stopped by the user"},
    };
    for (const auto& c : cases) {
        RunSummary summary;
        summary.failures = c.failures;
        summary.stopped = c.stopped;
        EXPECT_EQ(RunEndPrompter::summary_title("7 files copied", summary), c.title);
    }
}

} // namespace
} // namespace vt
