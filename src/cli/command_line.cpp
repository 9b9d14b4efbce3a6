#include "cli/command_line.h"

#include "core/platform/file_names.h"
#include "core/run/copy_options.h"

#include <cstring>

namespace vt {
namespace {

// More copies at once than this only make the disk seek.
constexpr int kMaxJobs = 64;

bool starts_with(const std::string& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

} // namespace

CommandLine parse_command_line(const std::vector<std::string>& args) {
    CommandLine cl;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--version") {
            cl.mode = CommandLine::Mode::Version;
            return cl;
        }
        if (a == "--help" || a == "-h") {
            cl.mode = CommandLine::Mode::Help;
            return cl;
        }
        if (a == "--run" || a == "--check" || a == "--restore") {
            if (i + 1 >= args.size()) {
                cl.mode = CommandLine::Mode::Invalid;
                cl.error = a + " needs a list file";
                return cl;
            }
            if (cl.mode == CommandLine::Mode::Run || cl.mode == CommandLine::Mode::Check ||
                cl.mode == CommandLine::Mode::Restore) {
                cl.mode = CommandLine::Mode::Invalid;
                cl.error = "--run, --check and --restore take one list, and go alone";
                return cl;
            }
            cl.mode = a == "--run"     ? CommandLine::Mode::Run
                      : a == "--check" ? CommandLine::Mode::Check
                                       : CommandLine::Mode::Restore;
            cl.run_list = args[++i];
        } else if (a == "--keep-versions") {
            cl.keep_versions = true;
        } else if (starts_with(a, "--to=") || starts_with(a, "--version=")) {
            std::string& value = a[2] == 't' ? cl.restore_to : cl.version;
            value = a.substr(a.find('=') + 1);
            if (value.empty()) {
                cl.mode = CommandLine::Mode::Invalid;
                cl.error = a + " needs a " + (a[2] == 't' ? "folder" : "date");
                return cl;
            }
        } else if (starts_with(a, "--newer=")) {
            cl.newer = a.substr(8);
            if (cl.newer != "skip" && cl.newer != "copy") {
                cl.mode = CommandLine::Mode::Invalid;
                cl.error = "--newer takes skip or copy";
                return cl;
            }
        } else if (starts_with(a, "--journal=")) {
            cl.journal = a.substr(10);
            if (cl.journal != "append" && cl.journal != "new" && cl.journal != "none") {
                cl.mode = CommandLine::Mode::Invalid;
                cl.error = "--journal takes append, new or none";
                return cl;
            }
        } else if (starts_with(a, "--hidden-folders=")) {
            cl.hidden_folders = a.substr(17);
            if (cl.hidden_folders != "yes" && cl.hidden_folders != "no") {
                cl.mode = CommandLine::Mode::Invalid;
                cl.error = "--hidden-folders takes yes or no";
                return cl;
            }
        } else if (a == "--dry-run") {
            cl.dry_run = true;
        } else if (a == "--compare") {
            cl.compare = true;
        } else if (starts_with(a, "--jobs=")) {
            const std::string n = a.substr(7);
            cl.jobs = n.size() >= 1 && n.size() <= 3 &&
                              n.find_first_not_of("0123456789") == std::string::npos
                          ? std::stoi(n)
                          : 0;
            if (cl.jobs < 1 || cl.jobs > kMaxJobs) {
                cl.mode = CommandLine::Mode::Invalid;
                cl.error = "--jobs takes a number from 1 to " + std::to_string(kMaxJobs);
                return cl;
            }
        } else if (take_schedule_option(a, cl)) {
            if (cl.mode == CommandLine::Mode::Invalid)
                return cl;
        } else if (starts_with(a, "--")) {
            cl.mode = CommandLine::Mode::Invalid;
            cl.error = "unknown option " + a;
            return cl;
        } else if (cl.list_argument.empty()) {
            cl.list_argument = a;
        }
    }
    const bool copy_options = cl.dry_run || cl.newer != "skip" || cl.compare;
    if (cl.mode == CommandLine::Mode::Gui &&
        (copy_options || !cl.journal.empty() || cl.jobs != 0 || !cl.hidden_folders.empty())) {
        cl.mode = CommandLine::Mode::Invalid;
        cl.error = "--newer, --compare and --dry-run go with --run or --restore, --journal, "
                   "--jobs and --hidden-folders with --run, --check or --restore";
        return cl;
    }
    if (cl.mode == CommandLine::Mode::Check &&
        (copy_options || cl.quiet || cl.verbose || cl.notify || cl.keep_versions ||
         !cl.restore_to.empty() || !cl.version.empty())) {
        cl.mode = CommandLine::Mode::Invalid;
        cl.error = "--check takes only --journal, --jobs and --hidden-folders";
        return cl;
    }
    if (cl.keep_versions && cl.mode != CommandLine::Mode::Run) {
        cl.mode = CommandLine::Mode::Invalid;
        cl.error = "--keep-versions goes with --run";
        return cl;
    }
    if ((!cl.restore_to.empty() || !cl.version.empty()) && cl.mode != CommandLine::Mode::Restore) {
        cl.mode = CommandLine::Mode::Invalid;
        cl.error = "--to and --version go with --restore";
        return cl;
    }
    if (cl.mode == CommandLine::Mode::Restore) {
        // A restore runs as a copy would (its options, log and progress) but is no
        // scheduled backup: --notify and the schedule options are for those.
        if (cl.notify) {
            cl.mode = CommandLine::Mode::Invalid;
            cl.error = "--notify goes with --run";
            return cl;
        }
        cl.mode = CommandLine::Mode::Run; // checked as a run; the schedule options refuse it
        check_schedule_options(cl);
        if (cl.mode == CommandLine::Mode::Run)
            cl.mode = CommandLine::Mode::Restore;
        return cl;
    }
    check_schedule_options(cl);
    return cl;
}

