#pragma once
#include "core/list/file_dialog.h"

#include <QFileDialog>
#include <QPointer>

class QWidget;

namespace vt {

// A FileDialog shown as a Qt file dialog that lives as long as its parent window.
// It is Qt's own dialog rather than the desktop's, so that the name box and the
// filter behave the same everywhere. It never asks about replacing a file: Save As
// asks itself, about the name it will really write (".vtl" added), and only once.
class QtFileDialog final : public FileDialog {
public:
    QtFileDialog(QWidget* parent, QFileDialog::AcceptMode mode, const QString& object_name);
    bool execute() override;
    QFileDialog* dialog() const { return dialog_; }

private:
    void apply_settings();
    QPointer<QFileDialog> dialog_;
};

} // namespace vt
