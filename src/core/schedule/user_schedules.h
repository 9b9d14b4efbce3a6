#pragma once
#include "core/platform/io_result.h"
#include "core/schedule/command_runner.h"
#include "core/schedule/schedule.h"

#include <optional>
#include <string>
#include <vector>

namespace vt {

// A list that has units in the user's unit folder.
struct ScheduledList {
    std::string list;                 // as the service runs it
    std::string stem;                 // the units' name without suffix
    std::string calendar;             // the timer's OnCalendar, as written
    std::optional<Schedule> schedule; // when the calendar is one this program writes
};

// How a change of schedule went.
struct ScheduleChange {
    IoResult result;
    // A systemd user manager runs and took the change; otherwise the units are only
    // written and `enable_command` starts the timer.
    bool manager = false;
    std::string enable_command;
};

// The schedules of lists as systemd user units in $XDG_CONFIG_HOME/systemd/user:
// writes and removes the units, and tells the user manager through systemctl
// when one runs.
class UserSchedules {
public:
    explicit UserSchedules(CommandRunner& runner, std::string folder = default_folder());
    static std::string default_folder();

    // The schedule of a list (any spelling of its path), if it has one.
    std::optional<ScheduledList> find(const std::string& list) const;
    // Every scheduled list, in the order of their paths.
    std::vector<ScheduledList> all() const;

    bool manager_running();
    // Writes the units of the list and enables and (re)starts its timer; Off stops,
    // disables and removes them. `program` is what the service starts.
    ScheduleChange set(const std::string& list, const Schedule& schedule,
                       const std::string& program);

    // The command that enables and starts a written timer.
    static std::string enable_command(const std::string& stem);
    // What to tell the user when no manager runs.
    static std::string no_manager_text(const std::string& enable_command);

    const std::string& folder() const { return folder_; }

private:
    std::optional<ScheduledList> read_units(const std::string& stem) const;
    IoResult systemctl(std::vector<std::string> arguments);

    CommandRunner& runner_;
    std::string folder_;
};

} // namespace vt
