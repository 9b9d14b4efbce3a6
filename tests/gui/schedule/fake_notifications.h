#pragma once
#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

namespace vt::test {

// A notification service on a test's own session bus: records each Notify call
// and answers it the way it was told (an action, a close, or nothing).
class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call {
        QString app, icon, summary, body;
        QStringList actions;
        QVariantMap hints;
    };
    QList<Call> calls;
    QString answer_with_action; // empty: close the notification instead
    QStringList capabilities{QStringLiteral("actions"), QStringLiteral("body")};

public slots:
    Q_SCRIPTABLE QStringList GetCapabilities() { return capabilities; }
    Q_SCRIPTABLE uint Notify(const QString& app, uint, const QString& icon, const QString& summary,
                             const QString& body, const QStringList& actions,
                             const QVariantMap& hints, int) {
        calls.append({app, icon, summary, body, actions, hints});
        const uint id = 40 + static_cast<uint>(calls.size());
        QTimer::singleShot(50, this, [this, id] {
            if (answer_with_action.isEmpty())
                emit NotificationClosed(id, 2);
            else
                emit ActionInvoked(id, answer_with_action);
        });
        return id;
    }

signals:
    Q_SCRIPTABLE void ActionInvoked(uint id, const QString& key);
    Q_SCRIPTABLE void NotificationClosed(uint id, uint reason);
};

} // namespace vt::test
