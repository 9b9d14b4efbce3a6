#include "core/platform/sys.h"
#include "core/run/journal.h"
#include "gui/run/copy_controller.h"
#include "gui/run/run_progress_panel.h"
#include "gui/window/settings_commands.h"
#include "gui/window/vt_main.h"
#include "support/open_main_window.h"
#include "support/probe_prompter.h"
#include "support/recording_desktop_services.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace vt {
namespace {

// The run's progress sits in the window's client area under the grid, clear of the
// grid and the message edit.
void expect_under_the_grid(TVT_main_Form& form) {
    const RunProgressPanel* panel = form.copy_controller().progress_panel();
    EXPECT_TRUE(panel->isVisible());
    const QRect p = panel->geometry();
    EXPECT_GT(p.top(), form.FileList_StringGrid->geometry().bottom());
    EXPECT_FALSE(p.intersects(form.Edit3->geometry()));
    EXPECT_LE(p.bottom(), panel->parentWidget()->rect().bottom());
    EXPECT_GE(p.height(), RunProgressPanel::kHeight);
}

class CopyControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        src = dir.mkdir("src");
        for (int i = 0; i < 4; ++i)
            dir.write("src/f" + std::to_string(i), "content");
        ASSERT_NO_FATAL_FAILURE(form = test::open_main_window({&prompter, &desktop}));
        form->document().append_line({src, "*.*", dir / "dst", "No", "No"});
        ASSERT_TRUE(form->save_vtl(dir / "list.vtl"));
        form->set_copy_options({true, true, 0});
    }
    int copied() const {
        int n = 0;
        for (int i = 0; i < 4; ++i)
            n += test::exists(dir / ("dst/f" + std::to_string(i)));
        return n;
    }
    std::string journal() const { return test::read_file(dir / "list.txt"); }

    test::TempDir dir;
    std::string src;
    test::ProbePrompter prompter;
    test::RecordingDesktopServices desktop;
    std::unique_ptr<TVT_main_Form> form;
};

TEST_F(CopyControllerTest, RunningStateAndDisabledCommands) {
    const int edit_width = form->Edit3->width();
    const QRect grid = form->FileList_StringGrid->geometry();
    QList<QObject*> commands = {form->menu.New1,
                                form->menu.Open1,
                                form->menu.Add1,
                                form->menu.Insert1,
                                form->menu.Edit2,
                                form->menu.Delete1,
                                form->menu.EditinVTLformat1,
                                form->AddNewFiles,
                                form->Button_insert,
                                form->Edit_entry,
                                form->DeletFilesfromList};
    for (QAction* a : form->menu.recent) {
        a->setVisible(true); // Qt reports a hidden item as disabled
        commands << a;
    }
    form->menu.recent[5]->setEnabled(false); // a state of its own, given back afterwards
    int checked = 0;
    prompter.answer = [&](const Prompt& p) -> Answer {
        if (p.title != "Copy this file?")
            return Answer::No;
        if (checked++ == 0) {
            EXPECT_EQ(form->BitBtn_do_copy->text(), "Stop Copy");
            EXPECT_EQ(form->BitBtn_do_copy->palette().color(QPalette::ButtonText), QColor(Qt::red));
            EXPECT_NE(QApplication::overrideCursor(), nullptr);
            if (QApplication::overrideCursor()) {
                EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
            }
            for (QObject* c : commands)
                EXPECT_FALSE(c->property("enabled").toBool()) << c->objectName().toStdString();
            EXPECT_TRUE(form->menu.Save1->isEnabled());
            expect_under_the_grid(*form);
            EXPECT_TRUE(
                form->copy_controller().progress_panel()->place_label()->text().contains("Line 1"));
        }
        return Answer::Yes;
    };
    form->BitBtn_do_copy->click();
    EXPECT_EQ(checked, 4);
    EXPECT_EQ(copied(), 4);
    EXPECT_EQ(form->BitBtn_do_copy->text(), "Copy Now");
    EXPECT_EQ(form->BitBtn_do_copy->palette().color(QPalette::ButtonText), QColor(Qt::black));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    for (QObject* c : commands)
        EXPECT_EQ(c->property("enabled").toBool(), c != form->menu.recent[5])
            << c->objectName().toStdString();
    EXPECT_FALSE(form->copy_controller().progress_panel()->isVisible());
    EXPECT_EQ(form->Edit3->width(), edit_width);
    EXPECT_EQ(form->FileList_StringGrid->geometry(), grid); // the idle window as before
    EXPECT_EQ(prompter.shown.back().title, "4 files copied");
}

