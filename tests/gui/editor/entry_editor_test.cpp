// The entry editor window, driven offscreen through the main window.
#include "core/platform/file_names.h"
#include "gui/editor/directory_list_box.h"
#include "gui/editor/drive_combo_box.h"
#include "gui/editor/file_list_box.h"
#include "gui/editor/folder_path_edit.h"
#include "gui/editor/vt_entry.h"
#include "gui/window/vt_main.h"
#include "support/open_main_window.h"
#include "support/recording_desktop_services.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <gtest/gtest.h>

namespace vt {
namespace {

class EntryEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        source = dir.mkdir("source");
        destination = dir.mkdir("destination");
        ASSERT_NO_FATAL_FAILURE(form = test::open_main_window({&prompter, &desktop}));
    }
    void TearDown() override { EXPECT_TRUE(prompter.done()); }

    TVT_add_Form& open_for_new_line(EntryDefaults defaults) {
        form->entry_defaults = std::move(defaults);
        QTest::mouseClick(form->AddNewFiles, Qt::LeftButton);
        TVT_add_Form* editor = form->add_form();
        EXPECT_TRUE(editor && editor->isVisible());
        if (editor) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(editor));
        }
        return *editor;
    }
    static QStringList items_of(const FileListBox* list) {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }
    static QString q(const std::string& s) { return QString::fromStdString(s); }

    test::TempDir dir;
    std::string source, destination;
    test::ScriptedPrompter prompter;
    test::RecordingDesktopServices desktop;
    std::unique_ptr<TVT_main_Form> form;
};

TEST_F(EntryEditorTest, ControlsStandAsDesigned) {
    TVT_add_Form& e = open_for_new_line({});
    struct Case {
        QWidget* control;
        QString hint;
    };
    const Case cases[] = {
        {e.Panel1, {}},
        {e.CheckBox_overwrite_old,
         "Select if existing versions of files are to be replaced by default if their times match "
         "the source files"},
        {e.Do_sub_dirs, "Select if subdirectories should be searched for matching files"},
        {e.Edit1,
         "File specification for files including wildcards, Double click to list matching files in "
         "source directory"},
        {e.DriveComboBox1, "Source drive"},
        {e.DriveComboBox2, "Destination drive"},
        {e.DirectoryListBox1, "Source directory in which to search fo files to copy "},
        {e.DirectoryListBox2, "Destination directory into which files are to be copied"},
        {e.Button_newFolder, "Make a new folder inside the selected destination directory"},
        {e.Edit_sourceDir, "Type or paste the source directory"},
        {e.Edit_destDir,
         "Type or paste the destination directory; one that does not exist yet is made by the "
         "copy"},
        {e.BitBtn1, "Save the current specification to the main list"},
        {e.BitBtn3, {}},
        {e.BitBtn2, {}},
    };
    // Every control can be seen and reached: inside its parent, clear of the others
    // beside it. (The file list is hidden until asked for, over the folder lists.)
    for (const Case& c : cases) {
        const std::string name = c.control->objectName().toStdString();
        EXPECT_EQ(c.control->toolTip(), c.hint) << name;
        EXPECT_TRUE(c.control->isVisible()) << name;
        EXPECT_TRUE(c.control->parentWidget()->rect().contains(c.control->geometry())) << name;
        for (const Case& other : cases) {
            if (other.control != c.control &&
                other.control->parentWidget() == c.control->parentWidget()) {
                EXPECT_FALSE(c.control->geometry().intersects(other.control->geometry()))
                    << name << " overlaps " << other.control->objectName().toStdString();
            }
        }
    }
    EXPECT_EQ(e.Button_newFolder->text(), "&New Folder...");
    EXPECT_EQ(e.CheckBox_overwrite_old->text(), "Replace Existing Versions");
    EXPECT_EQ(e.Do_sub_dirs->text(), "Copy Subdirectories");
    EXPECT_EQ(e.BitBtn3->text(), "&Help");
    EXPECT_EQ(e.BitBtn2->text(), "&Close");
    EXPECT_EQ(e.Label_fileSpec->text(), "File Specification");
    EXPECT_EQ(e.Label1->text(), "Source Directory");
    EXPECT_EQ(e.Label2->text(), "Destination Directory");
    for (QLabel* l : {e.Label3, e.Label4, e.Label5})
        EXPECT_EQ(l->parentWidget(), e.Panel1);
    EXPECT_EQ(e.File1->title(), "Defaults");
    QStringList captions;
    for (QAction* a : e.File1->actions())
        captions << a->text();
    EXPECT_EQ(captions, QStringList({"Save current values as Startup defaults", "Restore Defaults",
                                     "Clear Current Defaults", "ScreenShot"}));
    EXPECT_FALSE(e.ScreenShot1->isVisible());
    EXPECT_FALSE(e.FileListBox1->isVisible());
}

