#include "gui/schedule/desktop_failure_notice.h"

#include "gui/schedule/failure_notice.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <iostream>

namespace vt {
namespace {

// How long a failed run waits for the notification's answer before it ends. A
// timer does not start a run while the last one is still waiting, so this stays
// well below an hour.
constexpr int kAnswerWaitMs = 15 * 60 * 1000;

QString text(const std::string& s) {
    return QString::fromLocal8Bit(s);
}

} // namespace

void notify_failure_on_desktop(int argc, char** argv, const std::string& summary,
                               const std::string& body, const std::string& journal) {
    QCoreApplication app(argc, argv); // D-Bus needs one
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return; // no desktop session to tell
    FailureNotice notice(bus, &FailureNotice::open_with_desktop);
    if (!notice.send(text(summary), text(body), text(journal))) {
        std::cerr << "vantorel: no desktop notification: "
                  << notice.error().toLocal8Bit().toStdString() << "\n";
        return;
    }
    notice.wait(kAnswerWaitMs);
}

} // namespace vt
