// "Schedule This List..." in the main window, offscreen: the dialog, saving first,
// the units written and taken back, and Copy Now refused while another run copies.
#include "core/platform/path_key.h"
#include "core/run/run_lock.h"
#include "core/schedule/recording_runner.h"
#include "core/schedule/unit_files.h"
#include "core/schedule/user_schedules.h"
#include "gui/list/scripted_file_dialog.h"
#include "gui/schedule/schedule_commands.h"
#include "gui/schedule/vt_schedule.h"
#include "gui/window/vt_main.h"
#include "support/open_main_window.h"
#include "support/recording_desktop_services.h"
#include "support/saved_list.h"
#include "support/scoped_env.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimeEdit>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

namespace vt {
namespace {

class ScheduleWindowTest : public ::testing::Test {
protected:
    void SetUp() override { dir.write("src/a.txt", "a"); }
    void TearDown() override {
        EXPECT_TRUE(prompter.done());
        EXPECT_TRUE(save_dialog.done());
    }
    std::unique_ptr<TVT_main_Form> open(const std::string& argument = {}) {
        return test::open_main_window({&prompter, &desktop, &open_dialog, &save_dialog, &runner},
                                      argument);
    }
    std::string saved_list(const std::string& name) {
        return test::save_list(dir / name, {{dir / "src", "*.txt", dir / "dst", "No", "No"}});
    }
    // Acts on the dialog once it runs, then presses OK (or Cancel).
    void on_dialog(TVT_main_Form& form, std::function<void(TSchedule_Form&)> act, bool ok = true) {
        form.schedule_commands->on_dialog([act, ok](TSchedule_Form& d) {
            QTimer::singleShot(0, &d, [&d, act, ok] {
                act(d);
                d.Buttons->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
            });
        });
    }

