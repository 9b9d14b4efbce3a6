#include "core/list/list_file.h"
#include "gui/editor/vt_entry.h"
#include "gui/list/scripted_file_dialog.h"
#include "gui/screens/modal_helper.h"
#include "gui/screens/vt_intro.h"
#include "gui/window/settings_commands.h"
#include "gui/window/vt_main.h"
#include "support/open_main_window.h"
#include "support/recording_desktop_services.h"
#include "support/saved_list.h"
#include "support/scoped_env.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace vt {
namespace {

using test::exists;
using test::read_file;

const std::string kClosingTitle = "Confirm";

std::string close_text(const std::string& name) {
    return "You have made changes to " + name + "\r\nSave these changes?";
}

class FileCommandsTest : public ::testing::Test {
protected:
    std::unique_ptr<TVT_main_Form> open(const std::string& argument = {}) {
        return test::open_main_window({&prompter, &desktop, &open_dialog, &save_dialog}, argument);
    }

    // A saved list of two lines with a message.
    std::string saved_list(const std::string& relative) {
        return test::save_list(dir / relative,
                               {{"/home/a", "*.*", "/backup/a", "Yes", "No"},
                                {"/home/b", "*.txt", "/backup/b", "No", "Yes"}},
                               "Insert the disk");
    }

    // Like saved_list, with folders that exist, so that the entry editor can show them.
    std::string editable_list(const std::string& relative) {
        return test::save_list(dir / relative,
                               {{dir.mkdir("a"), "*.*", dir.mkdir("backup/a"), "Yes", "No"},
                                {dir.mkdir("b"), "*.txt", dir.mkdir("backup/b"), "No", "Yes"}},
                               "Insert the disk");
    }

    void TearDown() override {
        EXPECT_TRUE(prompter.done());
        EXPECT_TRUE(open_dialog.done());
        EXPECT_TRUE(save_dialog.done());
    }

