#include "gui/run/preview_commands.h"

#include "core/restore/restore_plan.h"
#include "gui/run/copy_controller.h"
#include "gui/run/vt_preview.h"
#include "gui/run/vt_restore.h"
#include "gui/window/vt_main.h"

#include <QAction>
#include <QInputDialog>
#include <QToolButton>

namespace vt {

PreviewCommands::PreviewCommands(TVT_main_Form& form) : QObject(&form), form_(form) {
    const MainMenu& m = form.menu;
    connect(m.PreviewCopy1, &QAction::triggered, this, &PreviewCommands::PreviewCopy1Click);
    connect(m.RestoreFiles1, &QAction::triggered, this, &PreviewCommands::RestoreFiles1Click);
    connect(m.DaysToKeepVersions1, &QAction::triggered, this,
            &PreviewCommands::DaysToKeepVersions1Click);
    ask_days_ = [this](int& days) {
        bool ok = false;
        const int chosen = QInputDialog::getInt(
            &form_, tr("Keep Replaced Versions"),
            tr("Remove the versions kept by runs more than this many days ago\n"
               "(0 keeps them for ever):"),
            days, 0, 36500, 1, &ok);
        if (ok)
            days = chosen;
        return ok;
    };
}

void PreviewCommands::PreviewCopy1Click() {
    if (form_.copy_controller()->running())
        return;
    TPreview_Form preview(&form_, form_.document(), form_.copy_options());
    if (on_preview_)
        on_preview_(preview);
    if (preview.exec() == QDialog::Accepted)
        form_.BitBtn_do_copy->click();
}

void PreviewCommands::RestoreFiles1Click() {
    if (form_.copy_controller()->running())
        return;
    const CopyList& list = form_.document();
    if (list.empty()) {
        form_.prompter().ask({"Nothing to do", "There is no list of files to restore!", Buttons::Ok,
                              Answer::Ok, Icon::None, Answer::Ok});
        return;
    }
    TRestore_Form dialog(&form_, restore_versions(list));
    if (on_restore_)
        on_restore_(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const RestorePlan plan = plan_restore(list, dialog.request());
    if (!plan.ok()) {
        form_.prompter().ask(
            {"Restore Files", plan.error, Buttons::Ok, Answer::Ok, Icon::Warning, Answer::Ok});
        return;
    }
    QStringList notes;
    for (const std::string& note : plan.notes)
        notes << QString::fromLocal8Bit(note.c_str());
    CopyOptions options = form_.copy_options();
    options.keep_versions = false;
    TPreview_Form preview(&form_, plan.list, options, true, plan.rows, notes);
    if (on_preview_)
        on_preview_(preview);
    if (preview.exec() == QDialog::Accepted)
        form_.copy_controller()->restore(plan.list, plan.started_note);
}

void PreviewCommands::DaysToKeepVersions1Click() {
    int days = form_.versions_days;
    if (ask_days_(days))
        form_.versions_days = days;
}

} // namespace vt
