// The access keys (Alt+letter) of the main window's menus: one item per key in each
// menu, so that a key opens the item it shows rather than cycling among several.
#include "gui/window/settings_commands.h"
#include "gui/window/vt_main.h"
#include "support/open_main_window.h"
#include "support/recording_desktop_services.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace vt {
namespace {

// The access key of a caption ("Save &As" -> 'a'), 0 for none; "&&" is an ampersand.
QChar access_key(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&'))
            continue;
        if (caption[i + 1] != QLatin1Char('&'))
            return caption[i + 1].toLower();
        ++i;
    }
    return QChar();
}

using Clashes = std::map<std::string, std::vector<std::string>>;

// Keys used by more than one item, each with the items' captions.
Clashes clashes(const QList<QAction*>& items) {
    Clashes by_key;
    for (const QAction* a : items) {
        const QChar key = access_key(a->text());
        if (!key.isNull())
            by_key[QString(key).toStdString()].push_back(a->text().toStdString());
    }
    std::erase_if(by_key, [](const auto& entry) { return entry.second.size() < 2; });
    return by_key;
}

TEST(MainMenuTest, EachMenusAccessKeysAreItsOwn) {
    test::TempDir dir;
    test::ScriptedPrompter prompter;
    test::RecordingDesktopServices desktop;
    auto form = test::open_main_window({&prompter, &desktop});
    // The File menu at its fullest: nine recent files and the current file's shortcuts.
    for (int i = 0; i < 10; ++i)
        form->settings().add_history_file(dir / ("list & " + std::to_string(i) + ".vtl"));
    ASSERT_TRUE(form->menu.recent.back()->isVisible());
    ASSERT_TRUE(form->menu.CreateStartMenuentryforthecurrentfile1->isVisible());

    // The only pair kept as the first edition had it: Install Registry settings and
    // Create Desktop Icon share I in the Options menu.
    const std::map<QString, Clashes> kept = {
        {"Options",
         {{"i",
           {"&Install Registry settings to recognize .vtl Files",
            "Create Desktop &Icon for Vantorel"}}}},
    };
    EXPECT_TRUE(clashes(form->menuBar()->actions()).empty());
    for (const QAction* title : form->menuBar()->actions()) {
        const QString name = QString(title->text()).remove(QLatin1Char('&'));
        SCOPED_TRACE(name.toStdString());
        const auto expected = kept.find(name);
        EXPECT_EQ(clashes(title->menu()->actions()),
                  expected == kept.end() ? Clashes{} : expected->second);
    }
    // Every item a user picks has a key of its own, the hidden screen shot aside.
    for (const QMenu* menu :
         {form->menu.File, form->menu.Edit, form->menu.Options, form->menu.Help}) {
        for (const QAction* a : menu->actions()) {
            if (!a->isSeparator() && a != form->menu.ScreenShot1 &&
                a != form->menu.CreateDesktopShortcutcurrentfile1) {
                EXPECT_FALSE(access_key(a->text()).isNull()) << a->text().toStdString();
            }
        }
    }
}

} // namespace
} // namespace vt
