// The list text editor, opened modally from the main window's Edit menu.
#include "gui/list/vt_memo.h"
#include "gui/window/vt_main.h"
#include "support/generated_fields.h"
#include "support/open_main_window.h"
#include "support/recording_desktop_services.h"
#include "support/scripted_prompter.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <QTextCursor>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace vt {
namespace {

class VtlEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(form = test::open_main_window({&prompter, &desktop}));
        form->Edit3->setText("Close the accounts package");
        form->document().append_line({"/a", "*.*", "/b", "Yes", "No"});
        form->document().append_line({"/c d", "x,y.txt", "/e", "No", "Yes"});
        form->document().set_modified(false);
    }

    // Opens the editor from the menu and runs `act` on it while it is shown modally.
    void with_editor(const std::function<void(TEdit_vtl_Form&)>& act) {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto* editor = qobject_cast<TEdit_vtl_Form*>(QApplication::activeModalWidget());
            ASSERT_NE(editor, nullptr);
            ran = true;
            act(*editor);
            if (editor->isVisible()) { // a failed step must not leave the test stuck
                ADD_FAILURE() << "the editor is still open";
                editor->reject();
            }
        });
        form->menu.EditinVTLformat1->trigger();
        EXPECT_TRUE(ran);
    }

    test::ScriptedPrompter prompter;
    test::RecordingDesktopServices desktop;
    std::unique_ptr<TVT_main_Form> form;
};

TEST_F(VtlEditorTest, ShowsTheLinesWithoutTheMessage) {
    with_editor([](TEdit_vtl_Form& editor) {
        EXPECT_EQ(editor.windowTitle(), "Editing in VTL Format");
        EXPECT_EQ(
            editor.Memo1->toPlainText(),
            "\"/a\",\"*.*\",\"/b\",\"Yes\",\"No\"\n\"/c d\",\"x,y.txt\",\"/e\",\"No\",\"Yes\"");
        EXPECT_TRUE(editor.isModal());
        EXPECT_EQ(editor.width(), editor.screen()->availableGeometry().width());
        editor.BitBtn3->click();
    });
}

TEST_F(VtlEditorTest, OkWithoutChangeKeepsTheLinesAndTheModifiedFlag) {
    // A no-break space in a folder name and a line far wider than the window.
    form->document().append_line({"/data/My\u00a0Files", "*.*", "/b", "No", "No"});
    form->document().append_line({"/" + std::string(3000, 'x'), "a b", "/c", "Yes", "Yes"});
    const auto before = form->document().lines();
    for (bool modified : {false, true}) {
        form->document().set_modified(modified);
        with_editor(
            [](TEdit_vtl_Form& editor) { QTest::mouseClick(editor.BitBtn1, Qt::LeftButton); });
        EXPECT_EQ(form->document().lines(), before);
        EXPECT_EQ(form->document().modified(), modified);
    }
}

TEST_F(VtlEditorTest, FieldsKeepTheirBytesUnlessTheirLineIsEdited) {
    std::mt19937 random(7);
    form->document().replace_lines({});
    // Two lines that look alike on screen: they differ only in bytes that are no UTF-8.
    form->document().append_line({"/caf\xE9", "*.*", "/d", "No", "No"});
    form->document().append_line({"/caf\xE8", "*.*", "/d", "No", "No"});
    for (int i = 0; i < 20; ++i)
        form->document().append_line(test::generated_line(random));
    form->document().set_modified(false);
    const auto before = form->document().lines();

    // OK without a change: every byte as it was, and the list is not marked.
    with_editor([](TEdit_vtl_Form& editor) { editor.BitBtn1->click(); });
    EXPECT_EQ(form->document().lines(), before);
    EXPECT_FALSE(form->document().modified());

    // A line typed in front of them all: the other lines keep their bytes.
    with_editor([](TEdit_vtl_Form& editor) {
        editor.Memo1->moveCursor(QTextCursor::Start);
        QTest::keyClicks(editor.Memo1, "\"/new\",\"*.*\",\"/d\",\"No\",\"No\"");
        QTest::keyClick(editor.Memo1, Qt::Key_Return);
        editor.BitBtn1->click();
    });
    ASSERT_EQ(form->document().line_count(), 23);
    EXPECT_EQ(form->document().line(1), (CopyLine{"/new", "*.*", "/d", "No", "No"}));
    const auto& after = form->document().lines();
    EXPECT_EQ(std::vector<CopyLine>(after.begin() + 1, after.end()), before);
    EXPECT_TRUE(form->document().modified());
}

