#include "gui/window/settings_commands.h"

#include "core/settings/recent_files.h"
#include "core/settings/settings_file.h"
#include "core/settings/startup_list.h"
#include "gui/window/vt_main.h"

#include <QAction>
#include <algorithm>

namespace vt {

static_assert(TVT_main_Form::kOptionsGroup == kSettingsOptions &&
              TVT_main_Form::kDefaultsGroup == kSettingsDefaults &&
              TVT_main_Form::kAutoloadGroup == kSettingsAutoload &&
              TVT_main_Form::kHistoryFilesGroup == kSettingsHistoryFiles &&
              TVT_main_Form::kIntroductionGroup == kSettingsIntroduction);

SettingsCommands::SettingsCommands(TVT_main_Form& form) : QObject(&form), form_(form) {
    const MainMenu& m = form.menu;
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
    form_.set_copy_options(settings.options);
    form_.entry_defaults = settings.defaults;
    form_.IntroFirst = settings.intro_first;
    form_.IntroShow = settings.intro_show;
    form_.recent_files = settings.recent_files;
    form_.startup_list = settings.startup_list;
}

bool SettingsCommands::write_ini(unsigned groups) {
    Settings settings;
    settings.options = form_.copy_options();
    settings.defaults = form_.entry_defaults;
    settings.intro_show = form_.IntroShow;
    settings.intro_first = form_.IntroFirst;
    settings.recent_files = form_.recent_files;
    settings.startup_list = form_.startup_list;
    const IoResult r = write_settings(settings_file_path(), settings, groups);
    if (!r)
        form_.prompter().show_error(r.error);
    return r.ok;
}

void SettingsCommands::add_history_file(const std::string& name) {
    recent::add(form_.recent_files, name);
    update_files_history();
}

void SettingsCommands::update_files_history() {
    MainMenu& menu = form_.menu;
    const auto items = recent::menu_items(form_.recent_files);
    for (int i = 0; i < menu.recent.size() && i < recent::kMenuItems; ++i) {
        QAction* item = menu.recent[i];
        const auto& shown = items[static_cast<std::size_t>(i)];
        if (shown.visible)
            item->setText(QString::fromLocal8Bit(shown.caption));
        item->setVisible(shown.visible);
    }
    if (const auto captions = recent::shortcut_captions(form_.recent_files)) {
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
    if (tag < 1 || tag >= static_cast<int>(form_.recent_files.size()))
        return;
    const std::string name = form_.recent_files[static_cast<std::size_t>(tag)];
    if (!form_.confirm_discard())
        return;
    // The list is read before the recent files change: a file that cannot be read
    // leaves them, and the menu, naming the list that is still open.
    if (!form_.load_vtl(name))
        return;
    // A save in the close question may have moved the entry.
    auto& list = form_.recent_files;
    const auto at = std::find(list.begin() + 1, list.end(), name);
    if (at != list.end())
        recent::reopen(list, static_cast<int>(at - list.begin()));
    else
        recent::add(list, name);
    update_files_history();
}

void SettingsCommands::SaveCurrentSettings1Click() {
    write_ini(TVT_main_Form::kOptionsGroup);
}

void SettingsCommands::SaveCurrentListasAutoloadlist1Click() {
    form_.startup_list = startup_list_for(form_.document().file_name());
    write_ini(TVT_main_Form::kAutoloadGroup);
}

void SettingsCommands::RemoveDefaultAutoLoadListFile1Click() {
    form_.startup_list.clear();
    write_ini(TVT_main_Form::kAutoloadGroup);
}

} // namespace vt