// A recent file that comes into the menu while a run holds the commands is held with
// them, and free with them when the run ends, as is one that comes later.
TEST_F(CopyControllerTest, RecentFilesShownDuringOrAfterARunAreEnabledWhenNoneIsGoing) {
    struct Case {
        const char* label;
        bool during_run;
    };
    for (const Case& c : {Case{"during the run", true}, Case{"after the run", false}}) {
        SCOPED_TRACE(c.label);
        std::filesystem::remove_all(dir / "dst"); // every file is asked about again
        form->state().recent_files = {""};
        form->settings().update_files_history(); // every item hidden
        const auto add_two = [this] {
            form->settings().add_history_file(dir / "a.vtl");
            form->settings().add_history_file(dir / "b.vtl");
        };
        bool added = false;
        prompter.answer = [&](const Prompt& p) {
            if (p.title == "Copy this file?" && c.during_run && !added) {
                added = true;
                add_two();
                EXPECT_TRUE(form->menu.recent[0]->isVisible());
                EXPECT_FALSE(form->menu.recent[0]->isEnabled()); // the list is the run's
            }
            return Answer::Yes;
        };
        form->BitBtn_do_copy->click();
        ASSERT_EQ(copied(), 4);
        if (!c.during_run)
            add_two();
        EXPECT_EQ(form->menu.recent[0]->text().toStdString(), "&1 a.vtl");
        EXPECT_TRUE(form->menu.recent[0]->isEnabled());
        EXPECT_FALSE(form->menu.recent[1]->isVisible());
        // Shown later still, the other items come enabled too.
        for (int i = 0; i < 8; ++i)
            form->settings().add_history_file(dir / ("more" + std::to_string(i) + ".vtl"));
        for (QAction* item : form->menu.recent) {
            EXPECT_TRUE(item->isVisible()) << item->objectName().toStdString();
            EXPECT_TRUE(item->isEnabled()) << item->objectName().toStdString();
        }
    }
}

TEST_F(CopyControllerTest, StopCopyClickEndsTheRunAfterTheCurrentEntry) {
    bool clicked = false;
    prompter.answer = [&](const Prompt& p) {
        if (p.title == "Copy this file?" && !clicked) {
            clicked = true;
            // Delivered by the event pump after this entry.
            QTimer::singleShot(0, form->BitBtn_do_copy, &QToolButton::click);
        }
        return p.title == "Copy this file?" ? Answer::Yes : Answer::No;
    };
    form->BitBtn_do_copy->click();
    EXPECT_EQ(copied(), 1);
    EXPECT_FALSE(form->copy_controller().running());
    EXPECT_NE(journal().find("\r\n1 Files copied in total\r\n"), std::string::npos);
    EXPECT_EQ(form->BitBtn_do_copy->text(), "Copy Now");
}

TEST_F(CopyControllerTest, CtrlCStartsTheRunFromTheGridAndCopiesTextInTheMessage) {
    form->set_copy_options({false, false, 0});
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    form->Edit3->setText("Disk A");
    form->Edit3->selectAll();
    form->Edit3->setFocus();
    QTest::keyClick(form->Edit3, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(copied(), 0);
    EXPECT_EQ(QApplication::clipboard()->text(), "Disk A");

    form->FileList_StringGrid->setFocus();
    QTest::keyClick(form->FileList_StringGrid, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(copied(), 4);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].title, "Confirm"); // the list's message
}

TEST_F(CopyControllerTest, ClosingDuringARunStopsItFirst) {
    bool asked = false;
    prompter.answer = [&](const Prompt& p) {
        if (p.title == "Copy this file?" && !asked) {
            asked = true;
            QTimer::singleShot(0, form.get(), [this] { EXPECT_FALSE(form->close()); });
        }
        return p.title == "Copy this file?" ? Answer::Yes : Answer::No;
    };
    form->BitBtn_do_copy->click();
    EXPECT_EQ(copied(), 1);
    EXPECT_NE(journal().find("Vantorel Journal file Ended"), std::string::npos);
    EXPECT_TRUE(form->isVisible());
    // The close comes back once the run has ended.
    QTRY_VERIFY_WITH_TIMEOUT(!form->isVisible(), 2000);
}