TEST_F(VtlEditorTest, TypingAndDeletingThenCancelKeepsTheLinesButMarksTheList) {
    const auto before = form->document().lines();
    with_editor([](TEdit_vtl_Form& editor) {
        editor.Memo1->setFocus();
        QTest::keyClick(editor.Memo1, Qt::Key_Z);
        QTest::keyClick(editor.Memo1, Qt::Key_Backspace);
        QTest::mouseClick(editor.BitBtn3, Qt::LeftButton);
    });
    EXPECT_EQ(form->document().lines(), before);
    EXPECT_TRUE(form->document().modified());
}

TEST_F(VtlEditorTest, EscClosesWithoutApplying) {
    const auto before = form->document().lines();
    with_editor([](TEdit_vtl_Form& editor) {
        editor.Memo1->clear();
        QTest::keyClick(&editor, Qt::Key_Escape);
    });
    EXPECT_EQ(form->document().lines(), before);
    EXPECT_TRUE(form->document().modified()); // the text was changed all the same
}

TEST_F(VtlEditorTest, EmptyTextGivesAnEmptyListAndKeepsTheMessage) {
    with_editor([](TEdit_vtl_Form& editor) {
        editor.Memo1->selectAll();
        QTest::keyClick(editor.Memo1, Qt::Key_Delete);
        editor.BitBtn1->click();
    });
    EXPECT_EQ(form->document().line_count(), 0);
    EXPECT_EQ(form->FileList_StringGrid->model()->rowCount(), 0);
    EXPECT_EQ(form->Edit3->text(), "Close the accounts package");
    EXPECT_EQ(form->document().message(), "Close the accounts package");
    EXPECT_TRUE(form->document().modified());
}

TEST_F(VtlEditorTest, TypedLinesAreSplitAsEntryLines) {
    with_editor([](TEdit_vtl_Form& editor) {
        editor.Memo1->setPlainText(
            "alpha beta gamma\n\n\"/x\",\"*.c\",\"/y\",\"Yes\",\"Yes\",\"extra\"\n");
        editor.BitBtn1->click();
    });
    const CopyList& list = form->document();
    ASSERT_EQ(list.line_count(), 3); // the last line break makes no line of its own
    EXPECT_EQ(list.line(1), (CopyLine{"alpha", "beta", "gamma", "", ""}));
    EXPECT_EQ(list.line(2), (CopyLine{"", "", "", "", ""}));
    EXPECT_EQ(list.line(3), (CopyLine{"/x", "*.c", "/y", "Yes", "Yes"}));
    EXPECT_EQ(list.current_row(), 1);
}

TEST_F(VtlEditorTest, ALineBreakInAFolderNameStaysInItsLine) {
    const std::string ls = "\xE2\x80\xA8", ps = "\xE2\x80\xA9", nel = "\xC2\x85";
    // "␤" and "¶", the signs the text shows such breaks as, in a name of their own.
    const std::string signs = "\xE2\x90\xA4\xC2\xB6";
    const struct {
        const char* what;
        std::string source;
    } cases[] = {
        {"line separator", "/tmp/a" + ls + "b"},
        {"paragraph separator", "/tmp/a" + ps + "b"},
        {"next line", "/tmp/a" + nel + "b"},
        {"carriage return", "/tmp/a\rb"},
        {"line feed", "/tmp/a\nb"},
        {"every one, beside their signs", "/t" + signs + ls + ps + nel + "\r\n" + signs},
    };
    enum class Edit { Elsewhere, InTheLine };
    for (const auto& c : cases) {
        for (const Edit edit : {Edit::Elsewhere, Edit::InTheLine}) {
            const std::string what =
                std::string(c.what) + (edit == Edit::Elsewhere ? ", edited elsewhere" : ", edited");
            form->document().replace_lines({});
            form->document().append_line({c.source, "*.x", "/tmp/d", "Yes", "No"});
            form->document().append_line({"/tmp/c", "*.y", "/tmp/e", "No", "No"});
            with_editor([&](TEdit_vtl_Form& editor) {
                EXPECT_EQ(editor.Memo1->document()->blockCount(), 2) << what;
                EXPECT_FALSE(editor.Memo1->toPlainText().contains(QChar::LineSeparator)) << what;
                QTextCursor cursor = editor.Memo1->textCursor();
                if (edit == Edit::Elsewhere) {
                    cursor.movePosition(QTextCursor::End);
                    editor.Memo1->setTextCursor(cursor);
                    QTest::keyClick(editor.Memo1, Qt::Key_Z);
                    QTest::keyClick(editor.Memo1, Qt::Key_Backspace);
                } else {
                    // The last field of the line, "No", becomes "Yes".
                    cursor.movePosition(QTextCursor::Start);
                    cursor.movePosition(QTextCursor::EndOfBlock);
                    editor.Memo1->setTextCursor(cursor);
                    for (int i = 0; i < 3; ++i)
                        QTest::keyClick(editor.Memo1, Qt::Key_Backspace);
                    QTest::keyClicks(editor.Memo1, "Yes\"");
                }
                editor.BitBtn1->click();
            });
            EXPECT_EQ(form->document().line_count(), 2) << what;
            if (form->document().line_count() != 2)
                continue;
            EXPECT_EQ(form->FileList_StringGrid->model()->rowCount(), 2) << what;
            EXPECT_EQ(form->document().line(1), (CopyLine{c.source, "*.x", "/tmp/d", "Yes",
                                                          edit == Edit::Elsewhere ? "No" : "Yes"}))
                << what;
            EXPECT_EQ(form->document().line(2), (CopyLine{"/tmp/c", "*.y", "/tmp/e", "No", "No"}))
                << what;
        }
    }
}

