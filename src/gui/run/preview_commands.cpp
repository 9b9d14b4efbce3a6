#include "gui/run/preview_commands.h"

#include "core/list/copy_list.h"
#include "core/platform/prompter.h"
#include "core/restore/restore_plan.h"
#include "gui/run/copy_controller.h"
#include "gui/run/vt_preview.h"
#include "gui/run/vt_restore.h"
#include "gui/window/main_menu.h"
#include "gui/window/main_window_context.h"

#include <QAbstractButton>
#include <QAction>
#include <QInputDialog>
#include <QWidget>

namespace vt {

PreviewCommands::PreviewCommands(MainWindowContext& window)
    : QObject(&window.widget()), window_(window) {
    const MainMenu& m = window.main_menu();
    connect(m.PreviewCopy1, &QAction::triggered, this, &PreviewCommands::PreviewCopy1Click);
    connect(m.RestoreFiles1, &QAction::triggered, this, &PreviewCommands::RestoreFiles1Click);
    connect(m.DaysToKeepVersions1, &QAction::triggered, this,
            &PreviewCommands::DaysToKeepVersions1Click);
    ask_days_ = [this](int& days) {
        bool ok = false;
        const int chosen = QInputDialog::getInt(
            &window_.widget(), tr("Keep Replaced Versions"),
            tr("Remove the versions kept by runs more than this many days ago\n"
               "(0 keeps them for ever):"),
            days, 0, 36500, 1, &ok);
        if (ok)
            days = chosen;
        return ok;
    };
}

void PreviewCommands::PreviewCopy1Click() {
    if (window_.copy_controller().running())
        return;
    TPreview_Form preview(&window_.widget(), window_.document(), window_.copy_options());
    if (on_preview_)
        on_preview_(preview);
    if (preview.exec() == QDialog::Accepted)
        window_.copy_button().click();
}

void PreviewCommands::RestoreFiles1Click() {
    if (window_.copy_controller().running())
        return;
    const CopyList& list = window_.document();
    if (list.empty()) {
        window_.prompter().ask({"Nothing to do", "There is no list of files to restore!",
                                Buttons::Ok, Answer::Ok, Icon::None, Answer::Ok});
        return;
    }
    TRestore_Form dialog(&window_.widget(), restore_versions(list));
    if (on_restore_)
        on_restore_(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const RestorePlan plan = plan_restore(list, dialog.request());
    if (!plan.ok()) {
        window_.prompter().ask(
            {"Restore Files", plan.error, Buttons::Ok, Answer::Ok, Icon::Warning, Answer::Ok});
        return;
    }
    QStringList notes;
    for (const std::string& note : plan.notes)
        notes << QString::fromLocal8Bit(note.c_str());
    CopyOptions options = window_.copy_options();
    options.keep_versions = false;
    TPreview_Form preview(&window_.widget(), plan.list, options, true, plan.rows, notes);
    if (on_preview_)
        on_preview_(preview);
    if (preview.exec() == QDialog::Accepted)
        window_.copy_controller().restore(plan.list, plan.started_note);
}

void PreviewCommands::DaysToKeepVersions1Click() {
    int days = window_.copy_options().versions_days;
    if (!ask_days_(days))
        return;
    // Only the days change; the other options stay as the window shows them.
    CopyOptions options = window_.copy_options();
    options.versions_days = days;
    window_.set_copy_options(options);
}

} // namespace vt
