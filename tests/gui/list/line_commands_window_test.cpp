// The line commands driven through the main window and the real entry editor.
#include "gui/editor/directory_list_box.h"
#include "gui/editor/vt_entry.h"
#include "gui/window/settings_commands.h"
#include "gui/window/vt_main.h"
#include "support/open_main_window.h"
#include "support/recording_desktop_services.h"
#include "support/saved_list.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace vt {
namespace {

class LineCommandsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        source = dir.mkdir("src");
        destination = dir.mkdir("dst");
        ASSERT_NO_FATAL_FAILURE(form = test::open_main_window({&prompter, &desktop}));
    }
    void TearDown() override { EXPECT_TRUE(prompter.done()); }

    void fill_three_lines() {
        form->document().set_file_name(dir / "Daily.vtl");
        form->document().append_line({source, "one.*", destination, "Yes", "No"});
        form->document().append_line({source, "two.*", destination, "No", "Yes"});
        form->document().append_line({source, "three.*", destination, "No", "Yes"});
        form->document().set_modified(false);
    }
    void select_row(int row) { // row as in the grid: 1 is the first line
        QTableView* grid = form->FileList_StringGrid;
        const QRect cell = grid->visualRect(grid->model()->index(row - 1, 1));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        ASSERT_EQ(form->document().current_row(), row);
    }
    int grid_row() const { return form->FileList_StringGrid->currentIndex().row() + 1; }
    std::vector<std::string> filters() const {
        std::vector<std::string> out;
        for (const CopyLine& l : form->document().lines())
            out.push_back(l[kSpecColumn]);
        return out;
    }
    TVT_add_Form* editor() const { return form->add_form(); }
    bool editor_open() const { return editor() && !editor()->closed() && editor()->isVisible(); }
    void set_filter(const QString& text) {
        editor()->Edit1->clear();
        QTest::keyClicks(editor()->Edit1, text);
    }
    void confirm() { QTest::mouseClick(editor()->BitBtn1, Qt::LeftButton); }

    test::TempDir dir;
    std::string source, destination;
    test::ScriptedPrompter prompter;
    test::RecordingDesktopServices desktop;
    std::unique_ptr<TVT_main_Form> form;
};

