#include "gui/schedule/failure_notice.h"

#include "core/desktop/product_info.h"

#include <QDBusMessage>
#include <QDBusReply>
#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

namespace vt {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
constexpr int kCallTimeoutMs = 10000;

} // namespace

FailureNotice::FailureNotice(QDBusConnection bus, Opener open_journal)
    : bus_(std::move(bus)), open_journal_(std::move(open_journal)) {}

bool FailureNotice::send(const QString& summary, const QString& body, const QString& journal) {
    journal_ = journal;
    // Listening before sending: an answer may come right after the reply.
    bus_.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                 SLOT(action_invoked(uint, QString)));
    bus_.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                 SLOT(notification_closed(uint, uint)));

    QString text = body;
    const QDBusReply<QStringList> capabilities =
        bus_.call(QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                 QStringLiteral("GetCapabilities")),
                  QDBus::Block, kCallTimeoutMs);
    // A server that reads markup would take "<" or "&" in a path for a tag.
    if (capabilities.isValid() && capabilities.value().contains(QStringLiteral("body-markup")))
        text = text.toHtmlEscaped();

    QStringList actions;
    if (!journal.isEmpty())
        actions << QStringLiteral("default") << QStringLiteral("Open Journal")
                << QStringLiteral("open-journal") << QStringLiteral("Open Journal");
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(2)); // critical
    hints.insert(QStringLiteral("desktop-entry"), QString::fromLatin1(ProductInfo::app_id));
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << QStringLiteral("Vantorel") << uint(0) << QString::fromLatin1(ProductInfo::app_id)
         << summary << text << actions << hints << int(-1);
    const QDBusReply<uint> reply = bus_.call(call, QDBus::Block, kCallTimeoutMs);
    if (!reply.isValid()) {
        error_ = reply.error().message();
        return false;
    }
    id_ = reply.value();
    return true;
}

void FailureNotice::wait(int limit_ms) {
    if (id_ == 0 || journal_.isEmpty())
        return;
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(limit_ms);
    QTimer poll; // the slots set answered_; the loop looks at it
    connect(&poll, &QTimer::timeout, &loop, [this, &loop] {
        if (answered_)
            loop.quit();
    });
    poll.start(50);
    if (!answered_)
        loop.exec();
}

void FailureNotice::action_invoked(uint id, const QString& key) {
    if (id != id_ || answered_)
        return;
    answered_ = true;
    if ((key == QLatin1String("default") || key == QLatin1String("open-journal")) && open_journal_)
        open_journal_(journal_);
}

void FailureNotice::notification_closed(uint id, uint) {
    if (id == id_)
        answered_ = true;
}

void FailureNotice::open_with_desktop(const QString& path) {
    if (qEnvironmentVariableIsSet("INVOCATION_ID") &&
        !QStandardPaths::findExecutable(QStringLiteral("systemd-run")).isEmpty()) {
        // Its own transient unit, not a child of the run's unit, which ends (and takes
        // its processes with it) right after this.
        QProcess run;
        run.start(QStringLiteral("systemd-run"),
                  {QStringLiteral("--user"), QStringLiteral("--quiet"), QStringLiteral("--collect"),
                   QStringLiteral("--property=KillMode=process"), QStringLiteral("xdg-open"),
                   path});
        if (run.waitForFinished(10000) && run.exitStatus() == QProcess::NormalExit &&
            run.exitCode() == 0)
            return;
    }
    QProcess::startDetached(QStringLiteral("xdg-open"), {path});
}

} // namespace vt
