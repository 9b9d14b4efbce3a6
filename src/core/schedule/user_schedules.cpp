#include "core/schedule/user_schedules.h"

#include "core/desktop/product_info.h"
#include "core/platform/atomic_file.h"
#include "core/platform/path_key.h"
#include "core/platform/sys.h"
#include "core/platform/whole_file.h"
#include "core/platform/xdg_folders.h"
#include "core/schedule/unit_files.h"
#include "core/schedule/unit_reader.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>

namespace vt {
namespace {

const std::string kTimer = ".timer";
const std::string kService = ".service";

// The first line of a command's output, for a one-line message.
std::string first_line(const std::string& output) {
    const std::string line = output.substr(0, output.find('\n'));
    return line.empty() ? "failed" : line;
}

IoResult remove_file(const std::string& path) {
    if (sys::unlink(path.c_str()) != 0 && errno != ENOENT)
        return IoResult::from_errno(errno);
    return IoResult::success();
}

} // namespace

UserSchedules::UserSchedules(CommandRunner& runner, std::string folder)
    : runner_(runner), folder_(std::move(folder)) {}

std::string UserSchedules::default_folder() {
    return xdg::config_home() + "/systemd/user";
}

std::string UserSchedules::enable_command(const std::string& stem) {
    // A unit name holds no quote (the escaping turns one into "\x27").
    return "systemctl --user enable --now '" + stem + kTimer + "'";
}

std::string UserSchedules::no_manager_text(const std::string& enable_command) {
    return "No systemd user manager is running, so the schedule is written but not active. "
           "Once one runs, this command starts it: " +
           enable_command;
}

std::optional<ScheduledList> UserSchedules::read_units(const std::string& stem) const {
    std::string timer_text, service_text;
    if (!read_whole_file(folder_ + "/" + stem + kTimer, timer_text) ||
        !read_whole_file(folder_ + "/" + stem + kService, service_text))
        return std::nullopt;
    const units::UnitFile timer(timer_text), service(service_text);
    const auto exec = service.value("Service", "ExecStart");
    const auto words = exec ? units::exec_words(*exec) : std::nullopt;
    if (!words)
        return std::nullopt;
    const auto run = std::find(words->begin(), words->end(), "--run");
    if (run == words->end() || run + 1 == words->end())
        return std::nullopt;
    ScheduledList found;
    found.list = *(run + 1);
    found.stem = stem;
    found.calendar = timer.value("Timer", "OnCalendar").value_or("");
    const std::string persistent = timer.value("Timer", "Persistent").value_or("false");
    const bool catch_up =
        persistent == "true" || persistent == "yes" || persistent == "1" || persistent == "on";
    found.schedule = schedule_from_calendar(found.calendar, catch_up);
    return found;
}

std::optional<ScheduledList> UserSchedules::find(const std::string& list) const {
    const std::string path = names::canonical_path(list);
    auto found = read_units(units::unit_stem(path));
    if (!found || found->list != path)
        return std::nullopt;
    return found;
}

std::vector<ScheduledList> UserSchedules::all() const {
    std::vector<ScheduledList> out;
    DIR* dir = ::opendir(folder_.c_str());
    if (!dir)
        return out;
    const std::string prefix = std::string(ProductInfo::app_id) + "-";
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name.size() <= prefix.size() + kTimer.size() || name.rfind(prefix, 0) != 0 ||
            name.compare(name.size() - kTimer.size(), kTimer.size(), kTimer) != 0)
            continue;
        if (auto found = read_units(name.substr(0, name.size() - kTimer.size())))
            out.push_back(std::move(*found));
    }
    ::closedir(dir);
    std::sort(out.begin(), out.end(),
              [](const ScheduledList& a, const ScheduledList& b) { return a.list < b.list; });
    return out;
}

IoResult UserSchedules::systemctl(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"systemctl", "--user"});
    const CommandResult r = runner_.run(arguments);
    if (r.ok())
        return IoResult::success();
    return IoResult::failure(r.status, arguments[2] + ": " + first_line(r.output));
}

bool UserSchedules::manager_running() {
    return runner_.run({"systemctl", "--user", "show", "--property=Version"}).ok();
}

ScheduleChange UserSchedules::set(const std::string& list, const Schedule& schedule,
                                  const std::string& program) {
    ScheduleChange change;
    const std::string path = names::canonical_path(list);
    const std::string stem = units::unit_stem(path);
    const std::string timer = stem + kTimer;
    const std::string service_file = folder_ + "/" + stem + kService;
    const std::string timer_file = folder_ + "/" + timer;

    if (schedule.frequency == Frequency::Off) {
        struct stat st {};
        if (::stat(timer_file.c_str(), &st) != 0 && ::stat(service_file.c_str(), &st) != 0)
            return change; // never scheduled: nothing to take back
        change.manager = manager_running();
        if (change.manager) {
            // A unit that is not loaded cannot be stopped; removing its files is enough.
            systemctl({"disable", "--now", timer});
            systemctl({"stop", stem + kService});
        }
        if (!(change.result = remove_file(timer_file)) ||
            !(change.result = remove_file(service_file)))
            return change;
        if (change.manager)
            change.result = systemctl({"daemon-reload"});
        return change;
    }

    if (!(change.result = xdg::make_folders(folder_)) ||
        !(change.result = replace_file(service_file, units::service_text(program, path))) ||
        !(change.result = replace_file(timer_file, units::timer_text(schedule, path, stem))))
        return change;
    change.manager = manager_running();
    if (!change.manager) {
        change.enable_command = enable_command(stem);
        return change;
    }
    // A restart makes a timer that was running already take its new calendar.
    if ((change.result = systemctl({"daemon-reload"})) &&
        (change.result = systemctl({"enable", timer})))
        change.result = systemctl({"restart", timer});
    return change;
}

} // namespace vt
