#pragma once
#include "core/schedule/run_record.h"
#include "core/schedule/schedule.h"

#include <QDialog>
#include <ctime>
#include <functional>
#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QTimeEdit;

namespace vt {

// What the schedule dialog shows when it opens.
struct ScheduleDialogState {
    std::string list;  // empty: an untitled list, saved when OK is pressed
    Schedule schedule; // the list's schedule now; Off when it has none
    std::optional<RunRecord> last_run;
    bool manager = true;        // a systemd user manager runs
    std::string enable_command; // without one: the command that will start the timer
    std::function<std::time_t()> now = [] { return std::time(nullptr); };
};

// "Schedule This List...": how often the list is copied on its own, at what time and
// on which day, whether a missed run is made up, the next planned run and the last
// scheduled run's result.
class TSchedule_Form : public QDialog {
    Q_OBJECT
public:
    explicit TSchedule_Form(ScheduleDialogState state, QWidget* parent = nullptr);

    // The schedule as the controls show it (normalized).
    Schedule schedule() const;

    QLabel* List_Label = nullptr;
    QComboBox* Frequency_ComboBox = nullptr; // Off, Hourly, Daily, Weekly, Monthly
    QLabel* Time_Caption = nullptr;
    QTimeEdit* Time_Edit = nullptr;
    QLabel* Weekday_Caption = nullptr;
    QComboBox* Weekday_ComboBox = nullptr; // Monday first; data: 0 Sunday ... 6 Saturday
    QCheckBox* CatchUp_CheckBox = nullptr;
    QLabel* NextRun_Label = nullptr;
    QLabel* LastRun_Label = nullptr;
    QLabel* Manager_Label = nullptr; // shown when no user manager runs
    QDialogButtonBox* Buttons = nullptr;

private:
    void update_controls();

    ScheduleDialogState state_;
};

} // namespace vt
