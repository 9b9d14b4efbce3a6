#pragma once
#include <QObject>
#include <string>

class QAction;

namespace vt {

class MainWindowContext;

// The main window's settings file, recent files and startup list: moves values between
// them and the window's controls, reopens recent files and carries out the settings
// items of the Options menu. Connects itself to the window's menu items.
class SettingsCommands : public QObject {
    Q_OBJECT
public:
    explicit SettingsCommands(MainWindowContext& window);

    void read_ini();
    // Writes exactly the named groups (kSettings... flags); false after showing the
    // error.
    bool write_ini(unsigned groups);
    void add_history_file(const std::string& name);
    void update_files_history();

    // Every recent-file item; its data() is its tag.
    void N11Click(QAction* item);
    void SaveCurrentSettings1Click();
    void SaveCurrentListasAutoloadlist1Click();
    void RemoveDefaultAutoLoadListFile1Click();

private:
    MainWindowContext& window_;
};

} // namespace vt
