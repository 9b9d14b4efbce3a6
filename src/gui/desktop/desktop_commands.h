#pragma once
#include "core/desktop/shortcut_file.h"
#include "gui/desktop/windows_info.h"

#include <QObject>

namespace vt {

class MainWindowContext;

// The main window's commands of the desktop: the ".vtl" file type, the shortcuts,
// help and the outside links. Connects itself to the window's menu items.
class DesktopCommands : public QObject {
    Q_OBJECT
public:
    explicit DesktopCommands(MainWindowContext& window);

    // Start-up steps.
    void check_help_file();
    void ensure_version_record();
    void check_file_type();

    void SetupRegistrytorecognizevtlfiles1Click();
    void UninstallRegistrysettingstorecognizevtlFiles1Click();
    void CreateDesktopIconforVantorel1Click();
    void CreateStartMenuEntryforVantorel1Click();
    void CreateDesktopShortcutcurrentfile1Click();
    void CreateStartMenuentryforthecurrentfile1Click();
    void Help2Click();
    void HelpContents1Click();
    void EmailSupportaQuestion1Click();
    void VisitLarchmeresoftwarewebsite1Click();

    const TWindowsInfo& windows_info() const { return windows_info_; }

private:
    void enable_current_file_items(bool enabled);
    void prepare_menu_folder();

    MainWindowContext& window_;
    TWindowsInfo windows_info_;
    TShortcutFile shortcut_file_;
};

// The running program's full path, as the desktop will start it.
std::string program_file_path();

} // namespace vt
