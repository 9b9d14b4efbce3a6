// The main window while "Copy Now" runs: the list's message box closed without OK,
// the list kept as it is under the run, and the program ended from the introduction
// screen.
#include "gui/editor/vt_entry.h"
#include "gui/run/copy_controller.h"
#include "gui/screens/modal_helper.h"
#include "gui/screens/vt_intro.h"
#include "gui/window/vt_main.h"
#include "support/open_main_window.h"
#include "support/probe_prompter.h"
#include "support/recording_desktop_services.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>

namespace vt {
namespace {

// Acts once on every real message box that comes up, until the test ends. The act
// must not wait for another box: this timer fires again only once it has returned.
class OnEveryBox {
public:
    explicit OnEveryBox(std::function<void(QMessageBox&)> act) : act_(std::move(act)) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            // Boxes come and go at the same address: each carries its own mark.
            if (box && box->isVisible() && !box->property("seen").toBool()) {
                box->setProperty("seen", true);
                act_(*box);
            }
        });
        timer_.start();
    }

private:
    std::function<void(QMessageBox&)> act_;
    QTimer timer_;
};

class ListDuringRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        src = dir.mkdir("src");
        for (int i = 0; i < 4; ++i)
            dir.write("src/f" + std::to_string(i), "content");
    }
    // The window with the list of one line; `prompter` null: real message boxes.
    void open(Prompter* with) {
        ASSERT_NO_FATAL_FAILURE(form = test::open_main_window({with, &desktop}));
        form->document().append_line({src, "*.*", dir / "dst", "No", "No"});
        ASSERT_TRUE(form->save_vtl(dir / "list.vtl"));
        form->set_copy_options({false, false, 0});
    }
    int copied() const {
        int n = 0;
        for (int i = 0; i < 4; ++i)
            n += test::exists(dir / ("dst/f" + std::to_string(i)));
        return n;
    }
    TVT_add_Form* editor() const { return form->add_form(); }

    test::TempDir dir;
    std::string src;
    test::ProbePrompter prompter;
    test::RecordingDesktopServices desktop;
    std::unique_ptr<TVT_main_Form> form;
};

TEST_F(ListDuringRunTest, TheMessageBoxClosedWithoutOkStartsNothing) {
    open(nullptr);
    form->Edit3->setText("Insert the backup disk");
    const std::pair<const char*, std::function<void(QMessageBox&)>> ways[] = {
        {"Esc", [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }},
        {"close box", [](QMessageBox& box) { box.close(); }},
    };
    for (const auto& [way, close] : ways) {
        int visible_buttons = 0;
        OnEveryBox user([&, close = close](QMessageBox& box) {
            EXPECT_EQ(box.windowTitle(), "Confirm");
            EXPECT_EQ(box.text(), "Insert the backup disk");
            for (QAbstractButton* b : box.buttons())
                visible_buttons += b->isVisible();
            close(box);
        });
        form->BitBtn_do_copy->click();
        EXPECT_EQ(visible_buttons, 1) << way; // OK alone
        EXPECT_EQ(copied(), 0) << way;
        EXPECT_EQ(form->BitBtn_do_copy->text(), "Copy Now");
    }
    // OK starts it.
    OnEveryBox user([](QMessageBox& box) { box.button(QMessageBox::Ok)->click(); });
    form->BitBtn_do_copy->click();
    EXPECT_EQ(copied(), 4);
}

TEST_F(ListDuringRunTest, StopCopyWhoseMessageBoxIsClosedLeavesTheRunGoing) {
    open(nullptr);
    form->Edit3->setText("Insert the backup disk");
    form->set_copy_options({true, false, 0}); // a question for every file holds the run
    for (const bool by_escape : {true, false}) {
        std::remove((dir / "dst/f0").c_str());
        int messages = 0;
        bool stop_clicked = false;
        OnEveryBox user([&](QMessageBox& box) {
            if (box.windowTitle() == "Confirm") {
                if (++messages == 1)
                    box.button(QMessageBox::Ok)->click();
                else if (by_escape)
                    QTest::keyClick(&box, Qt::Key_Escape);
                else
                    box.close();
                return;
            }
            ASSERT_EQ(box.windowTitle(), "Copy this file?");
            if (!stop_clicked) {
                stop_clicked = true;
                // "Stop Copy" while the run waits: the message comes again, over this
                // box, which is answered once the message has gone.
                EXPECT_EQ(form->BitBtn_do_copy->text(), "Stop Copy");
                QTimer::singleShot(0, &box, [this, &box] {
                    form->BitBtn_do_copy->click();
                    box.button(QMessageBox::Yes)->click();
                });
                return;
            }
            box.button(QMessageBox::Yes)->click();
        });
        form->BitBtn_do_copy->click();
        EXPECT_EQ(messages, 2);
        EXPECT_EQ(copied(), 4) << "the run went on to its end";
        EXPECT_EQ(form->BitBtn_do_copy->text(), "Copy Now");
    }
}

