#include "core/settings/settings_file.h"

#include "core/platform/profile_file.h"
#include "core/platform/xdg_folders.h"

#include <variant>

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

// A key's value is a member of Settings, reached through a function of its own so
// that members of its parts (the options, the entry defaults) can be named too.
template <auto part, auto member> auto& in(Settings& s) {
    return s.*part.*member;
}
template <auto member> auto& at(Settings& s) {
    return s.*member;
}

using Flag = bool& (*)(Settings&);
using Number = int& (*)(Settings&);
using Text = std::string& (*)(Settings&);

// One key of the file. A missing key gives the member's value in a fresh Settings.
struct Key {
    unsigned group;
    const char* section;
    const char* name;
    std::variant<Flag, Number, Text> member; // its type is how the key is stored
    int (*on_read)(int) = nullptr;           // brings a number read into range
};

// Every key but the recent files, in the order they are written.
const Key kKeys[] = {
    {kSettingsOptions, kOptions, "VerifyEachFile",
     &in<&Settings::options, &CopyOptions::verify_each_file>},
    {kSettingsOptions, kOptions, "JournalFile",
     &in<&Settings::options, &CopyOptions::create_journal>},
    {kSettingsOptions, kOptions, "JournalFileAppend",
     &in<&Settings::options, &CopyOptions::journal_append_index>, journal_index},
    {kSettingsOptions, kOptions, "CompareEachCopy",
     &in<&Settings::options, &CopyOptions::compare_each_copy>},
    {kSettingsOptions, kOptions, "KeepVersions",
     &in<&Settings::options, &CopyOptions::keep_versions>},
    {kSettingsOptions, kOptions, "VersionsDays",
     &in<&Settings::options, &CopyOptions::versions_days>, versions_days},
    {kSettingsDefaults, kDefaults, "Source", &in<&Settings::defaults, &EntryDefaults::source>},
    {kSettingsDefaults, kDefaults, "Destination",
     &in<&Settings::defaults, &EntryDefaults::destination>},
    {kSettingsDefaults, kDefaults, "Filter", &in<&Settings::defaults, &EntryDefaults::filter>},
    {kSettingsDefaults, kDefaults, "ReplaceExisting",
     &in<&Settings::defaults, &EntryDefaults::replace_existing>},
    {kSettingsDefaults, kDefaults, "SubDirs", &in<&Settings::defaults, &EntryDefaults::sub_dirs>},
    {kSettingsIntroduction, kIntroduction, "show", &at<&Settings::intro_show>},
    {kSettingsIntroduction, kIntroduction, "first", &at<&Settings::intro_first>},
    {kSettingsAutoload, kAutoload, "File", &at<&Settings::startup_list>},
};

template <class... F> struct Overloaded : F... { using F::operator()...; };
// Clang before 17 deduces no aggregate's template arguments by itself.
template <class... F> Overloaded(F...) -> Overloaded<F...>;

} // namespace

std::string settings_file_path() {
    return xdg::config_home() + "/Vantorel/Vantorel.ini";
}

Settings read_settings(const std::string& path) {
    ProfileFile ini;
    if (!read_profile_file(path, ini))
        ini = ProfileFile(); // an unreadable file is a missing one
    Settings s;
    for (const Key& key : kKeys) {
        std::visit(Overloaded{[&](Flag m) { m(s) = ini.read_bool(key.section, key.name, m(s)); },
                              [&](Number m) {
                                  const int n = ini.read_integer(key.section, key.name, m(s));
                                  m(s) = key.on_read ? key.on_read(n) : n;
                              },
                              [&](Text m) { m(s) = ini.read_string(key.section, key.name, m(s)); }},
                   key.member);
    }

    s.recent_files.assign(1, std::string());
    for (int i = 0; i < kStoredRecentFiles; ++i) {
        std::string name = ini.read_string(kHistoryFiles, "File" + std::to_string(i), "");
        if (!name.empty())
            s.recent_files.push_back(std::move(name));
    }
    return s;
}

IoResult write_settings(const std::string& path, const Settings& settings, unsigned groups) {
    // The file is read again for every write, so that what others (or the user) put
    // in it since start-up is kept; a file that exists but cannot be read is not
    // overwritten, or all of it would be lost.
    ProfileFile ini;
    if (IoResult r = read_profile_file(path, ini); !r)
        return IoResult::failure(r.error_code, kSettingsWriteError);

    Settings s = settings; // the keys reach their members through a Settings they may change
    for (const Key& key : kKeys) {
        if (!(groups & key.group))
            continue;
        std::visit(Overloaded{[&](Flag m) { ini.write_bool(key.section, key.name, m(s)); },
                              [&](Number m) { ini.write_integer(key.section, key.name, m(s)); },
                              [&](Text m) { ini.write_string(key.section, key.name, m(s)); }},
                   key.member);
    }
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
