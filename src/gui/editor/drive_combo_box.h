#pragma once
#include "core/platform/mounts.h"

#include <QComboBox>
#include <vector>

namespace vt {

// The drive box of the entry editor: the mounted file systems a user picks folders
// from. Each item shows the mount point and, in brackets, what is mounted there.
class DriveComboBox final : public QComboBox {
    Q_OBJECT
public:
    explicit DriveComboBox(QWidget* parent = nullptr,
                           std::vector<mounts::Mount> mounts = mounts::read_user_mounts());

    // The mount point of the selected item.
    QString drive() const;
    // Selects the mount point that holds `folder` (the root when no other does).
    void set_drive_for(const QString& folder);

signals:
    // The user picked a drive.
    void driveChanged(const QString& mount_point);

private:
    std::vector<std::string> points_;
};

} // namespace vt
