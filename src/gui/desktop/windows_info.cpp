#include "gui/desktop/windows_info.h"

#include <QStandardPaths>

namespace vt {

TWindowsInfo::TWindowsInfo()
    : desktop_(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation)
                   .toLocal8Bit()
                   .toStdString()),
      start_menu_(QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation)
                      .toLocal8Bit()
                      .toStdString()) {}

} // namespace vt
