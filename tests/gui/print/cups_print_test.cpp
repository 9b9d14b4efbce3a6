// Prints from the running window through a real print server: a cupsd of the
// test's own with a cups-pdf queue as the default printer.
#include "gui/print/pdf_reader.h"
#include "gui/window/vt_main.h"
#include "support/open_main_window.h"
#include "support/recording_desktop_services.h"
#include "support/saved_list.h"
#include "support/scoped_env.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QTest>
#include <chrono>
#include <cstdlib>
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vt {
namespace {

int run(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> pdf_files(const std::string& folder) {
    std::vector<std::string> found;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".pdf") == 0)
                found.push_back(folder + "/" + name);
        }
        ::closedir(d);
    }
    return found;
}

class PrivatePrintServer {
public:
    explicit PrivatePrintServer(std::string folder) : folder_(std::move(folder)) {
        status_ = run(command("start") + " " + std::to_string(::getpid()));
    }
    ~PrivatePrintServer() { run(command("stop")); }
    int status() const { return status_; }
    std::string socket() const { return folder_ + "/cups.sock"; }
    std::string out() const { return folder_ + "/out"; }
    std::string log() const {
        return test::command_output("CUPS_SERVER='" + socket() + "' lpstat -o 2>&1; ls -l '" +
                                    out() + "'; tail -n 40 '" + folder_ + "/log/error_log'");
    }
    bool idle() const {
        return test::command_output("CUPS_SERVER='" + socket() + "' lpstat -o 2>/dev/null").empty();
    }

private:
    std::string command(const char* action) const {
        return std::string("'") + VT_PRIVATE_CUPSD + "' " + action + " '" + folder_ + "'";
    }
    std::string folder_;
    int status_ = -1;
};

TEST(CupsPrintTest, PrintSendsLandscapeNumberedPagesToTheDefaultPrinter) {
    test::TempDir dir;
    ::chmod(dir.path().c_str(), 0755); // the server's filters run as another user
    PrivatePrintServer server(dir / "cups");
    if (server.status() == 77)
        GTEST_SKIP() << "cupsd could not be started here";
    ASSERT_EQ(server.status(), 0) << "the print queue could not be set up";
    // Only the test's own server, and no personal default printer, are seen.
    test::ScopedEnv cups_server{"CUPS_SERVER", server.socket()};
    test::ScopedEnv home{"HOME", dir.path()};
    test::ScopedEnv printer{"PRINTER", std::nullopt}, lpdest{"LPDEST", std::nullopt};

    std::vector<CopyLine> lines;
    for (int i = 1; i <= 60; ++i)
        lines.push_back({"/home/me/folder" + std::to_string(i), "*.*",
                         "/media/backup/folder" + std::to_string(i), "Yes", "No"});
    const std::string name = test::save_list(dir / "lists/Weekly.vtl", lines);

    test::ScriptedPrompter prompter; // any message box fails the test
    test::RecordingDesktopServices desktop;
    std::unique_ptr<TVT_main_Form> form;
    ASSERT_NO_FATAL_FAILURE(form = test::open_main_window({&prompter, &desktop}, name));
    form->menu.Print1->trigger();

    std::vector<std::string> pdfs;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
    while (std::chrono::steady_clock::now() < deadline) {
        pdfs = pdf_files(server.out());
        if (!pdfs.empty() && server.idle())
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    ASSERT_EQ(pdfs.size(), 1u) << "no printed file arrived; print server log:\n" << server.log();

    const auto pages = test::pdf_pages(pdfs[0]);
    const test::PdfLayout layout = test::pdf_layout(pdfs[0]);
    ASSERT_GE(pages.size(), 2u) << server.log();
    ASSERT_EQ(layout.pages.size(), pages.size());
    for (size_t p = 0; p < pages.size(); ++p) {
        // A landscape page may arrive as portrait paper with its content turned:
        // then its lines run along the paper's long side.
        const int page = static_cast<int>(p) + 1;
        const test::PdfWord* header = layout.find(page, "Source");
        ASSERT_TRUE(header) << "page " << page;
        const bool along_width = header->x_max - header->x_min > header->y_max - header->y_min;
        const bool wide_paper = layout.pages[p].width > layout.pages[p].height;
        EXPECT_EQ(along_width, wide_paper) << "page " << page << " is not landscape";
        EXPECT_NE(pages[p].find("Page " + std::to_string(p + 1)), std::string::npos) << p + 1;
        EXPECT_NE(pages[p].find(name), std::string::npos) << "page " << p + 1;
        EXPECT_NE(pages[p].find("Source Directory"), std::string::npos) << "page " << p + 1;
        EXPECT_NE(pages[p].find("Destination Directory"), std::string::npos) << "page " << p + 1;
    }
    const std::string last = pages.back();
    EXPECT_NE(last.find("/media/backup/folder60"), std::string::npos);
}

} // namespace
} // namespace vt
