#include "gui/window/settings_commands.h"

#include "core/list/copy_list.h"
#include "core/list/file_commands.h"
#include "core/platform/prompter.h"
#include "core/settings/recent_files.h"
#include "core/settings/settings_file.h"
#include "core/settings/startup_list.h"
#include "gui/window/main_menu.h"
#include "gui/window/main_window_context.h"
#include "gui/window/main_window_state.h"

#include <QAction>
#include <QWidget>
#include <algorithm>

namespace vt {

SettingsCommands::SettingsCommands(MainWindowContext& window)
    : QObject(&window.widget()), window_(window) {
    const MainMenu& m = window.main_menu();
    for (QAction* item : m.recent)
        connect(item, &QAction::triggered, this, [this, item] { N11Click(item); });
    connect(m.SaveCurrentSettings1, &QAction::triggered, this,
            &SettingsCommands::SaveCurrentSettings1Click);
    connect(m.SaveCurrentListasAutoloadlist1, &QAction::triggered, this,
            &SettingsCommands::SaveCurrentListasAutoloadlist1Click);
    connect(m.RemoveDefaultAutoLoadListFile1, &QAction::triggered, this,
            &SettingsCommands::RemoveDefaultAutoLoadListFile1Click);
}

void SettingsCommands::read_ini() {
    const Settings settings = read_settings(settings_file_path());
    window_.set_copy_options(settings.options);
    window_.state().entry_defaults = settings.defaults;
    window_.state().IntroFirst = settings.intro_first;
    window_.state().IntroShow = settings.intro_show;
    window_.state().recent_files = settings.recent_files;
    window_.state().startup_list = settings.startup_list;
}

bool SettingsCommands::write_ini(unsigned groups) {
    Settings settings;
    settings.options = window_.copy_options();
    settings.defaults = window_.state().entry_defaults;
    settings.intro_show = window_.state().IntroShow;
    settings.intro_first = window_.state().IntroFirst;
    settings.recent_files = window_.state().recent_files;
    settings.startup_list = window_.state().startup_list;
    const IoResult r = write_settings(settings_file_path(), settings, groups);
    if (!r)
        window_.prompter().show_error(r.error);
    return r.ok;
}

void SettingsCommands::add_history_file(const std::string& name) {
    recent::add(window_.state().recent_files, name);
    update_files_history();
}

void SettingsCommands::update_files_history() {
    MainMenu& menu = window_.main_menu();
    const auto items = recent::menu_items(window_.state().recent_files);
    for (int i = 0; i < menu.recent.size() && i < recent::kMenuItems; ++i) {
        QAction* item = menu.recent[i];
        const auto& shown = items[static_cast<std::size_t>(i)];
        if (shown.visible)
            item->setText(QString::fromLocal8Bit(shown.caption));
        item->setVisible(shown.visible);
    }
    if (const auto captions = recent::shortcut_captions(window_.state().recent_files)) {
        menu.CreateDesktopShortcutcurrentfile1->setText(QString::fromLocal8Bit(captions->desktop));
        menu.CreateStartMenuentryforthecurrentfile1->setText(
            QString::fromLocal8Bit(captions->start_menu));
        menu.CreateDesktopShortcutcurrentfile1->setVisible(true);
        menu.CreateStartMenuentryforthecurrentfile1->setVisible(true);
        menu.N6->setVisible(true);
    }
}

void SettingsCommands::N11Click(QAction* item) {
    const int tag = item->data().toInt();
    if (tag < 1 || tag >= static_cast<int>(window_.state().recent_files.size()))
        return;
    const std::string name = window_.state().recent_files[static_cast<std::size_t>(tag)];
    if (!window_.file_commands().confirm_discard())
        return;
    // The list is read before the recent files change: a file that cannot be read
    // leaves them, and the menu, naming the list that is still open.
    if (!window_.load_vtl(name))
        return;
    // A save in the close question may have moved the entry.
    auto& list = window_.state().recent_files;
    const auto at = std::find(list.begin() + 1, list.end(), name);
    if (at != list.end())
        recent::reopen(list, static_cast<int>(at - list.begin()));
    else
        recent::add(list, name);
    update_files_history();
}

void SettingsCommands::SaveCurrentSettings1Click() {
    write_ini(kSettingsOptions);
}

void SettingsCommands::SaveCurrentListasAutoloadlist1Click() {
    window_.state().startup_list = startup_list_for(window_.document().file_name());
    write_ini(kSettingsAutoload);
}

void SettingsCommands::RemoveDefaultAutoLoadListFile1Click() {
    window_.state().startup_list.clear();
    write_ini(kSettingsAutoload);
}

} // namespace vt
