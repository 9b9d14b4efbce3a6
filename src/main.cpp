#include "cli/command_line.h"
#include "cli/headless_check.h"
#include "cli/headless_run.h"
#include "cli/schedule_command.h"
#include "cli/scheduled_run.h"
#include "core/desktop/product_info.h"
#include "core/settings/settings_file.h"
#include "gui/module/window_loader.h"

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
            return vt::scheduled_run(
                cl, [&](const vt::FailureText& failure, const std::string& journal) {
                    using vt::window_module::NotifyFailure;
                    if (auto* notify = vt::window_module::entry_as<NotifyFailure>(
                            vt::window_module::kNotifyFailure))
                        notify(argc, argv, failure.summary.c_str(), failure.body.c_str(),
                               journal.c_str());
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

    auto* window =
        vt::window_module::entry_as<vt::window_module::WindowMain>(vt::window_module::kWindowMain);
    return window ? window(argc, argv) : 1;
}
