// Keys pressed in the main window by keyboard: those that edit text stay with the
// message field that has the focus; in the grid they run the menu's line commands.
#include "gui/editor/vt_entry.h"
#include "gui/window/text_keys_to_text.h"
#include "gui/window/vt_main.h"
#include "support/open_main_window.h"
#include "support/recording_desktop_services.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace vt {
namespace {

constexpr const char* kMessage = "Insert the disk";

class TextKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(form = test::open_main_window({&prompter, &desktop}));
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        triggered.clear();
        dir.mkdir("src");
        dir.mkdir("dst");
        for (const char* filter : {"one.*", "two.*", "three.*"})
            form->document().append_line({dir / "src", filter, dir / "dst", "No", "No"});
        form->Edit3->setText(QString::fromLatin1(kMessage));
        form->document().set_current_row(2);
        for (QAction* a : {form->menu.CopyNow1, form->menu.Add1, form->menu.Insert1,
                           form->menu.Edit2, form->menu.Delete1})
            QObject::connect(a, &QAction::triggered, [this, a] { triggered << a->objectName(); });
        QApplication::clipboard()->setText(QStringLiteral("XY"));
    }
    void TearDown() override { EXPECT_TRUE(prompter.done()); }

    void focus(QWidget* widget) {
        widget->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), widget);
    }
    bool editor_open() const { return form->add_form() && form->add_form()->isVisible(); }

    test::TempDir dir;
    test::ScriptedPrompter prompter;
    test::RecordingDesktopServices desktop;
    std::unique_ptr<TVT_main_Form> form;
    QStringList triggered;
};

TEST_F(TextKeysTest, EditingKeysInTheMessageEditTheTextAndLeaveTheList) {
    struct Case {
        const char* label;
        QKeyCombination key;
        int from, length;   // the selection before the key; length 0: the caret at `from`
        const char* typed;  // typed before the key, at the caret
        const char* text;   // the message after the key
        const char* copied; // the clipboard after the key
    };
    const QKeyCombination ctrl_z(Qt::ControlModifier, Qt::Key_Z);
    for (const Case& c : {
             Case{"Del", Qt::Key_Delete, 0, 0, "", "nsert the disk", "XY"},
             Case{"Ins", Qt::Key_Insert, 0, 0, "", kMessage, "XY"},
             Case{"Shift+Ins", Qt::ShiftModifier | Qt::Key_Insert, 0, 0, "", "XYInsert the disk",
                  "XY"},
             Case{"Ctrl+V", Qt::ControlModifier | Qt::Key_V, 7, 0, "", "Insert XYthe disk", "XY"},
             Case{"Ctrl+C", Qt::ControlModifier | Qt::Key_C, 0, 6, "", kMessage, "Insert"},
             Case{"Ctrl+Ins", Qt::ControlModifier | Qt::Key_Insert, 11, 4, "", kMessage, "disk"},
             Case{"Ctrl+X", Qt::ControlModifier | Qt::Key_X, 0, 7, "", "the disk", "Insert "},
             Case{"Shift+Del", Qt::ShiftModifier | Qt::Key_Delete, 0, 7, "", "the disk", "Insert "},
             Case{"Ctrl+Del", Qt::ControlModifier | Qt::Key_Delete, 0, 0, "", "the disk", "XY"},
             Case{"Backspace", Qt::Key_Backspace, 1, 0, "", "nsert the disk", "XY"},
             Case{"Ctrl+Z", ctrl_z, 0, 0, "Please ", kMessage, "XY"},
             Case{"Ctrl+A then a letter", Qt::ControlModifier | Qt::Key_A, 0, 0, "", "q", "XY"},
         }) {
        SCOPED_TRACE(c.label);
        triggered.clear();
        form->Edit3->setText(QString::fromLatin1(kMessage));
        QApplication::clipboard()->setText(QStringLiteral("XY"));
        ASSERT_NO_FATAL_FAILURE(focus(form->Edit3));
        form->Edit3->setSelection(c.from, c.length);
        if (c.length == 0)
            form->Edit3->setCursorPosition(c.from);
        QTest::keyClicks(form->Edit3, QString::fromLatin1(c.typed));
        QTest::keyClick(form->Edit3, c.key.key(), c.key.keyboardModifiers());
        if (c.key == (Qt::ControlModifier | Qt::Key_A))
            QTest::keyClicks(form->Edit3, "q"); // replaces the whole selection
        EXPECT_EQ(form->Edit3->text(), QString::fromLatin1(c.text));
        EXPECT_EQ(form->document().message(), c.text);
        EXPECT_EQ(QApplication::clipboard()->text(), QString::fromLatin1(c.copied));
        EXPECT_TRUE(triggered.isEmpty()) << triggered.join(' ').toStdString();
        EXPECT_EQ(form->document().line_count(), 3);
        EXPECT_FALSE(editor_open());
        EXPECT_EQ(QApplication::focusWidget(), form->Edit3);
    }
}

