#pragma once
#include "cli/schedule_options.h"
#include "core/list/list_argument.h"

#include <string>
#include <vector>

namespace vt {

// What the program was asked to do by its arguments.
struct CommandLine {
    enum class Mode { Gui, Version, Help, Run, Check, Restore, Schedule, Schedules, Invalid };
    Mode mode = Mode::Gui;
    std::string list_argument; // the list file named for the window (may be empty)
    std::string error;         // for Mode::Invalid

    // Headless run (--run LIST), check (--check LIST) or restore (--restore LIST).
    std::string run_list;
    std::string newer = "skip"; // skip | copy
    std::string journal;        // append | new | none; empty: from the settings
    std::string hidden_folders; // yes | no; empty: from the settings
    bool dry_run = false;
    bool compare = false;       // every copy read back and compared, whatever the settings say
    bool keep_versions = false; // --keep-versions: keep replaced files, whatever the settings say
    std::string restore_to;     // --to=FOLDER: restore there, not to the source folders
    std::string version;        // --version=DATE: restore the versions kept then
    // A scheduled run (--notify): its result is recorded and a failure shown on the
    // desktop; its log leaves out files copied without a question, as --quiet does.
    bool notify = false;
    bool quiet = false;
    bool verbose = false; // a line for every file
    int jobs = 0;         // files copied at once; 0: the engine's default

    // --schedule=... LIST (the list in list_argument), --schedules.
    ScheduleOptions scheduling;
};

// Parses the arguments after the program name. The window takes one optional list
// file name; further plain arguments are ignored.
CommandLine parse_command_line(const std::vector<std::string>& args);

// The copy options of the settings with what the command line says for this run
// about hidden folders.
struct CopyOptions;
void apply_hidden_folders_option(const std::string& hidden_folders, CopyOptions& options);

// The usage text printed by --help.
std::string usage_text();

} // namespace vt
