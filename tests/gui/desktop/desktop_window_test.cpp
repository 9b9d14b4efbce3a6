#include "core/platform/atomic_file.h"
#include "core/platform/key_store.h"
#include "core/platform/sys.h"
#include "core/platform/xdg_folders.h"
#include "gui/desktop/desktop_commands.h"
#include "gui/desktop/help_window.h"
#include "gui/desktop/qt_desktop_services.h"
#include "gui/window/vt_main.h"
#include "support/open_main_window.h"
#include "support/recording_desktop_services.h"
#include "support/saved_list.h"
#include "support/scoped_env.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <cerrno>
#include <gtest/gtest.h>
#include <set>

namespace vt {
namespace {

constexpr KeyRoot kClasses = KeyRoot::ClassesRoot;

// Faults aimed at the key store leave the other files of the program alone.
bool is_key_store(const char* path) {
    return path && std::string_view(path).ends_with("/registry.ini");
}

// Each test has a key store and desktop folders of its own, also when the suite runs in
// one process.
class DesktopWindowTest : public ::testing::Test {
protected:
    void TearDown() override { sys::clear_fault_hook(); }
    std::unique_ptr<TVT_main_Form> open(const std::string& argument = {}) {
        return test::open_main_window({&prompter, &desktop}, argument);
    }
    // Whether the two items are usable once shown (a hidden item always reads disabled).
    static bool enabled_current_file_items(TVT_main_Form& form) {
        QAction* items[] = {form.menu.CreateDesktopShortcutcurrentfile1,
                            form.menu.CreateStartMenuentryforthecurrentfile1};
        bool enabled[2];
        for (int i = 0; i < 2; ++i) {
            const bool visible = items[i]->isVisible();
            items[i]->setVisible(true);
            enabled[i] = items[i]->isEnabled();
            items[i]->setVisible(visible);
        }
        EXPECT_EQ(enabled[0], enabled[1]);
        return enabled[0];
    }
    std::string program() const {
        return QCoreApplication::applicationFilePath().toLocal8Bit().toStdString();
    }
    test::TempDir dir;
    test::ScopedEnv config{"XDG_CONFIG_HOME", dir / "config"};
    test::ScopedEnv data{"XDG_DATA_HOME", dir / "data"};
    test::ScriptedPrompter prompter;
    test::RecordingDesktopServices desktop;
    KeyStore store;
};

TEST_F(DesktopWindowTest, F1WithoutTheManualSaysSoAndContentsDoNothing) {
    auto form = open(); // the test program's folder holds no manual
    EXPECT_FALSE(form->HelpAvailable);
    prompter.expect("No Help Available!", "Unable to find the help file Vantorel.html", Answer::Ok);
    form->menu.Help2->trigger();
    EXPECT_TRUE(prompter.done());
    EXPECT_EQ(prompter.shown.back().icon, Icon::None);
    form->menu.HelpContents1->trigger();
    EXPECT_TRUE(desktop.help_topics.empty());
    EXPECT_EQ(form->menu.Help2->shortcut(), QKeySequence(Qt::Key_F1));
}

TEST_F(DesktopWindowTest, HelpAndLinksGoToTheDesktop) {
    auto form = open();
    form->HelpAvailable = true;
    form->menu.Help2->trigger();
    form->menu.HelpContents1->trigger();
    EXPECT_EQ(desktop.help_topics, (std::vector<std::string>{"Using Vantorel", ""}));
    form->menu.EmailSupportaQuestion1->trigger();
    form->menu.VisitLarchmeresoftwarewebsite1->trigger();
    EXPECT_EQ(desktop.urls,
              (std::vector<std::string>{
                  "mailto:support@vantorel.example?subject=Vantorel support&body=Vantorel "
                  "Version 1.0a",
                  "http://www.vantorel.example"}));
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(DesktopWindowTest, StartWritesTheVersionRecordOnce) {
    auto form = open();
    EXPECT_EQ(store
                  .read_string(KeyRoot::LocalMachine, "Software\\Larchmere Utilities\\Vantorel",
                               "Version")
                  .text,
              "1.0a");
    EXPECT_FALSE(form->FileTypeRegistered);
    EXPECT_FALSE(enabled_current_file_items(*form));
}

TEST_F(DesktopWindowTest, AKeyStoreThatCannotBeWrittenIsReportedAndTheWindowStillOpens) {
    sys::set_fault_hook([](sys::Op op, const char* path) {
        return op == sys::Op::Rename && is_key_store(path) ? EROFS : 0;
    });
    prompter.expect("Vantorel", "Failed to create key Software\\Larchmere Utilities\\Vantorel.",
                    Answer::Ok);
    auto form = open();
    EXPECT_TRUE(prompter.done());
    EXPECT_TRUE(form->isVisible());
}

TEST_F(DesktopWindowTest, InstallAndUninstallFollowTheMenuItems) {
    auto form = open();
    form->menu.SetupRegistrytorecognizevtlfiles1->trigger();
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_TRUE(form->FileTypeRegistered);
    EXPECT_TRUE(enabled_current_file_items(*form));
    EXPECT_FALSE(form->menu.CreateDesktopShortcutcurrentfile1->isVisible()); // no list yet
    EXPECT_EQ(store.read_string(kClasses, "vtlfiles\\Shell\\Open\\command", "").text,
              program() + " %1");
    const std::string data = xdg::data_home();
    EXPECT_TRUE(test::exists(data + "/mime/packages/vantorel.xml"));
    EXPECT_NE(
        test::read_file(data + "/applications/example.vantorel.Vantorel.desktop").find(program()),
        std::string::npos);

    // The next start finds the type.
    auto second = open();
    EXPECT_TRUE(second->FileTypeRegistered);
    EXPECT_TRUE(enabled_current_file_items(*second));

    second->menu.UninstallRegistrysettingstorecognizevtlFiles1->trigger();
    EXPECT_FALSE(enabled_current_file_items(*second));
    EXPECT_FALSE(store.open_key(kClasses, ".vtl"));
    EXPECT_FALSE(store.open_key(kClasses, "vtlfiles"));
    EXPECT_FALSE(test::exists(data + "/mime/packages/vantorel.xml"));
    EXPECT_FALSE(test::exists(data + "/applications/example.vantorel.Vantorel.desktop"));
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(DesktopWindowTest, AFailedInstallStepIsReportedAndChangesNoItem) {
    auto form = open();
    int writes = 0; // the store: ".vtl" created, its value set, then "vtlfiles" created
    sys::set_fault_hook([&](sys::Op op, const char* path) {
        return op == sys::Op::Rename && is_key_store(path) && ++writes == 3 ? EACCES : 0;
    });
    prompter.expect("Vantorel", "Failed to create key vtlfiles.", Answer::Ok);
    form->menu.SetupRegistrytorecognizevtlfiles1->trigger();
    sys::clear_fault_hook();
    EXPECT_TRUE(prompter.done());
    EXPECT_FALSE(form->FileTypeRegistered);
    EXPECT_FALSE(enabled_current_file_items(*form));
    EXPECT_EQ(store.read_string(kClasses, ".vtl", "").text, "vtlfiles");
}

TEST_F(DesktopWindowTest, StartCheckAcceptsAnyTypeAndReportsOtherValueTypes) {
    ASSERT_TRUE(store.create_key(kClasses, ".vtl").ok);
    ASSERT_TRUE(store.write_string(kClasses, ".vtl", "", "someoneelse").ok);
    EXPECT_TRUE(enabled_current_file_items(*open()));

    ASSERT_TRUE(replace_file(store.path(), "[HKEY_CLASSES_ROOT\\.vtl]\n@=dword:00000001\n").ok);
    prompter.expect("Vantorel", "Invalid data type for ''.", Answer::Ok);
    auto form = open();
    EXPECT_TRUE(prompter.done());
    EXPECT_FALSE(form->FileTypeRegistered);
    EXPECT_FALSE(enabled_current_file_items(*form));
}

// --- Shortcuts ---------------------------------------------------------------

class ShortcutCommandsTest : public DesktopWindowTest {
protected:
    void SetUp() override {
        // The desktop folder comes from the user's folder settings, as on a real desktop.
        desktop_folder = dir / "My Desktop";
        const std::string settings = xdg::config_home() + "/user-dirs.dirs";
        ASSERT_TRUE(xdg::make_folders(xdg::config_home()).ok);
        ASSERT_TRUE(replace_file(settings, "XDG_DESKTOP_DIR=\"" + desktop_folder + "\"\n").ok);
        menu_folder = xdg::data_home() + "/applications";
    }
    std::string desktop_folder, menu_folder;
};

TEST_F(ShortcutCommandsTest, ProgramShortcutsGoToTheDesktopAndTheMenu) {
    dir.mkdir("My Desktop");
    auto form = open();
    EXPECT_EQ(form->desktop_commands->windows_info().desktop(), desktop_folder);
    EXPECT_EQ(form->desktop_commands->windows_info().start_menu(), menu_folder);
    form->menu.CreateDesktopIconforVantorel1->trigger();
    form->menu.CreateStartMenuEntryforVantorel1->trigger();
    for (const std::string& folder : {desktop_folder, menu_folder}) {
        const std::string entry = test::read_file(folder + "/Vantorel.desktop");
        EXPECT_NE(entry.find("\nExec=" + program() + "\n"), std::string::npos) << entry;
        EXPECT_NE(entry.find("\nName=Vantorel\n"), std::string::npos) << entry;
    }
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(ShortcutCommandsTest, AMissingDesktopFolderMakesNoShortcutAndNoMessage) {
    auto form = open();
    form->menu.CreateDesktopIconforVantorel1->trigger();
    EXPECT_FALSE(test::exists(desktop_folder));
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(ShortcutCommandsTest, CurrentListShortcutsOpenTheList) {
    dir.mkdir("My Desktop");
    const std::string name =
        test::save_list(dir / "Lists/daily.vtl", {{"/a", "*.*", "/b", "No", "No"}});
    auto form = open(name);
    form->menu.SetupRegistrytorecognizevtlfiles1->trigger();
    form->menu.CreateDesktopShortcutcurrentfile1->trigger();
    form->menu.CreateStartMenuentryforthecurrentfile1->trigger();
    for (const std::string& folder : {desktop_folder, menu_folder}) {
        const std::string entry = test::read_file(folder + "/daily.vtl.desktop");
        EXPECT_NE(entry.find("\nExec=xdg-open " + name + "\n"), std::string::npos) << entry;
        EXPECT_NE(entry.find("\nPath=" + dir.path() + "/Lists/\n"), std::string::npos) << entry;
    }

    // Once the list is gone from the disk the commands do nothing.
    std::remove((desktop_folder + "/daily.vtl.desktop").c_str());
    std::remove(name.c_str());
    form->menu.CreateDesktopShortcutcurrentfile1->trigger();
    EXPECT_FALSE(test::exists(desktop_folder + "/daily.vtl.desktop"));
    EXPECT_TRUE(prompter.shown.empty());
}

// --- Help window ---------------------------------------------------------------

std::set<QString> anchors_of(const QTextDocument& document) {
    std::set<QString> anchors;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            for (const QString& name : it.fragment().charFormat().anchorNames())
                anchors.insert(name);
    return anchors;
}

TEST(HelpWindowTest, TheManualHasEveryTopicAndOpensAtIt) {
    HelpWindow window(VT_MANUAL);
    window.resize(500, 300);
    window.show_topic("");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.windowTitle(), "Vantorel Help");
    const std::set<QString> anchors = anchors_of(*window.browser()->document());
    for (const char* anchor : {"contents", "using-vantorel", "copy-specification", "editing-vtl",
                               "copyright", "headless-run", "journal", "shortcuts", "file-type"})
        EXPECT_TRUE(anchors.count(QString::fromLatin1(anchor))) << anchor;
    // Every link of the manual to one of its own topics leads somewhere.
    const QString html = window.browser()->toHtml();
    for (qsizetype at = html.indexOf(QStringLiteral("href=\"#")); at >= 0;
         at = html.indexOf(QStringLiteral("href=\"#"), at + 1)) {
        const qsizetype start = at + 7;
        const QString target = html.mid(start, html.indexOf(QLatin1Char('"'), start) - start);
        EXPECT_TRUE(anchors.count(target)) << target.toStdString();
    }

    QScrollBar* bar = window.browser()->verticalScrollBar();
    const int contents = bar->value();
    window.show_topic("Using Vantorel");
    EXPECT_GT(bar->value(), contents);
    window.show_topic("Copyright");
    const int copyright = bar->value();
    EXPECT_GT(copyright, 0);
    window.show_topic("Copy Specification");
    EXPECT_GT(bar->value(), 0);
    EXPECT_LT(bar->value(), copyright);
    EXPECT_EQ(window.browser()->source().fragment(), "copy-specification");

    bar->setValue(0); // the user scrolls away; the same topic again finds its place
    window.show_topic("Copy Specification");
    EXPECT_GT(bar->value(), 0);

    window.contents_button()->click();
    EXPECT_EQ(bar->value(), contents);
}

TEST(HelpWindowTest, OneWindowServesEveryRequestAndIsNotBlockedByAModalDialog) {
    QWidget owner;
    owner.show();
    QtDesktopServices none(&owner, "");
    none.show_help("Using Vantorel");
    EXPECT_EQ(none.help_window(), nullptr);

    QtDesktopServices services(&owner, VT_MANUAL);
    services.show_help("Editing VTL");
    HelpWindow* window = services.help_window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->browser()->source().fragment(), "editing-vtl");
    services.show_help("");
    EXPECT_EQ(services.help_window(), window);
    EXPECT_EQ(window->browser()->source().fragment(), "contents");

    // Asked from a modal dialog, the window belongs to the dialog, or it could not be used.
    QDialog dialog(&owner);
    dialog.setModal(true);
    dialog.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &dialog);
    services.show_help("Copy Specification");
    EXPECT_EQ(services.help_window(), window);
    EXPECT_EQ(window->parentWidget(), &dialog);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isWindow());
}

} // namespace
} // namespace vt