TEST_F(CopyControllerTest, CheckBackupRunsAsARunDoesAndStopCopyEndsIt) {
    form->set_copy_options({false, true, 0});
    prompter.answer = [](const Prompt&) { return Answer::No; };
    form->BitBtn_do_copy->click();
    ASSERT_EQ(copied(), 4);
    form->document().append_line({dir / "unplugged", "*", dir / "dst", "No", "No"});
    form->document().append_line({src, "*", dir / "dst", "No", "No"});
    ASSERT_TRUE(form->save_vtl(dir / "list.vtl"));
    bool asked = false;
    prompter.answer = [&](const Prompt& p) {
        if (p.title != "Source Folder Access Problem")
            return Answer::No;
        asked = true;
        EXPECT_EQ(form->BitBtn_do_copy->text(), "Stop Copy");
        EXPECT_FALSE(form->menu.CheckBackup1->isEnabled());
        EXPECT_FALSE(form->menu.Open1->isEnabled());
        expect_under_the_grid(*form);
        QTimer::singleShot(0, form->BitBtn_do_copy, &QToolButton::click);
        return Answer::Ignore;
    };
    form->menu.CheckBackup1->trigger();
    EXPECT_TRUE(asked);
    EXPECT_FALSE(form->copy_controller().running());
    EXPECT_EQ(form->BitBtn_do_copy->text(), "Copy Now");
    EXPECT_TRUE(form->menu.CheckBackup1->isEnabled());
    EXPECT_NE(journal().find("\r\nSame: f3\r\n"), std::string::npos);
    EXPECT_NE(journal().find("The check was stopped before it had compared every file"),
              std::string::npos);
    EXPECT_NE(
        prompter.shown.back().title.find("1 folder could not be read, stopped before the end"),
        std::string::npos)
        << prompter.shown.back().title;
}

// A run held by the fault seam: every copy is dated a little late, on a clock the
// test moves a second per file.
TEST_F(CopyControllerTest, TheProgressBarShowsTheShareAndTheTimeLeft) {
    for (int i = 0; i < 30; ++i)
        dir.write("src/f" + std::to_string(i), std::string(1000, 'x'));
    form->set_copy_options({false, true, 0});
    RunMeter::Clock::time_point clock{};
    form->copy_controller().set_clock([&clock] { return clock; });
    form->copy_controller().set_jobs(1);
    const RunProgressPanel* panel = form->copy_controller().progress_panel();
    const auto run_thread = std::this_thread::get_id();
    int dated = 0;
    bool looked = false;
    sys::set_fault_hook([&](sys::Op op, const char* path) {
        // A copy's times are set on its descriptor; the folder's, after its files, by name.
        if (op != sys::Op::SetTimes || path || std::this_thread::get_id() != run_thread)
            return 0;
        clock += std::chrono::seconds(1);
        // Long enough for the window to show the progress of every file.
        std::this_thread::sleep_for(std::chrono::milliseconds(110));
        if (++dated == 13) {
            looked = true;
            expect_under_the_grid(*form);
            // Twelve files done, at a file a second.
            EXPECT_EQ(panel->bar()->maximum(), 1000);
            EXPECT_EQ(panel->bar()->value(), 400);
            EXPECT_EQ(panel->bar()->text(), "40%");
            const QString counts = panel->counts_label()->text();
            EXPECT_TRUE(counts.startsWith("12 of 30 files, 12.0 kB of 30.0 kB, "))
                << counts.toStdString();
            EXPECT_TRUE(counts.endsWith(", about 20 seconds left")) << counts.toStdString();
            EXPECT_TRUE(panel->place_label()->text().startsWith("Line 1: "))
                << panel->place_label()->text().toStdString();
        }
        return 0;
    });
    prompter.answer = [](const Prompt&) { return Answer::No; };
    form->BitBtn_do_copy->click();
    sys::clear_fault_hook();
    EXPECT_TRUE(looked);
    EXPECT_EQ(dated, 30);
    EXPECT_FALSE(panel->isVisible());
}

TEST(RunProgressPanelTest, WhileCountingTheBarSaysSoInsteadOfAShare) {
    RunProgressPanel panel(nullptr);
    RunMeter meter;
    meter.start();
    RunProgress now;
    now.copied = 3;
    now.total_files = 120;
    for (const bool known : {false, true}) {
        now.total_known = known;
        meter.update(now, false);
        panel.show_progress(meter, now);
        EXPECT_EQ(panel.bar()->text().toStdString(),
                  known ? "2%" : "Counting the files to copy...");
    }
}

} // namespace
} // namespace vt
