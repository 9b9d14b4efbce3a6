#include "core/settings/settings_file.h"

#include "core/platform/profile_file.h"
#include "core/platform/xdg_folders.h"

namespace vt {
namespace {

constexpr const char* kOptions = "Options";
constexpr const char* kDefaults = "Defaults";
constexpr const char* kIntroduction = "Introduction";
constexpr const char* kAutoload = "Autoload";
constexpr const char* kHistoryFiles = "HistoryFiles";
constexpr int kStoredRecentFiles = 10; // File0 to File9 are read back

// Index of the journal option: a negative value selects none, one past the last
// item selects the last.
int journal_index(int stored) {
    return stored < 0 ? -1 : (stored > 1 ? 1 : stored);
}

// Days to keep replaced versions: a negative number keeps them for ever, as 0 does.
int versions_days(int stored) {
    return stored < 0 ? 0 : stored;
}

} // namespace

std::string settings_file_path() {
    return xdg::config_home() + "/Vantorel/Vantorel.ini";
}

Settings read_settings(const std::string& path) {
    ProfileFile ini;
    if (!read_profile_file(path, ini))
        ini = ProfileFile(); // an unreadable file is a missing one
    Settings s;
    s.options.verify_each_file = ini.read_bool(kOptions, "VerifyEachFile", true);
    s.options.create_journal = ini.read_bool(kOptions, "JournalFile", true);
    s.options.journal_append_index =
        journal_index(ini.read_integer(kOptions, "JournalFileAppend", 0));
    s.options.compare_each_copy = ini.read_bool(kOptions, "CompareEachCopy", false);
    s.options.keep_versions = ini.read_bool(kOptions, "KeepVersions", false);
    s.options.versions_days = versions_days(ini.read_integer(kOptions, "VersionsDays", 30));

    s.defaults.source = ini.read_string(kDefaults, "Source", "");
    s.defaults.destination = ini.read_string(kDefaults, "Destination", "");
    s.defaults.filter = ini.read_string(kDefaults, "Filter", "*.*");
    s.defaults.replace_existing = ini.read_string(kDefaults, "ReplaceExisting", "No");
    s.defaults.sub_dirs = ini.read_string(kDefaults, "SubDirs", "No");

    s.intro_first = ini.read_bool(kIntroduction, "first", true);
    s.intro_show = ini.read_bool(kIntroduction, "show", true);

    s.recent_files.assign(1, std::string());
    for (int i = 0; i < kStoredRecentFiles; ++i) {
        std::string name = ini.read_string(kHistoryFiles, "File" + std::to_string(i), "");
        if (!name.empty())
            s.recent_files.push_back(std::move(name));
    }

    s.startup_list = ini.read_string(kAutoload, "File", "");
    return s;
}

IoResult write_settings(const std::string& path, const Settings& s, unsigned groups) {
    // The file is read again for every write, so that what others (or the user) put
    // in it since start-up is kept; a file that exists but cannot be read is not
    // overwritten, or all of it would be lost.
    ProfileFile ini;
    if (IoResult r = read_profile_file(path, ini); !r)
        return IoResult::failure(r.error_code, kSettingsWriteError);

    if (groups & kSettingsOptions) {
        ini.write_bool(kOptions, "VerifyEachFile", s.options.verify_each_file);
        ini.write_bool(kOptions, "JournalFile", s.options.create_journal);
        ini.write_integer(kOptions, "JournalFileAppend", s.options.journal_append_index);
        ini.write_bool(kOptions, "CompareEachCopy", s.options.compare_each_copy);
        ini.write_bool(kOptions, "KeepVersions", s.options.keep_versions);
        ini.write_integer(kOptions, "VersionsDays", s.options.versions_days);
    }
    if (groups & kSettingsDefaults) {
        ini.write_string(kDefaults, "Source", s.defaults.source);
        ini.write_string(kDefaults, "Destination", s.defaults.destination);
        ini.write_string(kDefaults, "Filter", s.defaults.filter);
        ini.write_string(kDefaults, "ReplaceExisting", s.defaults.replace_existing);
        ini.write_string(kDefaults, "SubDirs", s.defaults.sub_dirs);
    }
    if (groups & kSettingsIntroduction) {
        ini.write_bool(kIntroduction, "show", s.intro_show);
        ini.write_bool(kIntroduction, "first", s.intro_first);
    }
    if (groups & kSettingsAutoload)
        ini.write_string(kAutoload, "File", s.startup_list);
    if ((groups & kSettingsHistoryFiles) && !s.recent_files.empty()) {
        ini.erase_section(kHistoryFiles);
        for (std::size_t i = 0; i < s.recent_files.size(); ++i)
            ini.write_string(kHistoryFiles, "File" + std::to_string(i), s.recent_files[i]);
    }

    if (IoResult r = write_profile_file(path, ini); !r)
        return IoResult::failure(r.error_code, kSettingsWriteError);
    return IoResult::success();
}

CopyOptions startup_copy_options() {
    return read_settings(settings_file_path()).options;
}

} // namespace vt
