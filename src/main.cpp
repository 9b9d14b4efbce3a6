#include "cli/command_line.h"
#include "cli/headless_check.h"
#include "cli/headless_run.h"
#include "cli/schedule_command.h"
#include "cli/scheduled_run.h"
#include "core/desktop/product_info.h"
#include "core/settings/settings_file.h"
#include "gui/schedule/desktop_failure_notice.h"
#include "gui/window/vt_main.h"

#include <QApplication>
#include <clocale>
#include <cstdio>
#include <iostream>
#include <unistd.h>

int main(int argc, char* argv[]) {
    std::setlocale(LC_ALL, "");
    std::vector<std::string> args(argv + 1, argv + argc);
    const vt::CommandLine cl = vt::parse_command_line(args);
    switch (cl.mode) {
    case vt::CommandLine::Mode::Version:
        std::printf("%s %s\n", vt::ProductInfo::product_name,
                    vt::ProductInfo::version_number().c_str());
        return 0;
    case vt::CommandLine::Mode::Help:
        std::fputs(vt::usage_text().c_str(), stdout);
        return 0;
    case vt::CommandLine::Mode::Invalid:
        std::fprintf(stderr, "vantorel: %s (see vantorel --help)\n", cl.error.c_str());
        return 2;
    case vt::CommandLine::Mode::Run:
    case vt::CommandLine::Mode::Restore:
        if (cl.notify)
            return vt::scheduled_run(cl, [&](const vt::FailureText& failure,
                                             const std::string& journal) {
                vt::notify_failure_on_desktop(argc, argv, failure.summary, failure.body, journal);
            });
        return vt::headless_run(cl, vt::startup_copy_options(), std::cout, std::cerr,
                                ::isatty(2) != 0);
    case vt::CommandLine::Mode::Check:
        // The report scrolls by on a terminal; the status line is for a report that
        // goes elsewhere.
        return vt::headless_check(cl, vt::startup_copy_options(), std::cout, std::cerr,
                                  ::isatty(2) != 0 && ::isatty(1) == 0);
    case vt::CommandLine::Mode::Schedule:
    case vt::CommandLine::Mode::Schedules:
        return vt::schedule_command(cl);
    case vt::CommandLine::Mode::Gui:
        break;
    }

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
