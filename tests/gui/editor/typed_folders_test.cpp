// Folders typed, pasted and made in the entry editor, with real keys.
#include "gui/editor/directory_list_box.h"
#include "gui/editor/folder_path_edit.h"
#include "gui/editor/vt_entry.h"
#include "gui/screens/modal_helper.h"
#include "gui/window/vt_main.h"
#include "support/open_main_window.h"
#include "support/recording_desktop_services.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QDir>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeWidgetItem>
#include <gtest/gtest.h>

namespace vt {
namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

class TypedFoldersTest : public ::testing::Test {
protected:
    void SetUp() override {
        source = dir.mkdir("source");
        dir.write("source/a.txt", "a");
        dir.mkdir("source/sub");
        destination = dir.mkdir("destination");
        dir.mkdir("destination/inner");
        ASSERT_NO_FATAL_FAILURE(form = test::open_main_window({&prompter, &desktop}));
    }
    void TearDown() override { EXPECT_TRUE(prompter.done()); }

    TVT_add_Form& open_editor(EntryDefaults defaults = {}) {
        form->entry_defaults = std::move(defaults);
        QTest::mouseClick(form->AddNewFiles, Qt::LeftButton);
        TVT_add_Form* e = form->add_form();
        EXPECT_TRUE(e && QTest::qWaitForWindowExposed(e));
        e->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(e));
        return *e;
    }
    // Types into the field as a user does: it has the focus, its text is replaced.
    static void type_into(QLineEdit* edit, const QString& text) {
        edit->setFocus(Qt::TabFocusReason);
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, text);
        if (QCompleter* c = edit->completer())
            c->popup()->hide(); // typing fast: the offered folders are passed by
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }

    test::TempDir dir;
    std::string source, destination;
    test::ScriptedPrompter prompter;
    test::RecordingDesktopServices desktop;
    std::unique_ptr<TVT_main_Form> form;
};

TEST_F(TypedFoldersTest, ATypedDestinationThatIsNotThereYetIsTakenAndMadeByTheRun) {
    TVT_add_Form& e = open_editor({source, destination, "*.txt", "No", "No"});
    const std::string typed = dir / "backup/2024/new";

    type_into(e.Edit_destDir, q(typed));

    EXPECT_EQ(form->document().line_count(), 0); // Enter chose the folder, it added nothing
    EXPECT_EQ(e.DirectoryListBox2->directory(), q(typed));
    EXPECT_EQ(e.Edit_destDir->text(), q(typed));
    QTest::mouseClick(e.BitBtn1, Qt::LeftButton);
    ASSERT_EQ(form->document().line_count(), 1);
    EXPECT_EQ(form->document().line(1), (CopyLine{source, "*.txt", typed, "No", "No"}));

    form->set_copy_options({false, false, 0});
    form->BitBtn_do_copy->click();
    EXPECT_EQ(test::read_file(typed + "/a.txt"), "a");
}

TEST_F(TypedFoldersTest, ATypedSourceIsFollowedAndAMissingOneIsReported) {
    TVT_add_Form& e = open_editor({destination, destination, "*.*", "No", "No"});
    type_into(e.Edit_sourceDir, q(source + "/sub/../sub"));
    EXPECT_EQ(e.DirectoryListBox1->directory(), q(source + "/sub"));
    EXPECT_EQ(e.Edit_sourceDir->text(), q(source + "/sub"));

    prompter.expect("Vantorel", dir / "nothing" + ": No such file or directory.", Answer::Ok);
    type_into(e.Edit_sourceDir, q(dir / "nothing"));
    EXPECT_EQ(e.DirectoryListBox1->directory(), q(source + "/sub")); // stays
    EXPECT_EQ(e.Edit_sourceDir->text(), q(source + "/sub"));
    EXPECT_EQ(form->document().line_count(), 0);

    type_into(e.Edit_sourceDir, QStringLiteral("~"));
    EXPECT_EQ(e.DirectoryListBox1->directory(), QDir::homePath());
}

