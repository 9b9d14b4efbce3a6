#include "desktop/qt_desktop_services.h"

#include <QDesktopServices>
#include <QUrl>

namespace vt {

void QtDesktopServices::open_url(const std::string& url) {
    QDesktopServices::openUrl(QUrl(QString::fromLocal8Bit(url), QUrl::TolerantMode));
}

void QtDesktopServices::open_document(const std::string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromLocal8Bit(path)));
}

void QtDesktopServices::show_help(const std::string& /*keyword*/) {}

} // namespace vt