TEST_F(TextKeysTest, TheMenuKeysRunTheirCommandsFromTheGrid) {
    struct Case {
        const char* label;
        bool in_message; // else the grid has the focus
        QKeyCombination key;
        const char* command;
        int lines;          // in the list afterwards
        const char* button; // the entry editor's confirm button, "" when it stays closed
    };
    for (const Case& c : {
             Case{"Del", false, Qt::Key_Delete, "Delete1", 2, ""},
             Case{"Ins", false, Qt::Key_Insert, "Insert1", 4, "OK"},
             Case{"Shift+Ins", false, Qt::ShiftModifier | Qt::Key_Insert, "Add1", 3, "Add"},
             Case{"F2", false, Qt::Key_F2, "Edit2", 3, "Change"},
             // F2 means nothing to text: it edits the selected line from the message too.
             Case{"F2 in the message", true, Qt::Key_F2, "Edit2", 3, "Change"},
         }) {
        SCOPED_TRACE(c.label);
        TearDown();
        SetUp();
        QWidget* target = c.in_message ? static_cast<QWidget*>(form->Edit3)
                                       : static_cast<QWidget*>(form->FileList_StringGrid);
        ASSERT_NO_FATAL_FAILURE(focus(target));
        QTest::keyClick(target, c.key.key(), c.key.keyboardModifiers());
        EXPECT_EQ(triggered, QStringList{QString::fromLatin1(c.command)});
        EXPECT_EQ(form->document().line_count(), c.lines);
        EXPECT_EQ(editor_open(), *c.button != '\0');
        if (editor_open()) {
            EXPECT_EQ(form->add_form()->BitBtn1->text(), QString::fromLatin1(c.button));
        }
        EXPECT_EQ(form->Edit3->text(), QString::fromLatin1(kMessage));
    }
}

TEST(TextKeysToTextTest, KeysOfCommandsAreNotTextKeys) {
    const auto text_key = [](Qt::Key key, Qt::KeyboardModifiers modifiers, const QString& text) {
        const QKeyEvent event(QEvent::ShortcutOverride, key, modifiers, text);
        return TextKeysToText::is_text_key(event);
    };
    EXPECT_TRUE(text_key(Qt::Key_Insert, Qt::NoModifier, {}));
    EXPECT_TRUE(text_key(Qt::Key_Delete, Qt::AltModifier, {}));
    EXPECT_TRUE(text_key(Qt::Key_Home, Qt::ShiftModifier, {}));
    EXPECT_TRUE(text_key(Qt::Key_A, Qt::ShiftModifier, QStringLiteral("A")));
    // The window's own keys: help, edit a line, the hidden screen shot, menus.
    EXPECT_FALSE(text_key(Qt::Key_F1, Qt::NoModifier, {}));
    EXPECT_FALSE(text_key(Qt::Key_F2, Qt::NoModifier, {}));
    EXPECT_FALSE(text_key(Qt::Key_S, Qt::ControlModifier, QStringLiteral("\x13")));
    EXPECT_FALSE(text_key(Qt::Key_F, Qt::AltModifier, QStringLiteral("f")));
    EXPECT_FALSE(text_key(Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b")));
    EXPECT_FALSE(text_key(Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r")));
}

} // namespace
} // namespace vt
