#pragma once
#include "core/schedule/command_runner.h"

#include <QObject>
#include <functional>
#include <memory>

namespace vt {

class MainWindowContext;
class TSchedule_Form;

// The main window's "Schedule This List..." command: shows the schedule dialog for
// the current list and writes what it chose as systemd user units.
class ScheduleCommands : public QObject {
    Q_OBJECT
public:
    // `runner` runs systemctl; null: the real one.
    ScheduleCommands(MainWindowContext& window, CommandRunner* runner);

    void ScheduleThisList1Click();
    // Called with the dialog before it is shown (tests act on it there).
    void on_dialog(std::function<void(TSchedule_Form&)> f) { on_dialog_ = std::move(f); }

private:
    MainWindowContext& window_;
    std::unique_ptr<CommandRunner> own_runner_;
    CommandRunner* runner_;
    std::function<void(TSchedule_Form&)> on_dialog_;
};

} // namespace vt