void apply_hidden_folders_option(const std::string& hidden_folders, CopyOptions& options) {
    if (!hidden_folders.empty())
        options.copy_hidden_folders = hidden_folders == "yes";
}

std::string usage_text() {
    return "Usage: vantorel [LIST.vtl]\n"
           "       vantorel --run LIST.vtl [--newer=skip|copy] [--journal=append|new|none] "
           "[--dry-run]\n"
           "                [--compare] [--jobs=N] [--keep-versions] [--quiet | --verbose] "
           "[--notify]\n"
           "                [--hidden-folders=yes|no]\n"
           "       vantorel --check LIST.vtl [--journal=append|new|none] [--jobs=N]\n"
           "                [--hidden-folders=yes|no]\n"
           "       vantorel --restore LIST.vtl [--to=FOLDER] [--version=DATE] [--dry-run]\n"
           "                [--newer=skip|copy] [--compare] [--journal=MODE] [--jobs=N]\n"
           "                [--quiet | --verbose] [--hidden-folders=yes|no]\n"
           "       vantorel --schedule=off|hourly|daily|weekly|monthly [--at=HH:MM] "
           "[--weekday=Mon..Sun]\n"
           "                [--no-catch-up] LIST.vtl\n"
           "       vantorel --schedules\n"
           "       vantorel --version | --help\n"
           "\n"
           "Without --run the window opens, with LIST loaded when it is given.\n"
           "--run copies the files of LIST without a window, for scheduled backups (nobody\n"
           "  is there to verify each file: Verify Each File is taken as off):\n"
           "  --newer=skip|copy   a destination file newer than its source is kept (skip,\n"
           "                      the default) or replaced (copy)\n"
           "  --journal=MODE      append to the journal, start a new one, or write none\n"
           "                      (default: the copy options of the settings)\n"
           "  --dry-run           show what would be copied; create and write nothing\n"
           "  --compare           read every copy back from its disk and compare it with\n"
           "                      its source before it replaces the backup (default: the\n"
           "                      copy options of the settings)\n"
           "  --jobs=N            copy N files at once (default: one per core, at most 8;\n"
           "                      1 copies one file after the other)\n"
           "  --keep-versions     keep each replaced backup file in the destination's\n"
           "                      .vantorel-versions folder (as the settings can say)\n"
           "  --quiet             log the start, the end, failures and questions, not the\n"
           "                      files copied without a question\n"
           "  --verbose           log a line for every file as well\n"
           "  --hidden-folders=yes|no  enter folders whose names begin with \".\" (yes) or\n"
           "                      pass over them, each named in the journal (no; default:\n"
           "                      the copy options of the settings; also for --check and\n"
           "                      --restore)\n"
           "  --notify            a scheduled run: log as --quiet, keep its result for\n"
           "                      --schedules, and show a desktop notification when it fails\n"
           "--check compares every file of LIST with its backup, byte for byte, and\n"
           "  writes nothing there; the report goes to standard output and the journal\n"
           "  (--journal as above; --jobs=N compares N files at once). Exit status 0\n"
           "  when every file is the same, 1 when one differs, is missing or cannot be\n"
           "  read.\n"
           "--restore copies the files of LIST back, from each destination folder to its\n"
           "source folder; a file there that is newer than the backup's copy is kept:\n"
           "  --to=FOLDER         restore into FOLDER instead, a folder for each line\n"
           "  --version=DATE      restore the versions kept when a run replaced them\n"
           "                      (a folder name of .vantorel-versions, or its day)\n"
           "--schedule copies LIST on its own with a systemd user timer (off removes it):\n"
           "  --at=HH:MM          time of day (default 12:00; hourly uses the minute)\n"
           "  --weekday=DAY       day of a weekly run (default Mon); monthly runs on the 1st\n"
           "  --no-catch-up       do not make up a run missed while the computer was off\n"
           "--schedules lists every scheduled list: schedule, next run, last result.\n"
           "Exit status: 0 all done, 1 a file or folder failed, 2 the run could not start\n"
           "(bad arguments, unreadable list, another run copying it), 130 interrupted.\n";
}

} // namespace vt
