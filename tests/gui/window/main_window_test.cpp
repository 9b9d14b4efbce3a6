#include "core/list/list_file.h"
#include "gui/window/vt_main.h"
#include "support/open_main_window.h"
#include "support/recording_desktop_services.h"
#include "support/saved_list.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace vt {
namespace {

class MainWindowTest : public ::testing::Test {
protected:
    std::unique_ptr<TVT_main_Form> open(const std::string& argument = {}) {
        return test::open_main_window({&prompter, &desktop}, argument);
    }
    test::TempDir dir;
    test::ScriptedPrompter prompter;
    test::RecordingDesktopServices desktop;
};

TEST_F(MainWindowTest, FreshStartShowsAnEmptyUntitledList) {
    auto form = open();
    EXPECT_EQ(form->windowTitle(), "Vantorel: Untitled");
    EXPECT_EQ(form->FileList_StringGrid->model()->rowCount(), 0);
    EXPECT_FALSE(form->document().modified());
    EXPECT_EQ(form->FileList_StringGrid->model()->headerData(4, Qt::Horizontal), "Sub Dir's");
    EXPECT_EQ(form->BitBtn_do_copy->text(), "Copy Now");
    EXPECT_EQ(form->menu.CopyNow1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_C));
    EXPECT_TRUE(form->menu.Save1->shortcut().isEmpty());
}

TEST_F(MainWindowTest, StartsWithTheListOfTheCommandLine) {
    const std::string name = test::save_list(
        dir / "Daily.vtl", {{"/a", "*.*", "/b", "Yes", "No"}, {"/c", "*.txt", "/d", "No", "Yes"}},
        "Put the disk in");

    auto form = open(dir / "daily.VTL"); // found as stored on disk
    EXPECT_EQ(form->windowTitle(), "Vantorel: Daily.vtl");
    EXPECT_EQ(form->document().file_name(), name);
    EXPECT_EQ(form->FileList_StringGrid->model()->rowCount(), 2);
    EXPECT_EQ(form->FileList_StringGrid->model()->index(1, 1).data(), "*.txt");
    EXPECT_EQ(form->Edit3->text(), "Put the disk in");
    EXPECT_FALSE(form->document().modified());
    EXPECT_EQ(form->FileList_StringGrid->currentIndex().row(), 0);
}

TEST_F(MainWindowTest, AnUnreadableListShowsTheErrorAndTheWindowStillOpens) {
    prompter.expect("Vantorel", "File not found.", Answer::Ok);
    auto form = open(dir / "gone.vtl");
    EXPECT_TRUE(prompter.done());
    EXPECT_EQ(form->windowTitle(), "Vantorel: Untitled");
    EXPECT_TRUE(form->document().file_name().empty());
    EXPECT_TRUE(form->isVisible());
}

TEST_F(MainWindowTest, MessageEditFollowsAndSetsTheModifiedFlag) {
    auto form = open();
    QTest::keyClicks(form->Edit3, "x");
    EXPECT_TRUE(form->document().modified());
    EXPECT_EQ(form->document().message(), "x");
    form->document().set_modified(false);
    QTest::keyClick(form->Edit3, Qt::Key_Backspace);
    EXPECT_TRUE(form->document().modified());
}

TEST_F(MainWindowTest, AMessageInAnotherCodePageKeepsItsBytes) {
    // Written by the first edition in a Windows code page: not UTF-8.
    const std::string bytes = "Ins\xE9rez le disque \x93"
                              "B\x94\r\n\"/a\",\"*.*\",\"/b\",\"Yes\",\"No\"\r\n";
    const std::string name = dir.write("Old.vtl", bytes);
    auto form = open(name);
    EXPECT_EQ(form->document().message(), "Ins\xE9rez le disque \x93"
                                          "B\x94");
    EXPECT_FALSE(form->document().modified());
    ASSERT_TRUE(form->save_vtl(name));
    EXPECT_EQ(test::read_file(name), bytes);
    // An edit of the user's is an edit.
    form->Edit3->end(false);
    QTest::keyClicks(form->Edit3, "!");
    EXPECT_TRUE(form->document().modified());
}

TEST_F(MainWindowTest, ALineBreakPastedIntoTheMessageBecomesABlank) {
    auto form = open();
    QTest::keyClicks(form->Edit3, "Insert");
    form->Edit3->insert("\n\"/etc\",\"*.*\",\"/tmp\",\"Yes\",\"Yes\"\r\n");
    EXPECT_EQ(form->document().message(), "Insert \"/etc\",\"*.*\",\"/tmp\",\"Yes\",\"Yes\"  ");
    EXPECT_EQ(form->Edit3->text().toStdString(), form->document().message());
    const std::string name = dir / "List.vtl";
    ASSERT_TRUE(form->save_vtl(name));
    CopyList read;
    ASSERT_TRUE(load_vtl(read, name).ok);
    EXPECT_EQ(read.line_count(), 0); // no line of its own
    EXPECT_EQ(read.message(), form->document().message());
}

