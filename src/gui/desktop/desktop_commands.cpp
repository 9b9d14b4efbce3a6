#include "gui/desktop/desktop_commands.h"

#include "core/desktop/file_type.h"
#include "core/desktop/freedesktop_type.h"
#include "core/desktop/help_topics.h"
#include "core/desktop/links.h"
#include "core/desktop/version_record.h"
#include "core/platform/file_names.h"
#include "core/platform/key_store.h"
#include "core/platform/xdg_folders.h"
#include "gui/window/vt_main.h"

#include <QAction>
#include <QCoreApplication>

namespace vt {

std::string program_file_path() {
    return QCoreApplication::applicationFilePath().toLocal8Bit().toStdString();
}

DesktopCommands::DesktopCommands(TVT_main_Form& form) : QObject(&form), form_(form) {
    const MainMenu& m = form.menu;
    auto on = [this](QAction* action, void (DesktopCommands::*handler)()) {
        connect(action, &QAction::triggered, this, handler);
    };
    on(m.SetupRegistrytorecognizevtlfiles1,
       &DesktopCommands::SetupRegistrytorecognizevtlfiles1Click);
    on(m.UninstallRegistrysettingstorecognizevtlFiles1,
       &DesktopCommands::UninstallRegistrysettingstorecognizevtlFiles1Click);
    on(m.CreateDesktopIconforVantorel1, &DesktopCommands::CreateDesktopIconforVantorel1Click);
    on(m.CreateStartMenuEntryforVantorel1, &DesktopCommands::CreateStartMenuEntryforVantorel1Click);
    on(m.CreateDesktopShortcutcurrentfile1,
       &DesktopCommands::CreateDesktopShortcutcurrentfile1Click);
    on(m.CreateStartMenuentryforthecurrentfile1,
       &DesktopCommands::CreateStartMenuentryforthecurrentfile1Click);
    on(m.Help2, &DesktopCommands::Help2Click);
    on(m.HelpContents1, &DesktopCommands::HelpContents1Click);
    on(m.EmailSupportaQuestion1, &DesktopCommands::EmailSupportaQuestion1Click);
    on(m.VisitLarchmeresoftwarewebsite1, &DesktopCommands::VisitLarchmeresoftwarewebsite1Click);
}

// --- Start-up ----------------------------------------------------------------

void DesktopCommands::check_help_file() {
    form_.HelpAvailable = !help::find_manual(names::program_folder()).empty();
}

void DesktopCommands::ensure_version_record() {
    KeyStore store;
    if (auto error = vt::ensure_version_record(store))
        form_.prompter().show_error(*error);
}

void DesktopCommands::check_file_type() {
    KeyStore store;
    const FileTypeRegistration::Check check = FileTypeRegistration(store).check();
    if (check.error)
        form_.prompter().show_error(*check.error);
    form_.FileTypeRegistered = check.registered;
    if (check.registered)
        enable_current_file_items(true);
}

void DesktopCommands::enable_current_file_items(bool enabled) {
    form_.menu.CreateDesktopShortcutcurrentfile1->setEnabled(enabled);
    form_.menu.CreateStartMenuentryforthecurrentfile1->setEnabled(enabled);
}

// --- File type ---------------------------------------------------------------

void DesktopCommands::SetupRegistrytorecognizevtlfiles1Click() {
    const std::string program = program_file_path();
    KeyStore store;
    if (auto error = FileTypeRegistration(store).install(program)) {
        form_.prompter().show_error(*error);
        return;
    }
    form_.FileTypeRegistered = true;
    enable_current_file_items(true);
    if (auto error = FreedesktopType(xdg::data_home()).install(program))
        form_.prompter().show_error(*error);
}

void DesktopCommands::UninstallRegistrysettingstorecognizevtlFiles1Click() {
    KeyStore store;
    FileTypeRegistration(store).uninstall();
    FreedesktopType(xdg::data_home()).uninstall();
    form_.FileTypeRegistered = false;
    enable_current_file_items(false);
}

// --- Shortcuts ---------------------------------------------------------------

void DesktopCommands::CreateDesktopIconforVantorel1Click() {
    shortcuts::create_program_shortcut(shortcut_file_, windows_info_.desktop(), program_file_path(),
                                       shortcuts::Place::Desktop);
}

// The menu folder is the desktop's own and appears with its first entry; a desktop
// folder that is missing means there is no desktop to put a shortcut on.
void DesktopCommands::prepare_menu_folder() {
    if (!windows_info_.start_menu().empty())
        xdg::make_folders(windows_info_.start_menu());
}

void DesktopCommands::CreateStartMenuEntryforVantorel1Click() {
    prepare_menu_folder();
    shortcuts::create_program_shortcut(shortcut_file_, windows_info_.start_menu(),
                                       program_file_path(), shortcuts::Place::Menu);
}

void DesktopCommands::CreateDesktopShortcutcurrentfile1Click() {
    shortcuts::create_list_shortcut(shortcut_file_, windows_info_.desktop(),
                                    form_.document().file_name(), shortcuts::Place::Desktop);
}

void DesktopCommands::CreateStartMenuentryforthecurrentfile1Click() {
    prepare_menu_folder();
    shortcuts::create_list_shortcut(shortcut_file_, windows_info_.start_menu(),
                                    form_.document().file_name(), shortcuts::Place::Menu);
}

// --- Help and links ----------------------------------------------------------

void DesktopCommands::Help2Click() {
    if (form_.HelpAvailable)
        form_.desktop().show_help(help::kUsingVantorel);
    else
        form_.prompter().ask(help::no_help_prompt());
}

void DesktopCommands::HelpContents1Click() {
    if (form_.HelpAvailable)
        form_.desktop().show_help({});
}

void DesktopCommands::EmailSupportaQuestion1Click() {
    form_.desktop().open_url(links::support_mail());
}

void DesktopCommands::VisitLarchmeresoftwarewebsite1Click() {
    form_.desktop().open_url(links::web_site());
}

} // namespace vt
