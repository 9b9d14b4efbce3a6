#include "gui/module/window_entry.h"

#include "core/desktop/product_info.h"
#include "gui/schedule/desktop_failure_notice.h"
#include "gui/window/vt_main.h"

#include <QApplication>
#include <type_traits>

// The module exports these two names and nothing else.
#define VT_ENTRY extern "C" __attribute__((visibility("default")))

VT_ENTRY int vantorel_window_main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantorel"));
    QApplication::setApplicationDisplayName(QString());
    // Lets the desktop match the windows to the menu entry and its icon (Wayland asks).
    QGuiApplication::setDesktopFileName(QString::fromLatin1(vt::ProductInfo::app_id));
    // Qt has taken its own options (-platform and the like) out of the arguments.
    const QStringList qt_args = QApplication::arguments();
    const QString list_argument = qt_args.size() > 1 ? qt_args.at(1) : QString();
    vt::MainFormServices services;
    services.introduction_at_start = true;
    vt::TVT_main_Form form(list_argument, services);
    if (form.ended_at_start())
        return 0; // the introduction screen was rejected
    form.show();
    return QApplication::exec();
}

VT_ENTRY void vantorel_notify_failure(int argc, char** argv, const char* summary, const char* body,
                                      const char* journal) {
    vt::notify_failure_on_desktop(argc, argv, summary, body, journal);
}

// The program calls them through these types.
static_assert(std::is_same_v<decltype(vantorel_window_main), vt::window_module::WindowMain>);
static_assert(std::is_same_v<decltype(vantorel_notify_failure), vt::window_module::NotifyFailure>);