TEST_F(MainWindowTest, AFifoNamedOnTheCommandLineIsRefusedAtOnce) {
    const std::string fifo = dir / "list.vtl";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    prompter.expect("Vantorel", "File access denied.", Answer::Ok);
    auto form = open(fifo); // a read would wait for a writer forever
    EXPECT_TRUE(prompter.done());
    EXPECT_TRUE(form->document().file_name().empty());
}

TEST_F(MainWindowTest, TheWindowStartsCentredOnTheScreen) {
    auto form = open();
    const QPoint middle = form->screen()->availableGeometry().center();
    const QPoint centre = form->frameGeometry().center();
    EXPECT_LE(std::abs(centre.x() - middle.x()), 2) << centre.x() << " " << middle.x();
    EXPECT_LE(std::abs(centre.y() - middle.y()), 20) << centre.y() << " " << middle.y();
}

TEST_F(MainWindowTest, GridLayout) {
    auto form = open();
    QTableView* grid = form->FileList_StringGrid;
    EXPECT_FALSE(grid->showGrid());
    EXPECT_EQ(grid->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(grid->verticalHeader()->defaultSectionSize(), 18);
    EXPECT_EQ(grid->columnWidth(1), 109);
    EXPECT_EQ(grid->columnWidth(3), 52);
    EXPECT_EQ(grid->columnWidth(4), 64);
    EXPECT_EQ(grid->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
}

TEST_F(MainWindowTest, ResizeRuleSharesTheWidthBetweenColumnsZeroAndTwo) {
    auto form = open();
    QTableView* grid = form->FileList_StringGrid;
    const int total_before = [&] {
        int s = 0;
        for (int c = 0; c < 5; ++c)
            s += grid->columnWidth(c);
        return s;
    }();
    EXPECT_EQ(total_before, grid->width() - 4);
    const int c0 = grid->columnWidth(0), c2 = grid->columnWidth(2);
    form->resize(form->width() + 100, form->height());
    EXPECT_EQ(grid->columnWidth(0), c0 + 52);
    EXPECT_EQ(grid->columnWidth(2), c2 + 48);
    EXPECT_EQ(grid->columnWidth(1), 109);
    EXPECT_EQ(form->Edit3->width(), grid->width() - form->Edit3->x());
    EXPECT_EQ(grid->height(), form->centralWidget()->height() - grid->y());

    // Narrower than the panel: the grid stays at the panel's right edge + 1.
    form->resize(300, form->height());
    EXPECT_EQ(grid->width(), form->Panel1->x() + form->Panel1->width() + 1);
}

TEST_F(MainWindowTest, FitToTheScreen) {
    {
        auto form = open();
        form->fit_to_screen(800);
        EXPECT_EQ(form->width(), 770);
    }
    {
        auto form = open();
        form->fit_to_screen(720);
        EXPECT_EQ(form->width(), 720);
    }
    {
        auto form = open();
        form->fit_to_screen(640);
        EXPECT_EQ(form->width(), 640);
        EXPECT_EQ(form->Panel1->width(), 470);
        EXPECT_EQ(form->BitBtn_do_copy->width(), 110);
        EXPECT_EQ(form->BitBtn_do_copy->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        EXPECT_EQ(form->GroupBox1->x(), 128);
        EXPECT_EQ(form->RadioGroup_append->x(), 276);
        EXPECT_EQ(form->RadioAppend->text(), "&Append to an existing file");
    }
}

TEST_F(MainWindowTest, JournalOptionsFollowTheJournalBox) {
    auto form = open();
    form->set_copy_options({true, false, 1});
    EXPECT_FALSE(form->RadioGroup_append->isEnabled());
    EXPECT_EQ(form->journal_option_index(), 1);
    form->CreateJournalFile->click();
    EXPECT_TRUE(form->RadioGroup_append->isEnabled());
    form->set_journal_option_index(5);
    EXPECT_EQ(form->journal_option_index(), 1);
    form->set_journal_option_index(-3);
    EXPECT_EQ(form->journal_option_index(), -1);
}

TEST_F(MainWindowTest, ExitClosesAsTheCloseBoxDoes) {
    struct Case {
        const char* label;
        bool changed;
        Answer answer; // to the close question, when there are changes
        bool closes;
    };
    for (const Case& c :
         {Case{"unchanged", false, Answer::Cancel, true},
          Case{"Cancel", true, Answer::Cancel, false}, Case{"No", true, Answer::No, true}}) {
        SCOPED_TRACE(c.label);
        auto form = open();
        if (c.changed) {
            QTest::keyClicks(form->Edit3, "unsaved");
            prompter.expect("Confirm", "You have made changes to [untitled]\r\nSave these changes?",
                            c.answer);
        }
        form->menu.Exit1->trigger();
        EXPECT_EQ(form->isVisible(), !c.closes);
        EXPECT_TRUE(prompter.done());
    }
}

TEST_F(MainWindowTest, TooltipsEchoIntoTheStatusBar) {
    auto form = open();
    QHelpEvent event(QEvent::ToolTip, QPoint(5, 5),
                     form->BitBtn_do_copy->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(form->BitBtn_do_copy, &event);
    EXPECT_EQ(form->StatusBar1->currentMessage(), "Copy the files that are specified in the list");
}

} // namespace
} // namespace vt