TEST_F(TypedFoldersTest, TheTypedFolderOffersTheFoldersOfTheDisk) {
    TVT_add_Form& e = open_editor({source, destination, "*.*", "No", "No"});
    e.Edit_destDir->setFocus(Qt::TabFocusReason);
    QTest::keyClick(e.Edit_destDir, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(e.Edit_destDir, q(dir / "desti"));
    QAbstractItemView* popup = e.Edit_destDir->completer()->popup();
    for (int i = 0; i < 300 && !popup->isVisible(); ++i) // the disk is read in the background
        QTest::qWait(10);
    ASSERT_TRUE(popup->isVisible());
    EXPECT_EQ(e.Edit_destDir->completer()->currentCompletion(), q(destination));
    popup->hide();
}

TEST_F(TypedFoldersTest, EnterOnAFolderListEntersTheFolderAndAddsNothing) {
    TVT_add_Form& e = open_editor({source, destination, "*.*", "No", "No"});
    e.DirectoryListBox1->setFocus(Qt::TabFocusReason);
    QTreeWidgetItem* sub = e.DirectoryListBox1->findItems("sub", Qt::MatchRecursive).value(0);
    ASSERT_TRUE(sub);
    e.DirectoryListBox1->setCurrentItem(sub);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);

    EXPECT_EQ(e.DirectoryListBox1->directory(), q(source + "/sub"));
    EXPECT_EQ(form->document().line_count(), 0);
    EXPECT_TRUE(e.isVisible());
}

TEST_F(TypedFoldersTest, NewFolderMakesTheFolderInTheSelectedOneAndChoosesIt) {
    TVT_add_Form& e = open_editor({source, destination, "*.*", "No", "No"});
    // A subfolder highlighted, not entered: the new folder goes inside it.
    QTreeWidgetItem* inner = e.DirectoryListBox2->findItems("inner", Qt::MatchRecursive).value(0);
    ASSERT_TRUE(inner);
    e.DirectoryListBox2->setCurrentItem(inner);
    test::OnModal<QInputDialog> name([](QInputDialog& d) {
        QWidget* field = QApplication::focusWidget();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, "Fresh");
        QTest::keyClick(field, Qt::Key_Return);
        (void)d;
    });

    QTest::mouseClick(e.Button_newFolder, Qt::LeftButton);

    EXPECT_EQ(name.seen, 1);
    EXPECT_TRUE(QDir(q(destination + "/inner/Fresh")).exists());
    EXPECT_EQ(e.DirectoryListBox2->directory(), q(destination + "/inner/Fresh"));
    EXPECT_EQ(e.Edit_destDir->text(), q(destination + "/inner/Fresh"));
    EXPECT_EQ(form->document().line_count(), 0);

    // A name taken already is refused with the system's word for it.
    QTreeWidgetItem* parent = e.DirectoryListBox2->findItems("inner", Qt::MatchRecursive).value(0);
    ASSERT_TRUE(parent); // now an ancestor of the chosen folder
    e.DirectoryListBox2->setCurrentItem(parent);
    prompter.expect("Vantorel", destination + "/inner/Fresh: File exists.", Answer::Ok);
    test::OnModal<QInputDialog> again([](QInputDialog& d) {
        d.setTextValue(QStringLiteral("Fresh"));
        d.accept();
    });
    QTest::mouseClick(e.Button_newFolder, Qt::LeftButton);
    EXPECT_EQ(again.seen, 1);
    EXPECT_EQ(e.DirectoryListBox2->directory(), q(destination + "/inner/Fresh"));
}

TEST_F(TypedFoldersTest, ANewEditorOpensWhereTheUserLastChoseElseAtHome) {
    {
        TVT_add_Form& first = open_editor();
        EXPECT_EQ(first.DirectoryListBox1->directory(), QDir::homePath());
        EXPECT_EQ(first.DirectoryListBox2->directory(), QDir::homePath());
        type_into(first.Edit_sourceDir, q(source));
        type_into(first.Edit_destDir, q(destination + "/inner"));
        first.close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    TVT_add_Form& second = open_editor();
    EXPECT_EQ(second.DirectoryListBox1->directory(), q(source));
    EXPECT_EQ(second.DirectoryListBox2->directory(), q(destination + "/inner"));
}

} // namespace
} // namespace vt
