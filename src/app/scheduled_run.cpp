#include "app/scheduled_run.h"

#include "app/headless_run.h"
#include "app/settings_file.h"
#include "platform/path_key.h"
#include "schedule/failure_notice.h"
#include "schedule/run_record.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <ctime>
#include <iostream>
#include <unistd.h>

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

int scheduled_run(int argc, char** argv, const CommandLine& command) {
    QCoreApplication app(argc, argv); // D-Bus needs one
    HeadlessReport report;
    const bool terminal = ::isatty(2) != 0;
    const int status =
        headless_run(command, startup_copy_options(), std::cout, std::cerr, terminal, &report);

    RunRecord record;
    record.list = names::canonical_path(report.list);
    record.time = std::time(nullptr);
    record.copied = report.copied;
    record.failures = report.failures;
    record.status = status;
    record.journal = report.journal;
    if (const IoResult written = write_run_record(record); !written)
        std::cerr << "vantorel: cannot keep the result of the run: " << written.error << "\n";

    const auto failure = failure_text(report, status);
    if (!failure)
        return status;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return status; // no desktop session to tell
    // Someone at a terminal sees the outcome there; the journal's action is offered
    // only to a run that can wait for it.
    const QString journal = terminal ? QString() : text(report.journal);
    FailureNotice notice(bus, &FailureNotice::open_with_desktop);
    if (!notice.send(text(failure->summary), text(failure->body), journal)) {
        std::cerr << "vantorel: no desktop notification: "
                  << notice.error().toLocal8Bit().toStdString() << "\n";
        return status;
    }
    notice.wait(kAnswerWaitMs);
    return status;
}

} // namespace vt