TEST_F(VtlEditorTest, LineEndsTypedEndLinesAndSignsTypedStaySigns) {
    with_editor([](TEdit_vtl_Form& editor) {
        editor.Memo1->setPlainText(QString());
        editor.Memo1->insertPlainText(QString::fromUtf8("\"/x\xC2\xB6\",\"*.c\",\"/y\""));
        QTest::keyClick(editor.Memo1, Qt::Key_Return, Qt::ShiftModifier);
        editor.Memo1->insertPlainText(QStringLiteral("\"/z\",\"*.d\",\"/w\""));
        editor.BitBtn1->click();
    });
    const CopyList& list = form->document();
    ASSERT_EQ(list.line_count(), 2);
    EXPECT_EQ(list.line(1), (CopyLine{"/x\xC2\xB6", "*.c", "/y", "", ""}));
    EXPECT_EQ(list.line(2), (CopyLine{"/z", "*.d", "/w", "", ""}));
}

TEST_F(VtlEditorTest, HelpOnlyOnceHelpExists) {
    with_editor([](TEdit_vtl_Form& editor) {
        editor.BitBtn2->click();
        editor.BitBtn3->click();
    });
    EXPECT_TRUE(desktop.help_topics.empty());
    form->HelpAvailable = true;
    with_editor([](TEdit_vtl_Form& editor) {
        editor.BitBtn2->click();
        EXPECT_TRUE(editor.isVisible());
        editor.BitBtn3->click();
    });
    EXPECT_EQ(desktop.help_topics, (std::vector<std::string>{"Editing VTL"}));
}

TEST_F(VtlEditorTest, ButtonsStandInOneRowUnderTheText) {
    with_editor([](TEdit_vtl_Form& editor) {
        struct Case {
            int width, first_left;
        };
        // Wider than five buttons: the row is centred; otherwise it starts half a button in.
        for (const Case& c : {Case{800, (800 - 9 * 37) / 2}, Case{300, 37}}) {
            editor.resize(c.width, 300);
            EXPECT_EQ(editor.Memo1->geometry(), QRect(0, 0, c.width, 250));
            EXPECT_EQ(editor.BitBtn1->pos(), QPoint(c.first_left, 262));
            EXPECT_EQ(editor.BitBtn2->pos(), QPoint(c.first_left + 75 + 37, 262));
            EXPECT_EQ(editor.BitBtn3->pos(), QPoint(c.first_left + 2 * (75 + 37), 262));
        }
        editor.reject();
    });
}

TEST_F(VtlEditorTest, TheWindowGoesAwayWhenClosed) {
    QPointer<TEdit_vtl_Form> seen;
    with_editor([&](TEdit_vtl_Form& editor) {
        seen = &editor;
        editor.reject();
    });
    EXPECT_TRUE(seen.isNull());
}

} // namespace
} // namespace vt
