#include "core/platform/sys.h"
#include "core/settings/settings_file.h"
#include "gui/run/copy_controller.h"
#include "gui/run/preview_commands.h"
#include "gui/run/vt_preview.h"
#include "gui/run/vt_restore.h"
#include "gui/window/vt_main.h"
#include "support/file_stat.h"
#include "support/open_main_window.h"
#include "support/recording_desktop_services.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string_view>
#include <sys/stat.h>
#include <thread>

namespace vt {
namespace {

class CountingPrompter final : public Prompter {
public:
    Answer ask(const Prompt& prompt) override {
        titles.push_back(prompt.title);
        texts.push_back(prompt.text);
        if (prompt.title == "Copy this file?")
            return prompt.text.rfind("The version of: ", 0) == 0 ? Answer::No : Answer::Yes;
        return prompt.buttons == Buttons::YesNo ? Answer::No : prompt.default_button;
    }
    std::vector<std::string> titles, texts;
};

QStringList top_texts(const QTreeWidget& tree) {
    QStringList out;
    for (int i = 0; i < tree.topLevelItemCount(); ++i)
        out << tree.topLevelItem(i)->text(0) + " | " + tree.topLevelItem(i)->text(1);
    return out;
}

class PreviewWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.write("src/a.txt", "alpha");
        dir.write("src/sub/b.txt", "bravo");
        ASSERT_NO_FATAL_FAILURE(form = test::open_main_window({&prompter, &desktop}));
        form->document().append_line({dir / "src", "*.txt", dir / "dst", "No", "Yes"});
        ASSERT_TRUE(form->save_vtl(dir / "list.vtl"));
        form->set_copy_options({false, true, 1});
    }
    void TearDown() override { form.reset(); }
    // Acts on each preview once it is computed; `press` its action button or Close.
    void on_preview(std::function<void(TPreview_Form&)> act, bool press_action) {
        form->preview_commands->on_preview([act, press_action](TPreview_Form& p) {
            QTimer::singleShot(0, &p, [&p, act, press_action] {
                act(p);
                (press_action ? p.ActionButton : p.CloseButton)->click();
            });
        });
    }

    test::TempDir dir;
    test::ScopedEnv config{"XDG_CONFIG_HOME", dir.mkdir("config")};
    test::ScopedEnv runtime = test::runtime_dir_in(dir);
    CountingPrompter prompter;
    test::RecordingDesktopServices desktop;
    std::unique_ptr<TVT_main_Form> form;
};

TEST_F(PreviewWindowTest, PreviewCopyShowsWhatARunWouldDoAndItsCopyNowRunsIt) {
    QList<QAction*> file_items = form->menu.File->actions();
    const int at = static_cast<int>(file_items.indexOf(form->menu.CopyNow1));
    ASSERT_GE(at, 0);
    EXPECT_EQ(file_items.value(at + 1), form->menu.PreviewCopy1);
    EXPECT_EQ(form->menu.PreviewCopy1->text(), "Pre&view Copy");
    EXPECT_TRUE(form->menu.PreviewCopy1->shortcut().isEmpty());
    EXPECT_EQ(form->menu.RestoreFiles1->text(), "&Restore Files...");

    // Close: nothing written.
    on_preview(
        [this](TPreview_Form& p) {
            ASSERT_TRUE(p.wait_finished(10000));
            EXPECT_EQ(p.windowTitle(), "Preview Copy");
            EXPECT_EQ(p.ActionButton->text(), "Copy Now");
            EXPECT_TRUE(p.ActionButton->isEnabled());
            EXPECT_FALSE(p.StopButton->isVisible());
            EXPECT_EQ(top_texts(*p.Lines),
                      QStringList({QString::fromStdString("Line 1: *.txt in " + (dir / "src") +
                                                          " to " + (dir / "dst") + " | 2"),
                                   "Total | 2"}));
            QTreeWidgetItem* line = p.Lines->topLevelItem(0);
            ASSERT_EQ(line->childCount(), 2);
            EXPECT_EQ(line->child(0)->text(0), "New copies");
            EXPECT_EQ(line->child(0)->text(2).toStdString(), "10 bytes");
            EXPECT_EQ(line->child(0)->child(1)->text(0), "sub/b.txt");
            EXPECT_EQ(line->child(1)->text(0), "Folders to create");
            EXPECT_TRUE(p.Status->text().startsWith("2 files (10 bytes) would be copied"))
                << p.Status->text().toStdString();
        },
        false);
    form->menu.PreviewCopy1->trigger();
    EXPECT_FALSE(test::exists(dir / "dst"));

    // Copy Now: the preview closes and the run starts.
    on_preview([](TPreview_Form& p) { ASSERT_TRUE(p.wait_finished(10000)); }, true);
    form->menu.PreviewCopy1->trigger();
    EXPECT_EQ(test::read_file(dir / "dst/sub/b.txt"), "bravo");
    EXPECT_EQ(form->BitBtn_do_copy->text(), "Copy Now");
}