TEST_F(ListDuringRunTest, TheEntryEditorChangesNoLineDuringARun) {
    open(&prompter);
    form->set_copy_options({true, false, 0});
    const CopyLine line = form->document().line(1);
    form->Edit_entry->click();
    ASSERT_TRUE(editor()->isVisible());
    editor()->Edit1->setText("changed.*");
    int asked = 0;
    prompter.answer = [&](const Prompt&) {
        if (++asked == 1) {
            EXPECT_FALSE(editor()->BitBtn1->isEnabled());
            editor()->BitBtn1Click(); // however it is reached
            QTest::keyClick(editor()->Edit1, Qt::Key_Return);
            QTableView* grid = form->FileList_StringGrid;
            const QRect cell = grid->visualRect(grid->model()->index(0, 0));
            QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
            EXPECT_EQ(form->document().line(1), line);
            EXPECT_EQ(form->document().line_count(), 1);
            EXPECT_TRUE(editor()->isVisible());
            EXPECT_EQ(editor()->Edit1->text(), "changed.*"); // not refilled
        }
        return Answer::Yes;
    };
    form->BitBtn_do_copy->click();
    EXPECT_EQ(asked, 4) << "a question per file, the first with the editor open";
    EXPECT_EQ(copied(), 4);
    EXPECT_FALSE(form->document().modified());
    // Once the run has ended the editor's button works again.
    ASSERT_TRUE(editor()->BitBtn1->isEnabled());
    QTest::mouseClick(editor()->BitBtn1, Qt::LeftButton);
    EXPECT_EQ(form->document().line(1)[kSpecColumn], "changed.*");
}

TEST_F(ListDuringRunTest, AnInsertAbandonedDuringARunIsTakenBackAfterIt) {
    open(&prompter);
    form->set_copy_options({true, false, 0});
    form->Button_insert->click(); // the line and its duplicate
    ASSERT_EQ(form->document().line_count(), 2);
    int asked = 0;
    prompter.answer = [&](const Prompt&) {
        if (++asked == 1) {
            editor()->close();
            EXPECT_EQ(form->document().line_count(), 2); // not under the run
        }
        return Answer::Yes;
    };
    form->BitBtn_do_copy->click();
    EXPECT_GE(asked, 1);
    EXPECT_EQ(form->document().line_count(), 1);
    EXPECT_FALSE(form->document().modified());
}

TEST_F(ListDuringRunTest, RejectingTheIntroductionStopsTheRunThenEnds) {
    open(&prompter);
    form->set_copy_options({true, true, 1});
    test::OnModal<TIntro_Form> user([](TIntro_Form& s) { s.BitBtn3->click(); });
    int asked = 0;
    prompter.answer = [&](const Prompt& p) {
        if (p.title == "Copy this file?" && ++asked == 1)
            form->menu.ShowtheIntroductionScreen1->trigger();
        return p.title == "Copy this file?" ? Answer::Yes : Answer::No;
    };
    QTimer::singleShot(0, form.get(), [this] { form->BitBtn_do_copy->click(); });
    QTimer::singleShot(10000, [] { QCoreApplication::exit(99); }); // a failing test ends too
    const int status = QApplication::exec();

    EXPECT_EQ(user.seen, 1);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(copied(), 1); // the file in hand, then the stop
    const std::string journal = test::read_file(dir / "list.txt");
    EXPECT_NE(journal.find("1 Files copied in total"), std::string::npos) << journal;
    EXPECT_NE(journal.find("Journal file Ended"), std::string::npos) << journal;
    EXPECT_FALSE(form->isVisible());
}

} // namespace
} // namespace vt
