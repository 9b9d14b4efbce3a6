// The main window with its settings file: copy options, startup list, recent files.
#include "core/platform/file_names.h"
#include "core/platform/sys.h"
#include "core/settings/settings_file.h"
#include "gui/window/settings_commands.h"
#include "gui/window/vt_main.h"
#include "support/open_main_window.h"
#include "support/recording_desktop_services.h"
#include "support/saved_list.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <cstdio>
#include <gtest/gtest.h>

namespace vt {
namespace {

using Strings = std::vector<std::string>;

class SettingsWindowTest : public ::testing::Test {
protected:
    void SetUp() override { std::remove(ini.c_str()); }
    void TearDown() override {
        sys::clear_fault_hook();
        std::remove(ini.c_str());
        EXPECT_TRUE(prompter.done());
    }

    std::unique_ptr<TVT_main_Form> start(const std::string& argument = {}) {
        return test::open_main_window({&prompter, &desktop}, argument);
    }
    std::string write_ini(const std::string& content) {
        Settings none; // creates the folder
        EXPECT_TRUE(write_settings(ini, none, 0).ok);
        std::FILE* f = std::fopen(ini.c_str(), "wb");
        std::fwrite(content.data(), 1, content.size(), f);
        std::fclose(f);
        return ini;
    }
    std::string make_list(const std::string& name, const std::string& message = "msg") {
        return test::save_list(dir / name, {{"/a", "*.*", "/b", "Yes", "No"}}, message);
    }
    static Strings menu_captions(TVT_main_Form& form) {
        Strings out;
        for (QAction* a : form.menu.recent)
            out.push_back(a->isVisible() ? a->text().toStdString() : "(hidden)");
        return out;
    }
    static void trigger(QAction* action) {
        ASSERT_TRUE(action->isEnabled());
        action->trigger();
    }

