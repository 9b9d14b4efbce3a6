// The systemd units of a scheduled list: names and quoting as systemd has them, texts
// that systemd-analyze accepts and that read back to the same list and schedule.
#include "core/desktop/product_info.h"
#include "core/platform/path_key.h"
#include "core/schedule/recording_runner.h"
#include "core/schedule/unit_files.h"
#include "core/schedule/unit_reader.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace vt {
namespace {

// Names that break naive quoting: blanks, both quotes, "%" and "$" (specifiers and
// variables), a backslash, non-ASCII letters in UTF-8 and in Latin-1, a leading dot,
// a dash, a tab.
const std::vector<std::string> kAwkwardNames = {
    "plain.vtl",          "my lists.vtl",    "it's \"mine\".vtl",      "100% done.vtl",
    "$HOME and ${x}.vtl", "back\\slash.vtl", "Ünïcödé Ñame.vtl",       ".hidden.vtl",
    "dash-name.vtl",      "tab\tand %h.vtl", "caf\xe9 in Latin-1.vtl",
};

TEST(UnitFiles, PathsAreEscapedAsSystemdEscapeDoes) {
    std::vector<std::string> paths = {"/a//b/./c.vtl", "/x/trailing/", "/"};
    for (const std::string& name : kAwkwardNames)
        paths.push_back("/home/u/" + name);
    for (const std::string& path : paths) {
        const CommandResult r = test::run_program({"systemd-escape", "--path", path});
        ASSERT_EQ(r.status, 0) << path;
        EXPECT_EQ(units::escape_path(path) + "\n", r.output) << path;
    }
}

TEST(UnitFiles, NamesStayWithinTheLimitAndApart) {
    const std::string id = ProductInfo::app_id;
    EXPECT_EQ(units::unit_stem("/home/u/my lists.vtl"), id + "-home-u-my\\x20lists.vtl");
    // A path whose name would pass 255 bytes gets a hashed name.
    const std::string deep = "/home/u/" + std::string(200, 'd') + "/" + std::string(30, 'e');
    const std::string hashed = units::unit_stem(deep);
    EXPECT_EQ(hashed, id + "--" + names::path_hash(deep));
    EXPECT_NE(units::unit_stem(deep + "x"), hashed);
}

TEST(UnitFiles, ExecWordsReadBackToTheSameBytes) {
    std::vector<std::string> words(kAwkwardNames);
    words.push_back("line\nbreak");
    words.push_back("%%$$\\\\\"\"");
    std::string line;
    for (const std::string& w : words)
        line += units::exec_word(w) + " ";
    EXPECT_EQ(units::exec_words(line), words);
    EXPECT_FALSE(units::exec_words("\"open"));
    EXPECT_FALSE(units::exec_words("\"bad \\q escape\""));
}

class UnitTexts : public ::testing::Test {
protected:
    test::TempDir dir;
    test::ScopedEnv runtime = test::runtime_dir_in(dir);
};

TEST_F(UnitTexts, SystemdAcceptsThemAndTheyReadBack) {
    const std::string lists = dir.mkdir("lists");
    const Schedule schedules[] = {{Frequency::Hourly, 12, 15, 1, true},
                                  {Frequency::Daily, 6, 0, 1, false},
                                  {Frequency::Weekly, 21, 30, 6, true},
                                  {Frequency::Monthly, 0, 5, 1, true}};
    std::size_t i = 0;
    for (const std::string& name : kAwkwardNames) {
        const std::string list = dir.write("lists/" + name, "");
        const Schedule& schedule = schedules[i++ % 4];
        const std::string stem = units::unit_stem(list);
        const std::string units_folder = dir.mkdir("units" + std::to_string(i));
        const std::string service = dir.write("units" + std::to_string(i) + "/" + stem + ".service",
                                              units::service_text(VT_PROGRAM, list));
        const std::string timer = dir.write("units" + std::to_string(i) + "/" + stem + ".timer",
                                            units::timer_text(schedule, list, stem));
        // Any complaint, even a warning about one key, counts as a failure.
        const CommandResult verified =
            test::run_program({"systemd-analyze", "--user", "verify", service, timer});
        EXPECT_EQ(verified.status, 0) << name << "\n" << verified.output;
        EXPECT_EQ(verified.output, "") << name;

        const units::UnitFile s(test::read_file(service)), t(test::read_file(timer));
        EXPECT_EQ(s.value("Service", "Type"), "oneshot");
        const auto argv = units::exec_words(s.value("Service", "ExecStart").value_or(""));
        EXPECT_EQ(argv, (std::vector<std::string>{VT_PROGRAM, "--run", list, "--notify"})) << name;
        EXPECT_EQ(t.value("Timer", "Unit"), stem + ".service");
        EXPECT_EQ(t.value("Install", "WantedBy"), "timers.target");
        EXPECT_EQ(t.value("Timer", "Persistent"), schedule.catch_up ? "true" : "false");
        EXPECT_EQ(
            schedule_from_calendar(t.value("Timer", "OnCalendar").value_or(""), schedule.catch_up),
            schedule)
            << name;
    }
}

TEST_F(UnitTexts, TheLongestNameIsOneSystemdTakes) {
    const std::string list = "/" + std::string(units::kMaxUnitName - 25 - 1 - 8, 'f');
    const std::string stem = units::unit_stem(list);
    ASSERT_EQ(stem.size() + 8, units::kMaxUnitName);
    dir.mkdir("units");
    const std::string service =
        dir.write("units/" + stem + ".service", units::service_text(VT_PROGRAM, list));
    const CommandResult verified =
        test::run_program({"systemd-analyze", "--user", "verify", service});
    EXPECT_EQ(verified.status, 0) << verified.output;
}

} // namespace
} // namespace vt
