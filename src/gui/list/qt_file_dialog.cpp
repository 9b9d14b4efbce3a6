#include "gui/list/qt_file_dialog.h"

#include <QFileInfo>

namespace vt {
namespace {

bool is_mask(const QString& name) {
    return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'));
}

} // namespace

QtFileDialog::QtFileDialog(QWidget* parent, QFileDialog::AcceptMode mode,
                           const QString& object_name)
    : dialog_(new QFileDialog(parent)) {
    dialog_->setObjectName(object_name);
    dialog_->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog_->setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog_->setAcceptMode(mode);
    // Any typed name is accepted, also for opening: a missing file is reported by
    // the reader like any other file that cannot be read.
    dialog_->setFileMode(QFileDialog::AnyFile);
    dialog_->setDefaultSuffix(QString());
}

void QtFileDialog::apply_settings() {
    if (!initial_dir.empty())
        dialog_->setDirectory(QString::fromLocal8Bit(initial_dir));
    // The mask alone is the filter's text: no description is put around it.
    dialog_->setNameFilter(filter.empty() ? QStringLiteral("*") : QString::fromLocal8Bit(filter));
    dialog_->selectFile(QString::fromLocal8Bit(file_name));
}

bool QtFileDialog::execute() {
    if (!dialog_)
        return false;
    apply_settings();
    for (;;) {
        if (dialog_->exec() != QDialog::Accepted || dialog_->selectedFiles().isEmpty())
            return false;
        const QFileInfo chosen(dialog_->selectedFiles().constFirst());
        // A mask typed into the name box lists the matching files instead of
        // becoming a file called "*.vtl".
        if (is_mask(chosen.fileName())) {
            dialog_->setDirectory(chosen.absolutePath());
            dialog_->setNameFilter(chosen.fileName());
            dialog_->selectFile(QString());
            continue;
        }
        file_name = chosen.filePath().toLocal8Bit().toStdString();
        return true;
    }
}

} // namespace vt
