#include "gui/editor/drive_combo_box.h"

namespace vt {

DriveComboBox::DriveComboBox(QWidget* parent, std::vector<mounts::Mount> mounts)
    : QComboBox(parent) {
    for (const mounts::Mount& m : mounts) {
        const QString point = QString::fromLocal8Bit(m.mount_point);
        QString text = point;
        if (!m.device.empty())
            text += QStringLiteral("  [%1]").arg(QString::fromLocal8Bit(m.device));
        addItem(text, point);
        points_.push_back(m.mount_point);
    }
    connect(this, &QComboBox::activated, this, [this] { emit driveChanged(drive()); });
}

QString DriveComboBox::drive() const {
    return currentData().toString();
}

void DriveComboBox::set_drive_for(const QString& folder) {
    const std::string point = mounts::holding(points_, folder.toLocal8Bit().toStdString());
    const int index = findData(QString::fromLocal8Bit(point.empty() ? "/" : point));
    if (index >= 0)
        setCurrentIndex(index);
}

} // namespace vt