TEST_F(PreviewWindowTest, AStopShowsWhatWasFoundSoFar) {
    for (int i = 0; i < 2000; ++i)
        dir.write("src/many/f" + std::to_string(i) + ".txt", "x");
    // The folder is read slowly, so that the stop comes before its end however fast
    // the machine is.
    sys::set_fault_hook([](sys::Op op, const char* path) {
        if (op == sys::Op::ReadDir && path && std::string_view(path).ends_with("/many"))
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        return 0;
    });
    on_preview(
        [](TPreview_Form& p) {
            p.StopButton->click();
            ASSERT_TRUE(p.wait_finished(10000));
            EXPECT_FALSE(p.preview().complete);
            EXPECT_TRUE(p.Status->text().startsWith("Stopped: "));
        },
        false);
    form->menu.PreviewCopy1->trigger();
    sys::clear_fault_hook();
}

TEST_F(PreviewWindowTest, RestoreAsksWhereShowsItsPreviewAndRuns) {
    form->BitBtn_do_copy->click();
    ASSERT_TRUE(test::exists(dir / "dst/sub/b.txt"));
    ::unlink((dir / "src/sub/b.txt").c_str());
    dir.mkdir("dst/.vantorel-versions/2024-05-01_143005");
    const std::string kept =
        dir.write("dst/.vantorel-versions/2024-05-01_143005/a.txt", "alpha, before");
    test::set_mtime(kept, 1700049600);

    form->preview_commands->on_restore_dialog([this](TRestore_Form& d) {
        QTimer::singleShot(0, &d, [this, &d] {
            EXPECT_TRUE(d.OriginalFolders->isChecked());
            ASSERT_EQ(d.Version->count(), 2);
            EXPECT_TRUE(d.Version->itemText(1).startsWith("Restore the version of "));
            EXPECT_TRUE(d.Version->itemText(1).endsWith(" (line 1)"));
            d.AnotherFolder->setChecked(true);
            EXPECT_FALSE(d.PreviewButton->isEnabled()); // which folder?
            d.Folder->setText(QString::fromStdString(dir / "back"));
            d.PreviewButton->click();
        });
    });
    on_preview(
        [](TPreview_Form& p) {
            ASSERT_TRUE(p.wait_finished(10000));
            EXPECT_EQ(p.windowTitle(), "Preview Restore");
            EXPECT_EQ(p.ActionButton->text(), "Restore Now");
            EXPECT_EQ(p.Lines->topLevelItem(0)->text(1), "2");
        },
        true);
    form->menu.RestoreFiles1->trigger();
    EXPECT_EQ(test::read_file(dir / "back/1-src/sub/b.txt"), "bravo");
    EXPECT_EQ(test::read_file(dir / "back/1-src/a.txt"), "alpha");
    EXPECT_FALSE(test::exists(dir / "back/1-src/.vantorel-versions"));
    EXPECT_NE(test::read_file(dir / "list.txt").find(" - Restore into " + (dir / "back")),
              std::string::npos);

    // The version of a date, into the original folders: the newer file there is kept.
    form->preview_commands->on_restore_dialog([](TRestore_Form& d) {
        QTimer::singleShot(0, &d, [&d] {
            d.Version->setCurrentIndex(1);
            d.PreviewButton->click();
        });
    });
    on_preview(
        [](TPreview_Form& p) {
            ASSERT_TRUE(p.wait_finished(10000));
            QTreeWidgetItem* line = p.Lines->topLevelItem(0);
            EXPECT_EQ(line->text(1), "0");
            EXPECT_EQ(line->child(0)->text(0).toStdString(),
                      "The file there is newer than the backup: a restore would ask");
        },
        false);
    form->menu.RestoreFiles1->trigger();
    EXPECT_EQ(test::read_file(dir / "src/a.txt"), "alpha");
}

