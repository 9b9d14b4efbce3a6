#include "gui/desktop/desktop_commands.h"

#include "core/desktop/file_type.h"
#include "core/desktop/freedesktop_type.h"
#include "core/desktop/help_topics.h"
#include "core/desktop/links.h"
#include "core/desktop/version_record.h"
#include "core/list/copy_list.h"
#include "core/platform/desktop_services.h"
#include "core/platform/file_names.h"
#include "core/platform/key_store.h"
#include "core/platform/prompter.h"
#include "core/platform/xdg_folders.h"
#include "gui/window/main_menu.h"
#include "gui/window/main_window_context.h"
#include "gui/window/main_window_state.h"

#include <QAction>
#include <QCoreApplication>
#include <QWidget>

namespace vt {

std::string program_file_path() {
    return QCoreApplication::applicationFilePath().toLocal8Bit().toStdString();
}

DesktopCommands::DesktopCommands(MainWindowContext& window)
    : QObject(&window.widget()), window_(window) {
    const MainMenu& m = window.main_menu();
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
    window_.state().HelpAvailable = !help::find_manual(names::program_folder()).empty();
}

void DesktopCommands::ensure_version_record() {
    KeyStore store;
    if (auto error = vt::ensure_version_record(store))
        window_.prompter().show_error(*error);
}

void DesktopCommands::check_file_type() {
    KeyStore store;
    const FileTypeRegistration::Check check = FileTypeRegistration(store).check();
    if (check.error)
        window_.prompter().show_error(*check.error);
    window_.state().FileTypeRegistered = check.registered;
    if (check.registered)
        enable_current_file_items(true);
}

void DesktopCommands::enable_current_file_items(bool enabled) {
    window_.main_menu().CreateDesktopShortcutcurrentfile1->setEnabled(enabled);
    window_.main_menu().CreateStartMenuentryforthecurrentfile1->setEnabled(enabled);
}

// --- File type ---------------------------------------------------------------

void DesktopCommands::SetupRegistrytorecognizevtlfiles1Click() {
    const std::string program = program_file_path();
    KeyStore store;
    if (auto error = FileTypeRegistration(store).install(program)) {
        window_.prompter().show_error(*error);
        return;
    }
    window_.state().FileTypeRegistered = true;
    enable_current_file_items(true);
    if (auto error = FreedesktopType(xdg::data_home()).install(program))
        window_.prompter().show_error(*error);
}

void DesktopCommands::UninstallRegistrysettingstorecognizevtlFiles1Click() {
    KeyStore store;
    FileTypeRegistration(store).uninstall();
    FreedesktopType(xdg::data_home()).uninstall();
    window_.state().FileTypeRegistered = false;
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
                                    window_.document().file_name(), shortcuts::Place::Desktop);
}

void DesktopCommands::CreateStartMenuentryforthecurrentfile1Click() {
    prepare_menu_folder();
    shortcuts::create_list_shortcut(shortcut_file_, windows_info_.start_menu(),
                                    window_.document().file_name(), shortcuts::Place::Menu);
}

// --- Help and links ----------------------------------------------------------

void DesktopCommands::Help2Click() {
    if (window_.state().HelpAvailable)
        window_.desktop().show_help(help::kUsingVantorel);
    else
        window_.prompter().ask(help::no_help_prompt());
}

void DesktopCommands::HelpContents1Click() {
    if (window_.state().HelpAvailable)
        window_.desktop().show_help({});
}

void DesktopCommands::EmailSupportaQuestion1Click() {
    window_.desktop().open_url(links::support_mail());
}

void DesktopCommands::VisitLarchmeresoftwarewebsite1Click() {
    window_.desktop().open_url(links::web_site());
}

} // namespace vt
