#include "gui/schedule/schedule_commands.h"

#include "core/list/copy_list.h"
#include "core/list/file_commands.h"
#include "core/platform/path_key.h"
#include "core/platform/prompter.h"
#include "core/schedule/unit_files.h"
#include "core/schedule/user_schedules.h"
#include "gui/desktop/desktop_commands.h"
#include "gui/schedule/vt_schedule.h"
#include "gui/window/main_menu.h"
#include "gui/window/main_window_context.h"

#include <QAction>
#include <QWidget>

namespace vt {

ScheduleCommands::ScheduleCommands(MainWindowContext& window, CommandRunner* runner)
    : QObject(&window.widget()), window_(window) {
    if (!runner) {
        own_runner_ = std::make_unique<SystemCommandRunner>();
        runner = own_runner_.get();
    }
    runner_ = runner;
    connect(window.main_menu().ScheduleThisList1, &QAction::triggered, this,
            &ScheduleCommands::ScheduleThisList1Click);
}

void ScheduleCommands::ScheduleThisList1Click() {
    UserSchedules schedules(*runner_);
    ScheduleDialogState state;
    state.list = window_.document().file_name();
    if (!state.list.empty()) {
        if (const auto found = schedules.find(state.list); found && found->schedule)
            state.schedule = *found->schedule;
        state.last_run = read_run_record(state.list);
        state.enable_command =
            UserSchedules::enable_command(units::unit_stem(names::canonical_path(state.list)));
    }
    state.manager = schedules.manager_running();
    TSchedule_Form dialog(state, &window_.widget());
    if (on_dialog_)
        on_dialog_(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const Schedule chosen = dialog.schedule();
    const bool off = chosen.frequency == Frequency::Off;
    if (off && state.list.empty())
        return; // an untitled list has no schedule to take back
    // The timer runs the list as it is on disk.
    if (!off && (state.list.empty() || window_.document().modified()) &&
        !window_.file_commands().Save1Click())
        return;
    const std::string list = window_.document().file_name();
    const ScheduleChange change = schedules.set(list, chosen, program_file_path());
    if (!change.result) {
        window_.prompter().show_error("Cannot schedule " + list + ": " + change.result.error);
        return;
    }
    if (!off && !change.manager)
        window_.prompter().ask({"Vantorel", UserSchedules::no_manager_text(change.enable_command),
                                Buttons::Ok, Answer::Ok, Icon::Information, Answer::Ok});
}

} // namespace vt