    const std::string ini = settings_file_path();
    test::TempDir dir;
    test::ScriptedPrompter prompter;
    test::RecordingDesktopServices desktop;
};

TEST_F(SettingsWindowTest, FirstStartWithoutSettingsUsesTheDefaults) {
    auto form = start();
    EXPECT_TRUE(form->VerifyEachFile->isChecked());
    EXPECT_TRUE(form->CreateJournalFile->isChecked());
    EXPECT_TRUE(form->RadioAppend->isChecked());
    EXPECT_TRUE(form->RadioGroup_append->isEnabled());
    EXPECT_EQ(form->entry_defaults, EntryDefaults{});
    EXPECT_TRUE(form->IntroFirst);
    EXPECT_TRUE(form->IntroShow);
    EXPECT_EQ(form->startup_list, "");
    EXPECT_EQ(form->recent_files, Strings{""});
    EXPECT_EQ(menu_captions(*form), Strings(9, "(hidden)"));
    EXPECT_FALSE(form->menu.CreateDesktopShortcutcurrentfile1->isVisible());
    EXPECT_FALSE(form->menu.N6->isVisible());
    EXPECT_FALSE(test::exists(ini)); // reading creates nothing
}

TEST_F(SettingsWindowTest, StoredValuesReachTheControlsAndState) {
    write_ini("[Options]\nVerifyEachFile=0\nJournalFile=0\nJournalFileAppend=1\n"
              "[Defaults]\nSource=/s\nFilter=\n[Introduction]\nfirst=0\nshow=1\n");
    auto form = start();
    EXPECT_FALSE(form->VerifyEachFile->isChecked());
    EXPECT_FALSE(form->CreateJournalFile->isChecked());
    EXPECT_TRUE(form->RadioCreateNew->isChecked());
    EXPECT_FALSE(form->RadioGroup_append->isEnabled()); // no journal: no journal option
    EXPECT_EQ(form->entry_defaults, (EntryDefaults{"/s", "", "", "No", "No"}));
    EXPECT_FALSE(form->IntroFirst);
    EXPECT_TRUE(form->IntroShow);
    form->CreateJournalFile->click();
    EXPECT_TRUE(form->RadioGroup_append->isEnabled());

    write_ini("[Options]\nJournalFileAppend=-1\n");
    auto again = start();
    EXPECT_FALSE(again->RadioAppend->isChecked());
    EXPECT_FALSE(again->RadioCreateNew->isChecked());
    EXPECT_EQ(again->copy_options().journal_append_index, -1);
}

TEST_F(SettingsWindowTest, SavedCopySettingsAreTheNextStartsOnes) {
    write_ini("[Options]\nVerifyEachFile=0\n");
    {
        auto form = start();
        EXPECT_FALSE(form->menu.CompareEachCopy1->isChecked()); // off unless saved
        form->VerifyEachFile->click();
        form->RadioCreateNew->click();
        trigger(form->menu.CompareEachCopy1);
        trigger(form->menu.SaveCurrentSettings1);
        form->VerifyEachFile->click(); // changed after saving: not kept
        trigger(form->menu.CompareEachCopy1);
    }
    EXPECT_EQ(read_settings(ini).options, (CopyOptions{true, true, 1, true}));
    auto form = start();
    EXPECT_TRUE(form->VerifyEachFile->isChecked());
    EXPECT_TRUE(form->RadioCreateNew->isChecked());
    EXPECT_TRUE(form->menu.CompareEachCopy1->isChecked());
    EXPECT_EQ(startup_copy_options(), (CopyOptions{true, true, 1, true}));
}

TEST_F(SettingsWindowTest, StartupListIsLoadedAtTheNextStart) {
    const std::string daily = make_list("Daily.vtl", "Insert the disk");
    {
        auto form = start(daily);
        trigger(form->menu.SaveCurrentListasAutoloadlist1);
        EXPECT_EQ(form->startup_list, daily);
    }
    EXPECT_EQ(read_settings(ini).startup_list, daily);
    auto form = start();
    EXPECT_EQ(form->windowTitle(), "Vantorel: Daily.vtl");
    EXPECT_EQ(form->document().file_name(), daily);
    EXPECT_EQ(form->Edit3->text(), "Insert the disk");
    EXPECT_EQ(form->recent_files.front(), daily);
}

TEST_F(SettingsWindowTest, UntitledOrRemovedStartupListLoadsNothing) {
    const std::string daily = make_list("Daily.vtl");
    write_ini("[Autoload]\nFile=" + daily + "\n");
    {
        auto form = start();
        EXPECT_EQ(form->document().file_name(), daily);
        trigger(form->menu.RemoveDefaultAutoLoadListFile1);
    }
    EXPECT_NE(test::read_file(ini).find("[Autoload]\nFile=\n"), std::string::npos);
    {
        auto form = start();
        EXPECT_EQ(form->windowTitle(), "Vantorel: Untitled");
        trigger(form->menu.SaveCurrentListasAutoloadlist1); // untitled: no startup list
        EXPECT_EQ(form->startup_list, "");
    }
    EXPECT_EQ(read_settings(ini).startup_list, "");
}

TEST_F(SettingsWindowTest, CommandLineListWinsOverTheStartupList) {
    const std::string daily = make_list("Daily.vtl");
    const std::string weekly = make_list("Weekly.vtl");
    write_ini("[Autoload]\nFile=" + daily + "\n");
    auto form = start(weekly);
    EXPECT_EQ(form->document().file_name(), weekly);
    EXPECT_EQ(form->recent_files, Strings{weekly}); // the startup list was not touched
}

TEST_F(SettingsWindowTest, MissingStartupListLoadsNothingAndSaysNothing) {
    write_ini("[Autoload]\nFile=" + dir / "gone.vtl" + "\n");
    auto form = start(); // any box would fail the scripted prompter
    EXPECT_EQ(form->windowTitle(), "Vantorel: Untitled");
    EXPECT_EQ(form->document().list_folder(), names::program_folder());
    EXPECT_EQ(form->startup_list, dir / "gone.vtl"); // kept until replaced or removed
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(SettingsWindowTest, RecentFilesMenuReopensAndFollowsTheCurrentList) {
    const std::string a = make_list("A.vtl", "from A");
    const std::string b = make_list("B.vtl", "from B");
    write_ini("[HistoryFiles]\nFile0=" + a + "\nFile1=/elsewhere/C.vtl\nFile2=" + b + "\n");
    auto form = start();
    Strings expected(9, "(hidden)");
    expected[0] = "&1 " + a;
    expected[1] = "&2 /elsewhere/C.vtl";
    expected[2] = "&3 " + b;
    EXPECT_EQ(menu_captions(*form), expected);
    EXPECT_FALSE(form->menu.CreateDesktopShortcutcurrentfile1->isVisible());

    trigger(form->menu.recent[2]); // &3: B
    EXPECT_EQ(form->windowTitle(), "Vantorel: B.vtl");
    EXPECT_EQ(form->Edit3->text(), "from B");
    EXPECT_EQ(form->recent_files, (Strings{b, a, "/elsewhere/C.vtl"}));
    expected = Strings(9, "(hidden)");
    expected[0] = "&1 A.vtl";
    expected[1] = "&2 /elsewhere/C.vtl";
    EXPECT_EQ(menu_captions(*form), expected);
    EXPECT_TRUE(form->menu.CreateDesktopShortcutcurrentfile1->isVisible());
    EXPECT_TRUE(form->menu.N6->isVisible());
    EXPECT_EQ(form->menu.CreateDesktopShortcutcurrentfile1->text(),
              "Create Desktop Shortcut to B.vtl");
    EXPECT_EQ(form->menu.CreateStartMenuentryforthecurrentfile1->text(),
              "Create Start &Menu entry to B.vtl");

    // A file that has gone: the error of the loader, and the recent files and the menu
    // still name the list that is open.
    prompter.expect("Vantorel", "File not found.", Answer::Ok);
    trigger(form->menu.recent[1]);
    EXPECT_EQ(form->recent_files, (Strings{b, a, "/elsewhere/C.vtl"}));
    EXPECT_EQ(form->windowTitle(), "Vantorel: B.vtl");
    EXPECT_EQ(menu_captions(*form), expected);
    EXPECT_EQ(form->menu.CreateDesktopShortcutcurrentfile1->text(),
              "Create Desktop Shortcut to B.vtl");
    EXPECT_TRUE(form->menu.N6->isVisible());
}

TEST_F(SettingsWindowTest, AListThatCannotBeReadAtStartSkipsNoLaterStep) {
    write_ini("[HistoryFiles]\nFile0=/l/A.vtl\n");
    prompter.expect("Vantorel", "File not found.", Answer::Ok);
    auto form = start(dir / "gone.vtl");
    EXPECT_EQ(form->recent_files, (Strings{"", "/l/A.vtl"}));
    EXPECT_EQ(menu_captions(*form)[0], "&1 /l/A.vtl");
    EXPECT_TRUE(form->close());
    EXPECT_EQ(read_settings(ini).recent_files, (Strings{"", "/l/A.vtl"}));
}

TEST_F(SettingsWindowTest, ClosingWritesTheRecentFiles) {
    const std::string a = make_list("A.vtl");
    write_ini("; mine\n[Options]\nVerifyEachFile=0\n[HistoryFiles]\nFile0=/x.vtl\nFile3=/y.vtl\n");
    auto form = start(a);
    form->VerifyEachFile->click(); // the copy options are not saved at close
    EXPECT_TRUE(form->close());
    EXPECT_EQ(test::read_file(ini), "; mine\n[Options]\nVerifyEachFile=0\n"
                                    "[HistoryFiles]\nFile0=" +
                                        a + "\nFile1=/x.vtl\nFile2=/y.vtl\n");
}

TEST_F(SettingsWindowTest, UnwritableSettingsAreReportedAndTheWindowClosesAnyway) {
    auto form = start();
    sys::set_fault_hook([](sys::Op op, const char*) { return op == sys::Op::Rename ? EROFS : 0; });
    prompter.expect("Vantorel", "Unable to write to Vantorel.ini.", Answer::Ok);
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(test::exists(ini));
}

TEST_F(SettingsWindowTest, OptionsCommandsReportARefusedWrite) {
    const std::string a = make_list("A.vtl");
    auto form = start(a);
    sys::set_fault_hook([](sys::Op op, const char*) { return op == sys::Op::Create ? ENOSPC : 0; });
    for (QAction* command :
         {form->menu.SaveCurrentSettings1, form->menu.SaveCurrentListasAutoloadlist1,
          form->menu.RemoveDefaultAutoLoadListFile1}) {
        prompter.expect("Vantorel", "Unable to write to Vantorel.ini.", Answer::Ok);
        trigger(command);
        EXPECT_TRUE(prompter.done()) << command->text().toStdString();
        if (command == form->menu.SaveCurrentListasAutoloadlist1) {
            EXPECT_EQ(form->startup_list, a); // changed in memory all the same
        }
    }
    EXPECT_TRUE(form->isVisible());
}

TEST_F(SettingsWindowTest, IntroductionFlagsAreWrittenAsTheirOwnGroup) {
    write_ini("[Introduction]\nfirst=1\n");
    auto form = start();
    form->IntroFirst = false;
    form->IntroShow = false;
    EXPECT_TRUE(form->settings_commands->write_ini(kSettingsIntroduction));
    EXPECT_EQ(test::read_file(ini), "[Introduction]\nfirst=0\nshow=0\n");
}

} // namespace
} // namespace vt