TEST_F(PreviewWindowTest, CopyHiddenFoldersIsACopyOptionOnByDefaultAndSaved) {
    QAction* item = form->menu.CopyHiddenFolders1;
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), "Copy &Hidden Folders");
    EXPECT_TRUE(item->isCheckable());
    EXPECT_TRUE(item->isChecked());
    EXPECT_TRUE(form->copy_options().copy_hidden_folders);
    item->trigger();
    EXPECT_FALSE(form->copy_options().copy_hidden_folders);
    form->menu.SaveCurrentSettings1->trigger();
    EXPECT_FALSE(read_settings(settings_file_path()).options.copy_hidden_folders);
    // Saved defaults come back into the window; the menu follows them.
    form->set_copy_options({});
    EXPECT_TRUE(item->isChecked());
    CopyOptions off;
    off.copy_hidden_folders = false;
    form->set_copy_options(off);
    EXPECT_FALSE(item->isChecked());
    EXPECT_EQ(form->copy_options(), off);
}

TEST_F(PreviewWindowTest, KeepReplacedVersionsIsACopyOptionSavedWithTheOthers) {
    EXPECT_FALSE(form->copy_options().keep_versions); // off by default
    EXPECT_TRUE(form->menu.KeepReplacedVersions1->isCheckable());
    EXPECT_EQ(form->menu.KeepReplacedVersions1->text(), "&Keep Replaced Versions");
    form->menu.KeepReplacedVersions1->trigger();
    int asked = -1;
    form->preview_commands->ask_days_with([&asked](int& days) {
        asked = days;
        days = 90;
        return true;
    });
    form->menu.DaysToKeepVersions1->trigger();
    EXPECT_EQ(asked, 30);
    EXPECT_EQ(form->copy_options(), (CopyOptions{false, true, 1, false, true, 90}));
    form->menu.SaveCurrentSettings1->trigger();
    const CopyOptions saved = read_settings(settings_file_path()).options;
    EXPECT_TRUE(saved.keep_versions);
    EXPECT_EQ(saved.versions_days, 90);
    form->set_copy_options({});
    EXPECT_FALSE(form->menu.KeepReplacedVersions1->isChecked());
}

TEST_F(PreviewWindowTest, DaysToKeepVersionsChangesTheDaysAndNothingElse) {
    form->menu.CompareEachCopy1->trigger();
    form->menu.KeepReplacedVersions1->trigger();
    const CopyOptions before = form->copy_options();
    for (const bool ok : {false, true}) {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        form->preview_commands->ask_days_with([ok](int& days) {
            days = 7;
            return ok;
        });
        form->menu.DaysToKeepVersions1->trigger();
        CopyOptions expected = before;
        if (ok)
            expected.versions_days = 7;
        EXPECT_EQ(form->copy_options(), expected);
        EXPECT_TRUE(form->RadioGroup_append->isEnabled()); // follows the journal box still
    }
}

} // namespace
} // namespace vt
