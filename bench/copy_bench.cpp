// Helper of scripts/run-bench.sh:
//   copy_bench tree DIR FILES FOLDERS MIN_BYTES MAX_BYTES   make a reproducible tree
//   copy_bench sparse FILE MIB DATA_MIB                     a sparse file of MIB MiB
//                                                           holding DATA_MIB MiB of data
//   copy_bench measure CMD ARGS...                          run a command; print
//                                                           "<seconds> <peak KiB> <exit
//                                                           status> <CPU seconds>"
//   copy_bench gui-run LIST [TIME_FILE]                     run LIST through the main
//                                                           window (offscreen); the run's
//                                                           own seconds go to TIME_FILE
#include "core/settings/settings_file.h"
#include "gui/run/copy_controller.h"
#include "gui/window/vt_main.h"

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

int make_tree(const std::string& root, long files, long folders, long min_bytes, long max_bytes) {
    std::mt19937_64 random(20261207);
    std::uniform_int_distribution<long> size(min_bytes, max_bytes);
    std::vector<char> block(static_cast<size_t>(max_bytes));
    for (char& c : block)
        c = static_cast<char>(random());
    ::mkdir(root.c_str(), 0755);
    // Folders in two levels: 20 groups of folders/20 (or one group for few folders).
    const long groups = folders >= 20 ? 20 : 1;
    for (long f = 0; f < folders; ++f) {
        const std::string group = root + "/group" + std::to_string(f % groups);
        ::mkdir(group.c_str(), 0755);
        const std::string folder = group + "/folder" + std::to_string(f);
        ::mkdir(folder.c_str(), 0755);
        const long count = files / folders + (f < files % folders ? 1 : 0);
        for (long i = 0; i < count; ++i) {
            const std::string name = folder + "/file" + std::to_string(i) + ".dat";
            const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0) {
                std::perror(name.c_str());
                return 1;
            }
            long left = size(random);
            block[0] = static_cast<char>(i); // no two files alike
            while (left > 0) {
                const ssize_t n = ::write(fd, block.data(), static_cast<size_t>(left));
                if (n <= 0) {
                    std::perror(name.c_str());
                    return 1;
                }
                left -= n;
            }
            ::close(fd);
        }
    }
    return 0;
}

// The data lies in 16 runs spread over the file, as in a disk image.
int make_sparse(const std::string& name, long mib, long data_mib) {
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(mib) << 20) != 0) {
        std::perror(name.c_str());
        return 1;
    }
    constexpr long kRuns = 16;
    std::vector<char> run(static_cast<size_t>((data_mib << 20) / kRuns));
    std::mt19937_64 random(20261208);
    for (char& c : run)
        c = static_cast<char>(random());
    for (long i = 0; i < kRuns; ++i) {
        const off_t at = static_cast<off_t>(((mib << 20) / kRuns) * i) & ~off_t{4095};
        if (::pwrite(fd, run.data(), run.size(), at) != static_cast<ssize_t>(run.size())) {
            std::perror(name.c_str());
            return 1;
        }
    }
    return ::close(fd) == 0 ? 0 : 1;
}

int measure(char** argv) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execvp(argv[0], argv);
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    ::wait4(child, &status, 0, &usage);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::printf("%.4f %ld %d %.4f\n", seconds, usage.ru_maxrss,
                WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), cpu);
    return 0;
}

int gui_run(int argc, char** argv, const std::string& list, const char* time_file) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantorel"));
    struct Answers final : vt::Prompter {
        vt::Answer ask(const vt::Prompt& p) override {
            return p.buttons == vt::Buttons::YesNo ? vt::Answer::No : p.default_button;
        }
    };
    // The window's own prompter would wait for a person; the benchmark answers itself.
    Answers answers;
    vt::TVT_main_Form runner(QString::fromLocal8Bit(list.c_str()),
                             vt::MainFormServices{&answers, nullptr});
    // The options a headless run takes: the saved ones, without a question per file
    // (a run without a window asks none), so that both runs do the same work.
    vt::CopyOptions options = vt::startup_copy_options();
    options.verify_each_file = false;
    runner.set_copy_options(options);
    runner.show();
    const auto start = std::chrono::steady_clock::now();
    runner.copy_controller().DoCopyNowClick();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (FILE* out = time_file ? std::fopen(time_file, "w") : nullptr) {
        std::fprintf(out, "%.4f\n", seconds);
        std::fclose(out);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "";
    if (what == "tree" && argc == 7)
        return make_tree(argv[2], std::atol(argv[3]), std::atol(argv[4]), std::atol(argv[5]),
                         std::atol(argv[6]));
    if (what == "sparse" && argc == 5)
        return make_sparse(argv[2], std::atol(argv[3]), std::atol(argv[4]));
    if (what == "measure" && argc > 2)
        return measure(argv + 2);
    if (what == "gui-run" && (argc == 3 || argc == 4))
        return gui_run(argc, argv, argv[2], argc == 4 ? argv[3] : nullptr);
    std::fputs(
        "usage: copy_bench tree DIR FILES FOLDERS MIN MAX | sparse FILE MIB DATA_MIB | measure "
        "CMD... | gui-run LIST [FILE]\n",
        stderr);
    return 2;
}