TEST_F(LineCommandsWindowTest, TheEditorIsCreatedHiddenAtStart) {
    ASSERT_NE(editor(), nullptr);
    EXPECT_FALSE(editor()->isVisible());
    EXPECT_EQ(editor()->parentWidget(), form.get());
    EXPECT_TRUE(editor()->isWindow());
    EXPECT_TRUE(editor()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(LineCommandsWindowTest, AddThreeTimesWithTheEditorLeftOpen) {
    form->entry_defaults = {source, destination, "*.doc", "Yes", "No"};
    QTest::mouseClick(form->AddNewFiles, Qt::LeftButton);
    ASSERT_TRUE(editor_open());
    EXPECT_EQ(editor()->windowTitle(), "Adding to ");
    EXPECT_EQ(editor()->BitBtn1->text(), "Add");
    EXPECT_EQ(editor()->Edit1->text(), "*.doc");

    for (const char* filter : {"a.txt", "b.txt", "c.txt"}) {
        set_filter(QString::fromLatin1(filter));
        confirm();
        EXPECT_TRUE(editor_open());
    }
    EXPECT_EQ(filters(), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
    EXPECT_EQ(form->document().line(3), (CopyLine{source, "c.txt", destination, "Yes", "No"}));
    EXPECT_TRUE(form->document().modified());
    EXPECT_EQ(grid_row(), 1); // the first line added to an empty list is selected
    EXPECT_EQ(form->FileList_StringGrid->model()->rowCount(), 3);
}

TEST_F(LineCommandsWindowTest, InsertThenOkAndInsertThenCloseWithoutOk) {
    fill_three_lines();
    select_row(2);
    QTest::mouseClick(form->Button_insert, Qt::LeftButton);
    ASSERT_TRUE(editor_open());
    EXPECT_EQ(editor()->windowTitle(), "Editing Daily.vtl");
    EXPECT_EQ(editor()->BitBtn1->text(), "OK");
    EXPECT_EQ(editor()->Edit1->text(), "two.*");
    EXPECT_FALSE(editor()->CheckBox_overwrite_old->isChecked());
    EXPECT_TRUE(editor()->Do_sub_dirs->isChecked());
    set_filter("new.*");
    confirm();
    EXPECT_FALSE(editor_open());
    EXPECT_EQ(form->editor_row, 0);
    EXPECT_EQ(filters(), (std::vector<std::string>{"one.*", "new.*", "two.*", "three.*"}));
    EXPECT_EQ(grid_row(), 2); // the inserted line
    EXPECT_TRUE(form->document().modified());

    // Insert again and leave the editor with its close button: nothing changes.
    form->document().set_modified(false);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    select_row(2);
    QTest::mouseClick(form->Button_insert, Qt::LeftButton);
    ASSERT_TRUE(editor_open());
    EXPECT_EQ(form->FileList_StringGrid->model()->rowCount(), 5);
    QTest::mouseClick(editor()->BitBtn2, Qt::LeftButton);
    EXPECT_EQ(filters(), (std::vector<std::string>{"one.*", "new.*", "two.*", "three.*"}));
    EXPECT_EQ(form->FileList_StringGrid->model()->rowCount(), 4);
    EXPECT_FALSE(form->document().modified());
    EXPECT_EQ(grid_row(), 2);
    EXPECT_EQ(form->editor_row, 0);
}

TEST_F(LineCommandsWindowTest, ClosingTheMainWindowDuringAnInsertNeverSavesTheRoomLine) {
    fill_three_lines();
    select_row(2);
    QTest::mouseClick(form->Button_insert, Qt::LeftButton);
    ASSERT_TRUE(editor_open());
    // The list is unchanged once the editor is gone, so there is no question to ask.
    EXPECT_TRUE(form->close());
    EXPECT_EQ(filters(), (std::vector<std::string>{"one.*", "two.*", "three.*"}));
}

TEST_F(LineCommandsWindowTest, EditOnAnEmptyListAddsAndStaysOpen) {
    form->entry_defaults = {source, destination, "*.*", "No", "No"};
    QTest::mouseClick(form->Edit_entry, Qt::LeftButton);
    ASSERT_TRUE(editor_open());
    EXPECT_TRUE(editor()->windowTitle().startsWith("Adding to "));
    EXPECT_EQ(editor()->BitBtn1->text(), "Change");
    confirm();
    confirm();
    EXPECT_TRUE(editor_open());
    EXPECT_EQ(form->document().line_count(), 2);
    EXPECT_EQ(form->document().line(1), (CopyLine{source, "*.*", destination, "No", "No"}));
}

TEST_F(LineCommandsWindowTest, EditByDoubleClickChangesTheLineAndCloses) {
    fill_three_lines();
    QTableView* grid = form->FileList_StringGrid;
    const QRect cell = grid->visualRect(grid->model()->index(2, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    ASSERT_TRUE(editor_open());
    EXPECT_EQ(editor()->BitBtn1->text(), "Change");
    EXPECT_EQ(editor()->Edit1->text(), "three.*");
    editor()->CheckBox_overwrite_old->click();
    confirm();
    EXPECT_FALSE(editor_open());
    EXPECT_EQ(form->document().line(3), (CopyLine{source, "three.*", destination, "Yes", "Yes"}));
}

TEST_F(LineCommandsWindowTest, AddWhileEditingRefillsForANewLine) {
    fill_three_lines();
    form->entry_defaults = {"", "", "*.new", "No", "No"};
    select_row(3);
    QTest::mouseClick(form->Edit_entry, Qt::LeftButton);
    QTest::mouseClick(form->AddNewFiles, Qt::LeftButton);
    EXPECT_EQ(editor()->BitBtn1->text(), "Add");
    EXPECT_EQ(editor()->Edit1->text(), "*.new");
    confirm();
    EXPECT_TRUE(editor_open());
    EXPECT_EQ(filters(), (std::vector<std::string>{"one.*", "two.*", "three.*", "*.new"}));
}

TEST_F(LineCommandsWindowTest, DeleteOfTheMiddleLineKeepsTheThirdLinesOwnFlags) {
    fill_three_lines();
    form->document().set_line(3, {source, "three.*", destination, "Yes", "No"});
    form->document().set_modified(false);
    select_row(2);
    QTest::mouseClick(form->DeletFilesfromList, Qt::LeftButton);
    EXPECT_EQ(filters(), (std::vector<std::string>{"one.*", "three.*"}));
    EXPECT_EQ(form->document().line(2), (CopyLine{source, "three.*", destination, "Yes", "No"}));
    EXPECT_TRUE(form->document().modified());
    EXPECT_EQ(form->document().current_row(), 2);
    EXPECT_EQ(grid_row(), 2);
    QTest::mouseClick(form->DeletFilesfromList, Qt::LeftButton);
    EXPECT_EQ(grid_row(), 1); // the last line went: the new last one is current
    QTest::mouseClick(form->DeletFilesfromList, Qt::LeftButton);
    EXPECT_EQ(form->FileList_StringGrid->model()->rowCount(), 0);
    EXPECT_EQ(form->document().current_row(), 0);
}

TEST_F(LineCommandsWindowTest, EmptyListBoxesFromMenuItems) {
    prompter.expect("Empty List", "There is no list of files to Insert a line into.", Answer::Ok);
    form->menu.Insert1->trigger();
    prompter.expect("Empty List", "There is no list of files to delete from!", Answer::Ok);
    form->menu.Delete1->trigger();
    EXPECT_FALSE(editor()->isVisible());
    EXPECT_FALSE(form->document().modified());
}

TEST_F(LineCommandsWindowTest, MenuKeysInTheGridRunTheLineCommands) {
    fill_three_lines();
    select_row(2);
    QTableView* grid = form->FileList_StringGrid;
    grid->setFocus();

    QTest::keyClick(grid, Qt::Key_Delete);
    EXPECT_EQ(filters(), (std::vector<std::string>{"one.*", "three.*"}));

    QTest::keyClick(grid, Qt::Key_Insert);
    ASSERT_TRUE(editor_open());
    EXPECT_EQ(editor()->BitBtn1->text(), "OK");
    EXPECT_EQ(form->editor_row, 2);

    grid->activateWindow(); // the editor came up in front with the focus
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_F2);
    EXPECT_EQ(editor()->BitBtn1->text(), "Change");
    EXPECT_EQ(filters(), (std::vector<std::string>{"one.*", "three.*"})); // Insert taken back

    grid->activateWindow();
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(editor()->BitBtn1->text(), "Add");
    EXPECT_EQ(form->editor_row, 0);
}

TEST_F(LineCommandsWindowTest, AFileSpecificationIsRequired) {
    fill_three_lines();
    select_row(1);
    QTest::mouseClick(form->Edit_entry, Qt::LeftButton);
    set_filter("");
    prompter.expect("No File!", "Cannot add an entry witout a file name for filter specfication",
                    Answer::Ok);
    confirm();
    EXPECT_FALSE(editor_open()); // an editor opened for a line closes all the same
    EXPECT_EQ(form->document().line(1)[kSpecColumn], "one.*");
    EXPECT_TRUE(form->document().modified());
}

TEST_F(LineCommandsWindowTest, ChangeAfterDeletionsAboveChangesTheLineItShows) {
    fill_three_lines();
    select_row(3);
    QTest::mouseClick(form->Edit_entry, Qt::LeftButton);
    select_row(1);
    QTest::mouseClick(form->DeletFilesfromList, Qt::LeftButton);
    QTest::mouseClick(form->DeletFilesfromList, Qt::LeftButton);
    EXPECT_EQ(form->editor_row, 1); // "three.*" is now the first line
    set_filter("kept.*");
    confirm();
    EXPECT_EQ(filters(), (std::vector<std::string>{"kept.*"}));
    EXPECT_EQ(form->FileList_StringGrid->model()->rowCount(), 1); // visible in the grid
}

struct EditorRowCase {
    const char* what;
    std::function<void()> meanwhile;
    const char* title;              // the editor's title afterwards, empty: the editor has closed
    const char* button;             // its confirm button
    std::vector<std::string> after; // the filters after the button was pressed
};

// The editor is open on the third line ("Edit Selected Line") while the main window
// changes the list; its button then changes the line it shows, and no other.
TEST_F(LineCommandsWindowTest, TheEditorChangesTheLineItShowsAndNoOther) {
    const EditorRowCase cases[] = {
        {"delete above",
         [this] {
             select_row(1);
             QTest::mouseClick(form->DeletFilesfromList, Qt::LeftButton);
         },
         "Editing Daily.vtl",
         "Change",
         {"two.*", "new.*"}},
        {"delete the line itself",
         [this] { QTest::mouseClick(form->DeletFilesfromList, Qt::LeftButton); },
         "Adding to Daily.vtl",
         "Add",
         {"one.*", "two.*", "new.*"}},
        {"insert above: the Insert takes the editor over",
         [this] {
             select_row(1);
             QTest::mouseClick(form->Button_insert, Qt::LeftButton);
         },
         "Editing Daily.vtl",
         "OK",
         {"new.*", "one.*", "two.*", "three.*"}},
        {"load another list",
         [this] {
             test::save_list(dir / "Other.vtl", {{source, "other.*", destination, "No", "No"}});
             form->recent_files = {dir / "Daily.vtl", dir / "Other.vtl"};
             form->settings_commands->update_files_history();
             form->menu.recent[0]->trigger();
         },
         "",
         "",
         {"other.*"}},
    };
    for (const EditorRowCase& c : cases) {
        form->document().replace_lines({});
        fill_three_lines();
        select_row(3);
        QTest::mouseClick(form->Edit_entry, Qt::LeftButton);
        ASSERT_TRUE(editor_open());
        c.meanwhile();
        if (*c.title == '\0') {
            EXPECT_FALSE(editor_open()) << c.what;
        } else {
            ASSERT_TRUE(editor_open()) << c.what;
            EXPECT_EQ(editor()->windowTitle(), c.title) << c.what;
            EXPECT_EQ(editor()->BitBtn1->text(), c.button) << c.what;
            set_filter("new.*");
            confirm();
            EXPECT_EQ(editor_open(), std::string(c.button) == "Add") << c.what;
        }
        EXPECT_EQ(filters(), c.after) << c.what;
        if (editor_open())
            editor()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(LineCommandsWindowTest, ChangeKeepsTheBytesOfFieldsLeftAsTheyWere) {
    // A folder and a mask written in a Windows code page: not UTF-8.
    const std::string folder = dir.mkdir("caf\xE9");
    const CopyLine line = {source, "r\xE9sum\xE9*.doc", folder, "Yes", "No"};
    form->document().append_line(line);
    form->document().set_modified(false);
    select_row(1);
    prompter.answer_next(Answer::Ok); // the folder list cannot show such a folder
    QTest::mouseClick(form->Edit_entry, Qt::LeftButton);
    ASSERT_TRUE(editor_open());
    confirm();
    EXPECT_EQ(form->document().line(1), line);

    // An edited field is taken as typed; the others keep their bytes.
    prompter.answer_next(Answer::Ok);
    QTest::mouseClick(form->Edit_entry, Qt::LeftButton);
    set_filter("*.txt");
    editor()->Do_sub_dirs->click();
    confirm();
    EXPECT_EQ(form->document().line(1), (CopyLine{source, "*.txt", folder, "Yes", "Yes"}));
}

TEST_F(LineCommandsWindowTest, AFolderNamedWithALineBreakIsRefused) {
    fill_three_lines();
    const std::string odd = dir.mkdir("two\nlines");
    select_row(1);
    QTest::mouseClick(form->Edit_entry, Qt::LeftButton);
    ASSERT_TRUE(editor()->DirectoryListBox1->set_directory(QString::fromLocal8Bit(odd)).ok);
    prompter.expect("Line Break!",
                    "Cannot add an entry whose source directory holds a line break: a list "
                    "file cannot store it",
                    Answer::Ok);
    confirm();
    EXPECT_TRUE(editor_open()); // another folder can be picked
    EXPECT_EQ(form->document().line(1)[kSourceColumn], source);
    EXPECT_FALSE(form->document().modified());
}

} // namespace
} // namespace vt
