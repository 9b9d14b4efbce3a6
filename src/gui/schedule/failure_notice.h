#pragma once
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <functional>

namespace vt {

// A desktop notification that a backup failed (org.freedesktop.Notifications), with
// an action that opens the run's journal. The action reaches the program that sent
// the notification only while it runs, so the sender waits for the answer.
class FailureNotice final : public QObject {
    Q_OBJECT
public:
    using Opener = std::function<void(const QString& path)>;

    FailureNotice(QDBusConnection bus, Opener open_journal);

    // Shows the notification; false, with error() set, when no notification service
    // answered. The action is offered only when `journal` is not empty.
    bool send(const QString& summary, const QString& body, const QString& journal);
    const QString& error() const { return error_; }

    // Waits until the notification is answered or closed, at most `limit_ms`; an
    // answer opens the journal.
    void wait(int limit_ms);

    // Opens a file with the desktop's program for it. Under a systemd unit the viewer
    // is started as a unit of its own, so that it outlives the run's unit.
    static void open_with_desktop(const QString& path);

private slots:
    void action_invoked(uint id, const QString& key);
    void notification_closed(uint id, uint reason);

private:
    QDBusConnection bus_;
    Opener open_journal_;
    QString journal_;
    QString error_;
    uint id_ = 0;
    bool answered_ = false;
};

} // namespace vt