    test::TempDir dir;
    // Units of one test must not show in the next.
    test::ScopedEnv config{"XDG_CONFIG_HOME", dir / "config"};
    test::ScopedEnv state{"XDG_STATE_HOME", dir / "state"};
    test::ScopedEnv runtime = test::runtime_dir_in(dir);
    test::ScriptedPrompter prompter;
    test::RecordingDesktopServices desktop;
    test::ScriptedFileDialog open_dialog, save_dialog;
    test::RecordingRunner runner;
    UserSchedules schedules{runner, dir / "config/systemd/user"};
};

TEST_F(ScheduleWindowTest, TheItemFollowsTheOtherOptionsMenuCommands) {
    auto form = open();
    const QList<QAction*> items = form->menu.Options->actions();
    // Only the later copy options, in a group of their own, come after it.
    ASSERT_GE(items.size(), 6);
    const QAction* schedule = items[items.size() - 5];
    EXPECT_TRUE(items[items.size() - 6]->isSeparator());
    EXPECT_EQ(schedule, form->menu.ScheduleThisList1);
    EXPECT_EQ(schedule->text(), "Schedule &This List...");
    EXPECT_TRUE(schedule->shortcut().isEmpty());
    EXPECT_TRUE(items[items.size() - 4]->isSeparator());
    EXPECT_EQ(items[items.size() - 3], form->menu.CompareEachCopy1);
    EXPECT_EQ(items.back(), form->menu.DaysToKeepVersions1);
}

TEST_F(ScheduleWindowTest, AnUntitledListIsSavedFirstThenScheduled) {
    auto form = open();
    form->document().append_line({dir / "src", "*.txt", dir / "dst", "No", "No"});
    runner.manager = false;
    const std::string list = dir / "weekly list.vtl";
    save_dialog.answer(list);
    prompter.expect(
        "Vantorel",
        UserSchedules::no_manager_text(UserSchedules::enable_command(units::unit_stem(list))),
        Answer::Ok);
    on_dialog(*form, [](TSchedule_Form& d) {
        EXPECT_EQ(d.List_Label->text(), "List: Untitled (it is saved first when you press OK)");
        EXPECT_EQ(d.Frequency_ComboBox->currentText(), "Off");
        EXPECT_TRUE(d.CatchUp_CheckBox->isChecked());
        EXPECT_FALSE(d.Time_Edit->isEnabled());
        EXPECT_EQ(d.NextRun_Label->text(), "none, the list is not scheduled");
        EXPECT_EQ(d.LastRun_Label->text(), "none yet");
        EXPECT_TRUE(d.Manager_Label->isVisible());

        d.Frequency_ComboBox->setCurrentText("Hourly");
        EXPECT_EQ(d.Time_Caption->text(), "Minutes past the hour:");
        EXPECT_FALSE(d.Weekday_ComboBox->isEnabled());
        d.Frequency_ComboBox->setCurrentText("Weekly");
        d.Time_Edit->setTime(QTime(7, 30));
        d.Weekday_ComboBox->setCurrentText("Friday");
        d.CatchUp_CheckBox->setChecked(false);
        EXPECT_EQ(d.Time_Caption->text(), "Time of day:");
        EXPECT_TRUE(d.Weekday_ComboBox->isEnabled());
        EXPECT_TRUE(d.NextRun_Label->text().endsWith("(every Friday at 07:30, no catch-up)"));
    });
    form->menu.ScheduleThisList1->trigger();
    EXPECT_EQ(form->document().file_name(), list);
    EXPECT_FALSE(form->document().modified());
    const auto found = schedules.find(list);
    ASSERT_TRUE(found && found->schedule);
    EXPECT_EQ(*found->schedule, (Schedule{Frequency::Weekly, 7, 30, 5, false}));
}

TEST_F(ScheduleWindowTest, TheDialogShowsTheScheduleAndLastRunAndOffTakesItBack) {
    const std::string list = saved_list("daily.vtl");
    ASSERT_TRUE(schedules.set(list, {Frequency::Daily, 6, 15, 1, false}, VT_PROGRAM).result.ok);
    const RunRecord record{names::canonical_path(list), 1717927200, 12, 0, 0, dir / "daily.txt"};
    ASSERT_TRUE(write_run_record(record).ok);
    auto form = open(list);
    runner.calls.clear();
    on_dialog(*form, [&record](TSchedule_Form& d) {
        EXPECT_EQ(d.Frequency_ComboBox->currentText(), "Daily");
        EXPECT_EQ(d.Time_Edit->time(), QTime(6, 15));
        EXPECT_FALSE(d.CatchUp_CheckBox->isChecked());
        EXPECT_FALSE(d.Weekday_ComboBox->isEnabled());
        EXPECT_EQ(d.LastRun_Label->text().toStdString(), describe(record));
        EXPECT_FALSE(d.Manager_Label->isVisible());
        d.Frequency_ComboBox->setCurrentText("Off");
    });
    form->menu.ScheduleThisList1->trigger();
    const std::string timer = units::unit_stem(list) + ".timer";
    EXPECT_EQ(runner.calls,
              (std::vector<test::Argv>{
                  {"systemctl", "--user", "show", "--property=Version"},
                  {"systemctl", "--user", "show", "--property=Version"},
                  {"systemctl", "--user", "disable", "--now", timer},
                  {"systemctl", "--user", "stop", units::unit_stem(list) + ".service"},
                  {"systemctl", "--user", "daemon-reload"}}));
    EXPECT_FALSE(schedules.find(list));
    EXPECT_TRUE(schedules.all().empty());
}

TEST_F(ScheduleWindowTest, ACancelledSaveOrDialogWritesNothing) {
    auto form = open();
    form->document().append_line({dir / "src", "*.txt", dir / "dst", "No", "No"});
    save_dialog.answer(std::nullopt);
    on_dialog(*form, [](TSchedule_Form& d) { d.Frequency_ComboBox->setCurrentText("Daily"); });
    form->menu.ScheduleThisList1->trigger();
    on_dialog(
        *form, [](TSchedule_Form& d) { d.Frequency_ComboBox->setCurrentText("Daily"); }, false);
    form->menu.ScheduleThisList1->trigger();
    EXPECT_TRUE(schedules.all().empty());
    EXPECT_TRUE(form->document().file_name().empty());
}

TEST_F(ScheduleWindowTest, CopyNowIsRefusedWhileAnotherRunCopiesTheList) {
    const std::string list = saved_list("busy.vtl");
    auto form = open(list);
    form->VerifyEachFile->setChecked(false);
    form->CreateJournalFile->setChecked(false);
    {
        RunLock other(list);
        prompter.expect("Vantorel", RunLock::busy_text(list), Answer::Ok);
        form->BitBtn_do_copy->click();
        EXPECT_FALSE(test::exists(dir / "dst/a.txt"));
        EXPECT_EQ(form->BitBtn_do_copy->text(), "Copy Now");
    }
    // And while the window copies, a run without one is refused.
    prompter.while_open = [&](const Prompt&) {
        EXPECT_EQ(test::run_program({VT_PROGRAM, "--run", list}).status, 2);
    };
    form->document().set_message("Insert the disk");
    prompter.expect("Confirm", "Insert the disk", Answer::Ok);
    form->BitBtn_do_copy->click();
    EXPECT_EQ(test::read_file(dir / "dst/a.txt"), "a");
}

} // namespace
} // namespace vt