TEST_F(EntryEditorTest, ANewLineStartsFromTheDefaults) {
    form->document().set_file_name(dir / "Weekly.vtl");
    TVT_add_Form& e = open_for_new_line({source, destination, "*.doc", "yes", "No"});
    EXPECT_EQ(e.windowTitle(), "Adding to Weekly.vtl");
    EXPECT_EQ(e.DirectoryListBox1->directory(), q(source));
    EXPECT_EQ(e.DirectoryListBox2->directory(), q(destination));
    EXPECT_EQ(e.Label_sourceDir->text(), q(source)); // in full when the editor opens
    EXPECT_EQ(e.Label_dest_dir->text(), q(destination));
    EXPECT_EQ(e.Edit1->text(), "*.doc");
    EXPECT_EQ(e.Label6->text(), "*.doc");
    EXPECT_TRUE(e.CheckBox_overwrite_old->isChecked()); // "yes" counts for a new line
    EXPECT_FALSE(e.Do_sub_dirs->isChecked());

    // ...but "Restore Defaults" takes only the exact "Yes".
    e.RestoreDefaults1->trigger();
    EXPECT_FALSE(e.CheckBox_overwrite_old->isChecked());
    EXPECT_EQ(e.Edit1->text(), "*.doc");
}

TEST_F(EntryEditorTest, ClearThenRestoreDefaults) {
    TVT_add_Form& e = open_for_new_line({source, destination, "*.doc", "Yes", "Yes"});
    e.ClearCurrentDefaults1->trigger();
    EXPECT_EQ(form->entry_defaults, (EntryDefaults{"", "", "", "No", "No"}));
    EXPECT_EQ(e.Edit1->text(), "*.doc"); // clearing does not touch the controls
    EXPECT_TRUE(e.CheckBox_overwrite_old->isChecked());

    e.RestoreDefaults1->trigger();
    EXPECT_EQ(e.DirectoryListBox1->directory(), q(source));
    EXPECT_EQ(e.DirectoryListBox2->directory(), q(destination));
    EXPECT_EQ(e.Edit1->text(), "");
    EXPECT_FALSE(e.CheckBox_overwrite_old->isChecked());
    EXPECT_FALSE(e.Do_sub_dirs->isChecked());
}

TEST_F(EntryEditorTest, SaveCurrentValuesAsDefaults) {
    TVT_add_Form& e = open_for_new_line({source, destination, "*.*", "No", "No"});
    e.Edit1->setText("*.xls");
    e.Do_sub_dirs->setChecked(true);
    e.SavecurrentvaluesasStartupdefaults1->trigger();
    EXPECT_EQ(form->entry_defaults, (EntryDefaults{source, destination, "*.xls", "No", "Yes"}));
}

TEST_F(EntryEditorTest, MatchingFilesFollowTheSpecification) {
    for (const char* name : {"a.txt", "b.TXT", "c.doc"})
        dir.write(std::string("source/") + name, "x");
    TVT_add_Form& e = open_for_new_line({source, destination, "*.*", "No", "No"});
    e.Edit1->clear();
    QTest::keyClicks(e.Edit1, "*.txt");
    EXPECT_EQ(items_of(e.FileListBox1), QStringList({"a.txt", "b.TXT"}));
    EXPECT_EQ(e.Label6->text(), "*.txt");
    EXPECT_EQ(e.Edit1->cursorPosition(), 5); // typing is not disturbed by the refill

    e.Edit1->clear();
    QTest::keyClicks(e.Edit1, "report.txt");
    EXPECT_EQ(e.FileListBox1->mask(), "*.txt"); // a plain name leaves the mask alone
    EXPECT_EQ(e.Label6->text(), "report.txt");

    QTest::mouseDClick(e.Edit1, Qt::LeftButton);
    EXPECT_TRUE(e.FileListBox1->isVisible());
    QTest::mouseDClick(e.Edit1, Qt::LeftButton);
    EXPECT_FALSE(e.FileListBox1->isVisible());

    QTest::mouseDClick(e.Edit1, Qt::LeftButton);
    const QRect first = e.FileListBox1->visualItemRect(e.FileListBox1->item(1));
    QTest::mouseClick(e.FileListBox1->viewport(), Qt::LeftButton, {}, first.center());
    EXPECT_EQ(e.Edit1->text(), "b.TXT");
    EXPECT_EQ(e.Label6->text(), "b.TXT");
    QTest::mouseDClick(e.FileListBox1->viewport(), Qt::LeftButton, {}, first.center());
    EXPECT_FALSE(e.FileListBox1->isVisible());
}