    test::TempDir dir;
    test::ScriptedPrompter prompter;
    test::ScriptedFileDialog open_dialog;
    test::ScriptedFileDialog save_dialog;
    test::RecordingDesktopServices desktop;
};

// --- Save and Save As -----------------------------------------------------

TEST_F(FileCommandsTest, SaveOnAnUntitledListAsksForANameAndSavesAList) {
    auto form = open();
    form->document().append_line({"/src", "*.doc", "/dst", "Yes", "Yes"});
    const std::string name = dir / "Weekly"; // typed without extension
    save_dialog.answer(name);

    form->menu.Save1->trigger();

    ASSERT_EQ(save_dialog.shown.size(), 1u);
    EXPECT_EQ(save_dialog.shown[0].file_name, "*.vtl");
    EXPECT_EQ(save_dialog.shown[0].filter, "*.vtl"); // lists are shown from the first use
    EXPECT_FALSE(save_dialog.shown[0].initial_dir.empty());
    EXPECT_FALSE(exists(name));
    EXPECT_EQ(read_file(name + ".vtl"), "\"/src\",\"*.doc\",\"/dst\",\"Yes\",\"Yes\"\r\n");
    EXPECT_EQ(form->document().file_name(), name + ".vtl");
    EXPECT_EQ(form->windowTitle(), "Vantorel: Weekly.vtl");
    EXPECT_FALSE(form->document().modified());
    ASSERT_FALSE(form->recent_files.empty());
    EXPECT_EQ(form->recent_files.front(), name + ".vtl");
}

TEST_F(FileCommandsTest, LaterSaveAsShowsTheCurrentFullNameInItsFolder) {
    const std::string name = saved_list("lists/Daily.vtl");
    auto form = open(name);
    const std::string copy = dir / "lists/Copy.vtl";
    save_dialog.answer(copy);
    save_dialog.answer(std::nullopt);

    form->menu.SaveAs1->trigger();
    form->menu.SaveAs1->trigger();

    ASSERT_EQ(save_dialog.shown.size(), 2u);
    EXPECT_EQ(save_dialog.shown[0].file_name, name);
    EXPECT_EQ(save_dialog.shown[0].filter, "*.vtl");
    EXPECT_EQ(save_dialog.shown[0].initial_dir, dir / "lists/");
    EXPECT_EQ(save_dialog.shown[1].file_name, copy);
    EXPECT_EQ(read_file(copy), read_file(name));
    EXPECT_EQ(form->document().file_name(), copy); // the cancelled one changed nothing
}

TEST_F(FileCommandsTest, SaveOnATitledListWritesSilentlyAndLeavesTheRecentFiles) {
    const std::string name = saved_list("Daily.vtl");
    auto form = open(name);
    const auto recent = form->recent_files;
    QTest::keyClicks(form->Edit3, " now");
    ASSERT_TRUE(form->document().modified());

    form->menu.Save1->trigger();

    EXPECT_TRUE(save_dialog.shown.empty());
    EXPECT_EQ(read_file(name).substr(0, 20), "Insert the disk now\r");
    EXPECT_FALSE(form->document().modified());
    EXPECT_EQ(form->recent_files, recent);
}

TEST_F(FileCommandsTest, SaveAsThatCannotWriteShowsTheErrorAndLeavesTheRecentFiles) {
    auto form = open();
    const auto recent = form->recent_files;
    QTest::keyClicks(form->Edit3, "changed");
    save_dialog.answer(dir / "missing/List.vtl");
    prompter.expect("Vantorel", "File not found.", Answer::Ok);

    form->menu.SaveAs1->trigger();

    EXPECT_EQ(form->recent_files, recent);
    EXPECT_TRUE(form->document().modified());
}

// --- Open -----------------------------------------------------------------

TEST_F(FileCommandsTest, OpenStartsInTheListFolderAndLoadsTheChosenList) {
    const std::string first = saved_list("a/First.vtl");
    const std::string second = saved_list("b/Second.vtl");
    auto form = open();
    open_dialog.answer(first);
    open_dialog.answer(second);

    form->menu.Open1->trigger();
    form->menu.Open1->trigger();

    ASSERT_EQ(open_dialog.shown.size(), 2u);
    EXPECT_EQ(open_dialog.shown[0].file_name, "*.vtl");
    EXPECT_EQ(open_dialog.shown[0].filter, ""); // no filter while no list is current
    EXPECT_EQ(open_dialog.shown[1].initial_dir, dir / "a/");
    EXPECT_EQ(open_dialog.shown[1].filter, "*.vtl");
    EXPECT_EQ(form->document().file_name(), second);
    EXPECT_EQ(form->windowTitle(), "Vantorel: Second.vtl");
    EXPECT_EQ(form->document().line_count(), 2);
    EXPECT_EQ(form->Edit3->text(), "Insert the disk");
    ASSERT_GE(form->recent_files.size(), 2u);
    EXPECT_EQ(form->recent_files[0], second);
    EXPECT_EQ(form->recent_files[1], first);
}

TEST_F(FileCommandsTest, AFailedOpenLeavesTheListAndTheRecentFilesAsTheyWere) {
    const std::string name = saved_list("Daily.vtl");
    auto form = open(name);
    const auto recent = form->recent_files;
    open_dialog.answer(dir / "gone.vtl");
    prompter.expect("Vantorel", "File not found.", Answer::Ok);

    form->menu.Open1->trigger();

    EXPECT_EQ(form->recent_files, recent);
    EXPECT_EQ(form->document().file_name(), name);
    EXPECT_EQ(form->document().line_count(), 2);
}

TEST_F(FileCommandsTest, ADamagedListIsRefusedAndTheListOnScreenStays) {
    const std::string name = saved_list("Daily.vtl");
    auto form = open(name);
    const auto recent = form->recent_files;
    const std::string damaged =
        dir.write("Damaged.vtl", std::string("Note\r\n\"/src\",\"*.txt\0\",\"/dst\"\r\n", 30));
    open_dialog.answer(damaged);
    prompter.expect("Vantorel", "Damaged list file: line 2 holds a NUL byte.", Answer::Ok);

    form->menu.Open1->trigger();

    EXPECT_EQ(form->recent_files, recent);
    EXPECT_EQ(form->document().file_name(), name);
    EXPECT_EQ(form->document().line_count(), 2);
    EXPECT_EQ(form->Edit3->text(), "Insert the disk");
}

// --- New ------------------------------------------------------------------

TEST_F(FileCommandsTest, NewEmptiesTheListButKeepsMessageFolderAndChanges) {
    const std::string name = saved_list("lists/Daily.vtl");
    auto form = open(name);
    for (QAction* a : {form->menu.CreateDesktopShortcutcurrentfile1,
                       form->menu.CreateStartMenuentryforthecurrentfile1, form->menu.N6})
        a->setVisible(true);
    QTest::keyClicks(form->Edit3, "!");
    prompter.expect(kClosingTitle, close_text(name), Answer::No);

    form->menu.New1->trigger();

    EXPECT_EQ(form->windowTitle(), "Vantorel: Untitled");
    EXPECT_EQ(form->FileList_StringGrid->model()->rowCount(), 0);
    EXPECT_TRUE(form->document().file_name().empty());
    EXPECT_EQ(form->document().list_folder(), dir / "lists/");
    EXPECT_EQ(form->Edit3->text(), "Insert the disk!");
    EXPECT_TRUE(form->document().modified());
    EXPECT_FALSE(form->menu.CreateDesktopShortcutcurrentfile1->isVisible());
    EXPECT_FALSE(form->menu.CreateStartMenuentryforthecurrentfile1->isVisible());
    EXPECT_FALSE(form->menu.N6->isVisible());

    // The changes are still there to be asked about.
    prompter.expect(kClosingTitle, close_text("[untitled]"), Answer::No);
    EXPECT_TRUE(form->close());
}

// --- The close question -----------------------------------------------------

TEST_F(FileCommandsTest, AnUnchangedListClosesWithoutAQuestion) {
    auto form = open(saved_list("Daily.vtl"));
    EXPECT_TRUE(form->close());
}

TEST_F(FileCommandsTest, TheCloseQuestionNamesTheListAndOffersYesNoCancel) {
    const std::string name = saved_list("Daily.vtl");
    auto form = open(name);
    QTest::keyClicks(form->Edit3, " now");
    prompter.answer_next(Answer::Cancel);

    EXPECT_FALSE(form->close());

    ASSERT_EQ(prompter.shown.size(), 1u);
    const Prompt& question = prompter.shown[0];
    EXPECT_EQ(question.title, "Confirm");
    EXPECT_EQ(question.text, close_text(name));
    EXPECT_EQ(question.buttons, Buttons::YesNoCancel);
    EXPECT_EQ(question.icon, Icon::Question);
    EXPECT_EQ(question.escape_answer, Answer::Cancel);
}

struct CloseCase {
    const char* label;
    bool titled;
    Answer answer;
    std::optional<std::string> save_as; // relative name chosen in Save As, if shown
    bool closes;
    bool written;
};

void PrintTo(const CloseCase& c, std::ostream* out) {
    *out << c.label;
}

class CloseQuestionTest : public FileCommandsTest,
                          public ::testing::WithParamInterface<CloseCase> {};

TEST_P(CloseQuestionTest, AnswersDecideWhetherTheChangesAreSavedAndTheWindowCloses) {
    const CloseCase& c = GetParam();
    const std::string name = saved_list("Daily.vtl");
    const std::string before = read_file(name);
    auto form = open(c.titled ? name : std::string());
    QTest::keyClicks(form->Edit3, "changed");
    prompter.expect(kClosingTitle, close_text(c.titled ? name : "[untitled]"), c.answer);
    if (c.answer == Answer::Yes && !c.titled)
        save_dialog.answer(c.save_as ? std::optional(dir / *c.save_as) : std::nullopt);

    EXPECT_EQ(form->close(), c.closes);

    EXPECT_EQ(form->isVisible(), !c.closes);
    const std::string target = c.titled ? name : dir / c.save_as.value_or("none.vtl");
    if (c.written) {
        EXPECT_NE(read_file(target).find("changed"), std::string::npos);
        EXPECT_FALSE(form->document().modified());
    } else {
        EXPECT_EQ(read_file(name), before);
        EXPECT_FALSE(exists(dir / "none.vtl"));
    }
    if (!c.closes) {
        EXPECT_TRUE(form->document().modified()); // the changes are still on screen
        EXPECT_NE(form->Edit3->text().indexOf("changed"), -1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, CloseQuestionTest,
    ::testing::Values(CloseCase{"YesTitled", true, Answer::Yes, {}, true, true},
                      CloseCase{"NoTitled", true, Answer::No, {}, true, false},
                      CloseCase{"CancelTitled", true, Answer::Cancel, {}, false, false},
                      CloseCase{"YesUntitledNamed", false, Answer::Yes, "New.vtl", true, true},
                      CloseCase{"YesUntitledSaveAsCancelled", false, Answer::Yes, {}, false, false},
                      CloseCase{"NoUntitled", false, Answer::No, {}, true, false},
                      CloseCase{"CancelUntitled", false, Answer::Cancel, {}, false, false}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(FileCommandsTest, YesWhoseSaveFailsKeepsTheWindowOpen) {
    const std::string folder = dir.mkdir("gone");
    const std::string name = saved_list("gone/Daily.vtl");
    auto form = open(name);
    QTest::keyClicks(form->Edit3, "changed");
    ASSERT_GT(std::filesystem::remove_all(folder), 0u);
    prompter.expect(kClosingTitle, close_text(name), Answer::Yes);
    prompter.expect("Vantorel", "File not found.", Answer::Ok);

    EXPECT_FALSE(form->close());

    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->document().modified());
}

// --- Leaving a changed list ---------------------------------------------------

enum class Leave { New, Open, Reopen, IntroReject };

struct LeaveCase {
    const char* label;
    Leave command;
    Answer answer;
};

void PrintTo(const LeaveCase& c, std::ostream* out) {
    *out << c.label;
}

class LeaveQuestionTest : public FileCommandsTest,
                          public ::testing::WithParamInterface<LeaveCase> {};

// Every command that leaves the list asks the close question first; the entry editor,
// open on a line meanwhile, stays open only when the question is cancelled.
TEST_P(LeaveQuestionTest, AsksBeforeTheListIsLeft) {
    const LeaveCase& c = GetParam();
    const std::string name = editable_list("Daily.vtl");
    const std::string other = saved_list("Other.vtl");
    const std::string before = read_file(name);
    auto form = open(name);
    form->recent_files = {name, other};
    form->settings_commands->update_files_history();
    QTest::keyClicks(form->Edit3, " changed");
    form->Edit_entry->click();
    ASSERT_TRUE(form->add_form()->isVisible());
    prompter.expect(kClosingTitle, close_text(name), c.answer);
    const bool goes_on = c.answer != Answer::Cancel;
    if (goes_on && c.command == Leave::Open)
        open_dialog.answer(other);

    test::OnModal<TIntro_Form> user([](TIntro_Form& s) { s.BitBtn3->click(); });
    QTimer::singleShot(0, form.get(), [&] {
        switch (c.command) {
        case Leave::New:
            form->menu.New1->trigger();
            break;
        case Leave::Open:
            form->menu.Open1->trigger();
            break;
        case Leave::Reopen:
            form->menu.recent[0]->trigger();
            break;
        case Leave::IntroReject:
            form->menu.ShowtheIntroductionScreen1->trigger();
            break;
        }
        if (form->isVisible())
            QCoreApplication::exit(42); // the program goes on
    });
    QTimer::singleShot(10000, [] { QCoreApplication::exit(99); }); // a failing test ends too
    const int status = QApplication::exec();

    EXPECT_EQ(status, goes_on && c.command == Leave::IntroReject ? 0 : 42);
    const bool saved = c.answer == Answer::Yes;
    EXPECT_EQ(read_file(name).find("changed") != std::string::npos, saved);
    if (!saved) {
        EXPECT_EQ(read_file(name), before);
    }
    TVT_add_Form* editor = form->add_form(); // gone once closed: deleted by the event loop
    const bool editor_open = editor && !editor->closed() && editor->isVisible();
    EXPECT_EQ(editor_open, !goes_on);
    if (!goes_on) {
        EXPECT_EQ(form->document().file_name(), name);
        EXPECT_TRUE(form->document().modified());
        EXPECT_EQ(form->Edit3->text(), "Insert the disk changed");
        EXPECT_EQ(form->document().line_count(), 2);
        EXPECT_TRUE(open_dialog.shown.empty());
        return;
    }
    switch (c.command) {
    case Leave::New:
        EXPECT_EQ(form->document().line_count(), 0);
        EXPECT_TRUE(form->document().file_name().empty());
        break;
    case Leave::Open:
    case Leave::Reopen:
        EXPECT_EQ(form->document().file_name(), other);
        EXPECT_EQ(form->recent_files[0], other);
        EXPECT_FALSE(form->document().modified());
        break;
    case Leave::IntroReject:
        EXPECT_FALSE(form->isVisible());
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, LeaveQuestionTest,
    ::testing::Values(LeaveCase{"NewYes", Leave::New, Answer::Yes},
                      LeaveCase{"NewNo", Leave::New, Answer::No},
                      LeaveCase{"NewCancel", Leave::New, Answer::Cancel},
                      LeaveCase{"OpenYes", Leave::Open, Answer::Yes},
                      LeaveCase{"OpenNo", Leave::Open, Answer::No},
                      LeaveCase{"OpenCancel", Leave::Open, Answer::Cancel},
                      LeaveCase{"ReopenYes", Leave::Reopen, Answer::Yes},
                      LeaveCase{"ReopenNo", Leave::Reopen, Answer::No},
                      LeaveCase{"ReopenCancel", Leave::Reopen, Answer::Cancel},
                      LeaveCase{"IntroRejectYes", Leave::IntroReject, Answer::Yes},
                      LeaveCase{"IntroRejectNo", Leave::IntroReject, Answer::No},
                      LeaveCase{"IntroRejectCancel", Leave::IntroReject, Answer::Cancel}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(FileCommandsTest, AnUnchangedListIsLeftWithoutAQuestion) {
    const std::string name = saved_list("Daily.vtl");
    auto form = open(name);
    form->menu.New1->trigger();
    EXPECT_EQ(form->document().line_count(), 0);
}

TEST_F(FileCommandsTest, AnInsertSavedThenAbandonedIsOfferedForSaving) {
    const std::string name = editable_list("Daily.vtl");
    auto form = open(name);
    form->Button_insert->click(); // the first line is duplicated to make room
    form->menu.Save1->trigger();  // and saved so
    CopyList with_room;
    ASSERT_TRUE(load_vtl(with_room, name).ok);
    ASSERT_EQ(with_room.line_count(), 3);
    // Cancel keeps the editor with its Insert; Yes saves the list without the duplicate.
    prompter.expect(kClosingTitle, close_text(name), Answer::Cancel);
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->add_form()->isVisible());
    EXPECT_EQ(form->document().line_count(), 3);
    prompter.expect(kClosingTitle, close_text(name), Answer::Yes);
    EXPECT_TRUE(form->close());
    CopyList written;
    ASSERT_TRUE(load_vtl(written, name).ok);
    EXPECT_EQ(written.line_count(), 2);
}

TEST_F(FileCommandsTest, AReadOnlyListIsNotReplaced) {
    const std::string name = saved_list("Daily.vtl");
    const std::string before = read_file(name);
    ASSERT_EQ(::chmod(name.c_str(), 0444), 0);
    auto form = open(name);
    QTest::keyClicks(form->Edit3, " changed");
    prompter.expect("Vantorel", "File access denied.", Answer::Ok);
    form->menu.Save1->trigger();
    // Yes to the close question cannot save it either: the window stays.
    prompter.expect(kClosingTitle, close_text(name), Answer::Yes);
    prompter.expect("Vantorel", "File access denied.", Answer::Ok);
    EXPECT_FALSE(form->close());
    EXPECT_EQ(read_file(name), before);
    EXPECT_TRUE(form->document().modified());
}

// --- Print without a printer ----------------------------------------------

TEST_F(FileCommandsTest, PrintWithoutADefaultPrinterSaysSo) {
    // A print server that does not exist: no printer is known.
    test::ScopedEnv cups_server{"CUPS_SERVER", dir / "no-cups.sock"};
    test::ScopedEnv printer{"PRINTER", std::nullopt}, lpdest{"LPDEST", std::nullopt};
    auto form = open();
    prompter.expect("Vantorel", "There is no default printer currently selected.", Answer::Ok);

    form->menu.Print1->trigger();

    EXPECT_TRUE(form->isVisible());
}

} // namespace
} // namespace vt
