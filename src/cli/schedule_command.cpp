#include "cli/schedule_command.h"

#include "core/list/list_file.h"
#include "core/platform/file_names.h"
#include "core/platform/file_time.h"
#include "core/schedule/run_record.h"

#include <iostream>

namespace vt {
namespace {

std::string time_text(std::time_t t) {
    std::tm local{};
    ::localtime_r(&t, &local);
    return date_time_text(local);
}

int list_schedules(UserSchedules& schedules, std::time_t now, std::ostream& out) {
    for (const ScheduledList& entry : schedules.all())
        out << schedule_line(entry, now) << "\n";
    return 0;
}

} // namespace

std::string schedule_line(const ScheduledList& entry, std::time_t now) {
    std::string line = entry.list + "\t";
    if (entry.schedule) {
        line += describe(*entry.schedule) + "\tnext " + time_text(next_run(*entry.schedule, now));
    } else {
        // Edited by hand into something this program does not write.
        line += "OnCalendar=" + entry.calendar + "\tnext unknown";
    }
    const auto record = read_run_record(entry.list);
    return line + "\tlast " + (record ? describe(*record) : std::string("none yet"));
}

int schedule_command(const CommandLine& command, UserSchedules& schedules,
                     const std::string& program, std::time_t now, std::ostream& out,
                     std::ostream& err) {
    if (command.mode == CommandLine::Mode::Schedules)
        return list_schedules(schedules, now, out);

    const std::string list = resolve_list_argument(command.list_argument);
    const Schedule& schedule = command.scheduling.schedule;
    const bool off = schedule.frequency == Frequency::Off;
    const bool was_scheduled = schedules.find(list).has_value();
    if (!off) {
        // The timer would only fail later, out of sight.
        CopyList check;
        if (const IoResult loaded = load_vtl(check, list); !loaded) {
            err << "vantorel: cannot read the list " << list << ": " << loaded.error << "\n";
            return 2;
        }
    }
    const ScheduleChange change = schedules.set(list, schedule, program);
    if (!change.result) {
        err << "vantorel: cannot schedule " << list << ": " << change.result.error << "\n";
        return 1;
    }
    if (off) {
        out << "vantorel: " << list
            << (was_scheduled ? " is no longer scheduled" : " was not scheduled") << "\n";
        return 0;
    }
    out << "vantorel: " << list << " is copied " << describe(schedule) << "; next run "
        << time_text(next_run(schedule, now)) << "\n";
    if (!change.manager)
        out << "vantorel: " << UserSchedules::no_manager_text(change.enable_command) << "\n";
    return 0;
}

int schedule_command(const CommandLine& command) {
    SystemCommandRunner runner;
    UserSchedules schedules(runner);
    return schedule_command(command, schedules, names::program_path(), std::time(nullptr),
                            std::cout, std::cerr);
}

} // namespace vt
