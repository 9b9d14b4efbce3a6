// Loads and saves a 100,000-line list: into the real main window (offscreen), shown,
// and back to disk. Prints the median of five runs of each.
#include "core/list/list_file.h"
#include "gui/window/vt_main.h"

#include <QApplication>
#include <QTableView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::string make_list(const std::string& folder, int lines) {
    vt::CopyList list;
    list.set_message("Put the backup disk in");
    std::vector<vt::CopyLine> rows;
    rows.reserve(static_cast<size_t>(lines));
    for (int i = 0; i < lines; ++i)
        rows.push_back({"/home/user/Documents/Projects/project-" + std::to_string(i), "*.*",
                        "/media/backup/Documents/Projects/project-" + std::to_string(i),
                        i % 2 ? "Yes" : "No", i % 3 ? "Yes" : "No"});
    list.replace_lines(std::move(rows));
    const std::string name = folder + "/bench.vtl";
    if (!vt::save_vtl(list, name).ok)
        std::exit(1);
    return name;
}

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    char folder[] = "/tmp/vantorel-bench-XXXXXX";
    if (!::mkdtemp(folder))
        return 1;
    ::setenv("XDG_CONFIG_HOME", folder, 1);
    QApplication app(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 100000;
    const std::string name = make_list(folder, lines);

    vt::TVT_main_Form form(QString{});
    form.show();
    QApplication::processEvents();

    std::vector<double> load_times, save_times;
    for (int run = 0; run < 5; ++run) {
        form.document().replace_lines({});
        QApplication::processEvents();
        const auto t0 = Clock::now();
        form.load_vtl(name);
        form.FileList_StringGrid->repaint(); // shown: the view has laid out and painted
        QApplication::processEvents();
        const auto t1 = Clock::now();
        form.save_vtl(std::string(folder) + "/saved.vtl");
        const auto t2 = Clock::now();
        load_times.push_back(std::chrono::duration<double>(t1 - t0).count());
        save_times.push_back(std::chrono::duration<double>(t2 - t1).count());
    }
    std::printf("list of %d lines: load into the window and show %.3f s, save %.3f s "
                "(medians of 5)\n",
                form.document().line_count(), median(load_times), median(save_times));
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return 0;
}
