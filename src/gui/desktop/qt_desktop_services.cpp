#include "gui/desktop/qt_desktop_services.h"

#include "core/desktop/help_topics.h"
#include "core/platform/file_names.h"
#include "gui/desktop/help_window.h"

#include <QApplication>
#include <QDesktopServices>
#include <QUrl>

namespace vt {

QtDesktopServices::QtDesktopServices(QWidget* owner)
    : QtDesktopServices(owner, help::find_manual(names::program_folder())) {}

QtDesktopServices::QtDesktopServices(QWidget* owner, std::string manual_path)
    : owner_(owner), manual_(std::move(manual_path)) {}

QtDesktopServices::~QtDesktopServices() = default;

HelpWindow* QtDesktopServices::help_window() const {
    return help_;
}

void QtDesktopServices::open_url(const std::string& url) {
    QDesktopServices::openUrl(QUrl(QString::fromLocal8Bit(url), QUrl::TolerantMode));
}

void QtDesktopServices::open_document(const std::string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromLocal8Bit(path)));
}

void QtDesktopServices::show_help(const std::string& keyword) {
    if (manual_.empty())
        return;
    // A help window under an open modal dialog would be blocked by it: it belongs to
    // that dialog while the dialog runs.
    QWidget* parent = QApplication::activeModalWidget();
    if (!parent)
        parent = owner_;
    if (!help_)
        help_ = new HelpWindow(manual_, parent);
    else if (help_->parentWidget() != parent)
        help_->setParent(parent, Qt::Window);
    help_->show_topic(keyword);
}

} // namespace vt