TEST_F(EntryEditorTest, AVeryLowWindowKeepsTheFolderListsUsable) {
    TVT_add_Form& e = open_for_new_line({});
    for (int client_height : {100, 434, 600}) {
        e.resize(e.width(), client_height + e.menuWidget()->height());
        const int h = std::max(e.centralWidget()->height() - 192 - 81, 66);
        EXPECT_EQ(e.DirectoryListBox1->height(), h) << client_height;
        EXPECT_EQ(e.DirectoryListBox2->height(), h - 24);
        EXPECT_EQ(e.Button_newFolder->geometry().bottom(),
                  e.DirectoryListBox1->geometry().bottom());
        for (FolderPathEdit* typed : {e.Edit_sourceDir, e.Edit_destDir})
            EXPECT_EQ(typed->y(), 192 + h + 4);
        for (QPushButton* b : {e.BitBtn1, e.BitBtn2, e.BitBtn3})
            EXPECT_EQ(b->y(), 192 + h + 26 + 15);
        EXPECT_EQ(e.FileListBox1->geometry().bottom(), e.DirectoryListBox1->geometry().bottom());
        EXPECT_EQ(e.DirectoryListBox1->width(), 193); // widths never change
    }
}

TEST_F(EntryEditorTest, TheFolderListShowsAncestorsAndEntersByDoubleClick) {
    dir.mkdir("source/Reports");
    dir.mkdir("source/archive");
    TVT_add_Form& e = open_for_new_line({source, destination, "*.*", "No", "No"});
    DirectoryListBox* list = e.DirectoryListBox1;
    EXPECT_EQ(list->topLevelItem(0)->text(0), "/");
    QTreeWidgetItem* current = list->currentItem();
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(DirectoryListBox::path_of(current), q(source));
    ASSERT_EQ(current->childCount(), 2);
    EXPECT_EQ(current->child(0)->text(0), "archive");

    QTreeWidgetItem* reports = current->child(1);
    const QRect rect = list->visualItemRect(reports);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(list->directory(), q(source + "/Reports"));
    EXPECT_EQ(e.FileListBox1->directory(), q(source + "/Reports"));
    EXPECT_TRUE(e.Label_sourceDir->text().endsWith("/Reports"));

    // The parent entered again from the ancestors.
    QTreeWidgetItem* parent = list->currentItem()->parent();
    const QRect up = list->visualItemRect(parent);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, up.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, up.center());
    EXPECT_EQ(list->directory(), q(source));
}

TEST_F(EntryEditorTest, AMissingFolderIsReportedAndTheEditorStillOpens) {
    const std::string gone = dir / "unplugged";
    prompter.expect("Vantorel", gone + ": No such file or directory.", Answer::Ok);
    TVT_add_Form& e = open_for_new_line({gone, destination, "*.txt", "No", "No"});
    EXPECT_TRUE(e.isVisible()); // its Defaults menu stays within reach
    EXPECT_EQ(e.DirectoryListBox1->directory(), q(gone));
    EXPECT_EQ(e.DirectoryListBox2->directory(), q(destination)); // the rest is filled
    EXPECT_EQ(e.Edit1->text(), "*.txt");
    EXPECT_EQ(e.FileListBox1->count(), 0);

    // Its parent can still be entered.
    QTreeWidgetItem* parent = e.DirectoryListBox1->currentItem()->parent();
    const QRect up = e.DirectoryListBox1->visualItemRect(parent);
    QTest::mouseClick(e.DirectoryListBox1->viewport(), Qt::LeftButton, {}, up.center());
    QTest::mouseDClick(e.DirectoryListBox1->viewport(), Qt::LeftButton, {}, up.center());
    EXPECT_EQ(e.DirectoryListBox1->directory(), q(dir.path()));
}

TEST_F(EntryEditorTest, ChangingALineWhoseDiskIsAwayKeepsItsFolder) {
    const std::string away = "/media/vantorel-test-absent/Data";
    form->document().append_line({away, "*.doc", destination, "Yes", "Yes"});
    prompter.expect("Vantorel", away + ": No such file or directory.", Answer::Ok);
    QTest::mouseClick(form->Edit_entry, Qt::LeftButton);
    TVT_add_Form& e = *form->add_form();
    e.Edit1->setText("*.odt");
    QTest::mouseClick(e.BitBtn1, Qt::LeftButton);
    EXPECT_EQ(form->document().line(1), (CopyLine{away, "*.odt", destination, "Yes", "Yes"}));
}

TEST_F(EntryEditorTest, DrivesPickMountPoints) {
    DriveComboBox box(nullptr, {{"/dev/sda1", "/", "ext4"}, {"/dev/sdb1", "/media/usb", "vfat"}});
    EXPECT_EQ(box.itemText(1), "/media/usb  [/dev/sdb1]");
    box.set_drive_for("/media/usb/photos");
    EXPECT_EQ(box.drive(), "/media/usb");
    box.set_drive_for("/home/anna");
    EXPECT_EQ(box.drive(), "/");

    TVT_add_Form& e = open_for_new_line({source, destination, "*.*", "No", "No"});
    const int root = e.DriveComboBox2->findData(QStringLiteral("/"));
    ASSERT_GE(root, 0);
    e.DriveComboBox2->setCurrentIndex(root);
    emit e.DriveComboBox2->activated(root);
    EXPECT_EQ(e.DirectoryListBox2->directory(), "/");
    EXPECT_EQ(e.Label_dest_dir->text(), "/");
}

TEST_F(EntryEditorTest, EnterConfirmsAndEscapeCloses) {
    TVT_add_Form& e = open_for_new_line({source, destination, "*.*", "No", "Yes"});
    e.Edit1->setFocus();
    QTest::keyClick(e.Edit1, Qt::Key_Return);
    ASSERT_EQ(form->document().line_count(), 1);
    EXPECT_EQ(form->document().line(1), (CopyLine{source, "*.*", destination, "No", "Yes"}));

    QTest::keyClick(e.Edit1, Qt::Key_Escape);
    EXPECT_TRUE(e.closed());
    EXPECT_FALSE(e.isVisible());
    EXPECT_EQ(form->editor_row, 0);
}

TEST_F(EntryEditorTest, ANewWindowAfterClosingStartsFromTheDesign) {
    TVT_add_Form* first = &open_for_new_line({source, destination, "*.doc", "No", "No"});
    first->close();
    QPointer<TVT_add_Form> old = first;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(old.isNull()); // destroyed when closed

    TVT_add_Form& second = open_for_new_line({"", "", "", "Yes", "Yes"});
    EXPECT_EQ(second.Edit1->text(), "*.*");
    EXPECT_TRUE(second.CheckBox_overwrite_old->isChecked());
}

TEST_F(EntryEditorTest, HelpAndTheSnapshotKey) {
    TVT_add_Form& e = open_for_new_line({});
    QTest::mouseClick(e.BitBtn3, Qt::LeftButton);
    EXPECT_TRUE(desktop.help_topics.empty());
    form->HelpAvailable = true;
    QTest::mouseClick(e.BitBtn3, Qt::LeftButton);
    EXPECT_EQ(desktop.help_topics, (std::vector<std::string>{"Copy Specification"}));
    EXPECT_TRUE(e.isVisible());

    int shots = 0;
    QObject::connect(e.ScreenShot1, &QAction::triggered, [&shots] { ++shots; });
    e.activateWindow();
    QTest::keyClick(&e, Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(shots, 1);
    const std::string picture = names::program_folder() + "VT_Edit.bmp";
    EXPECT_TRUE(test::exists(picture));
    std::remove(picture.c_str());
}

TEST_F(EntryEditorTest, TheMainWindowsKeysStayOutOfTheEditor) {
    form->document().append_line({source, "kept.*", destination, "No", "No"});
    TVT_add_Form& e = open_for_new_line({source, destination, "*.doc", "No", "No"});
    e.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&e));
    e.Edit1->setFocus();
    e.Edit1->setCursorPosition(0);
    QTest::keyClick(e.Edit1, Qt::Key_Delete);
    QTest::keyClick(e.Edit1, Qt::Key_Insert);
    QTest::keyClick(e.Edit1, Qt::Key_F2);
    e.Do_sub_dirs->setFocus();
    QTest::keyClick(e.Do_sub_dirs, Qt::Key_Delete);
    EXPECT_EQ(e.Edit1->text(), ".doc");
    EXPECT_EQ(form->document().line_count(), 1);
    EXPECT_EQ(e.BitBtn1->text(), "Add");
}

} // namespace
} // namespace vt
