#include "cli/command_line.h"
#include "core/run/copy_options.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace vt {
namespace {

TEST(CommandLine, Modes) {
    using M = CommandLine::Mode;
    EXPECT_EQ(parse_command_line({}).mode, M::Gui);
    EXPECT_EQ(parse_command_line({"a.vtl", "ignored"}).list_argument, "a.vtl");
    EXPECT_EQ(parse_command_line({"--version"}).mode, M::Version);
    EXPECT_EQ(parse_command_line({"--help"}).mode, M::Help);
    const auto run =
        parse_command_line({"--run", "l.vtl", "--newer=copy", "--journal=none", "--dry-run"});
    EXPECT_EQ(run.mode, M::Run);
    EXPECT_EQ(run.run_list, "l.vtl");
    EXPECT_EQ(run.newer, "copy");
    EXPECT_EQ(run.journal, "none");
    EXPECT_TRUE(run.dry_run);
    EXPECT_FALSE(run.compare);
    EXPECT_TRUE(parse_command_line({"--run", "l.vtl", "--compare"}).compare);
    const auto check = parse_command_line({"--journal=new", "--check", "l.vtl", "--jobs=2"});
    EXPECT_EQ(check.mode, M::Check);
    EXPECT_EQ(check.run_list, "l.vtl");
    EXPECT_EQ(check.journal, "new");
    EXPECT_EQ(check.jobs, 2);
    EXPECT_EQ(run.jobs, 0); // the engine's default
    EXPECT_EQ(parse_command_line({"--run", "l.vtl", "--jobs=1"}).jobs, 1);
    EXPECT_EQ(parse_command_line({"--run", "l.vtl", "--jobs=64"}).jobs, 64);
    for (auto bad : std::vector<std::vector<std::string>>{{"--run"},
                                                          {"--run", "x", "--jobs=0"},
                                                          {"--run", "x", "--jobs=65"},
                                                          {"--run", "x", "--jobs=two"},
                                                          {"--run", "x", "--jobs="},
                                                          {"--run", "x", "--jobs=-1"},
                                                          {"--jobs=2"},
                                                          {"--run", "x", "--newer=maybe"},
                                                          {"--journal=x"},
                                                          {"--bogus"},
                                                          {"--dry-run"},
                                                          {"--compare"},
                                                          {"--check"},
                                                          {"--check", "x", "--run", "y"},
                                                          {"--check", "x", "--compare"},
                                                          {"--check", "x", "--quiet"}})
        EXPECT_EQ(parse_command_line(bad).mode, M::Invalid) << bad[0] << " " << bad.back();
}

TEST(CommandLine, RestoreAndKeptVersions) {
    using M = CommandLine::Mode;
    const auto restore = parse_command_line(
        {"--restore", "l.vtl", "--to=/back", "--version=2024-05-01", "--dry-run", "--quiet"});
    EXPECT_EQ(restore.mode, M::Restore);
    EXPECT_EQ(restore.run_list, "l.vtl");
    EXPECT_EQ(restore.restore_to, "/back");
    EXPECT_EQ(restore.version, "2024-05-01");
    EXPECT_TRUE(restore.dry_run);
    EXPECT_TRUE(parse_command_line({"--run", "l.vtl", "--keep-versions"}).keep_versions);
    const std::vector<std::vector<std::string>> bad = {
        {"--restore"},
        {"--restore", "l.vtl", "--keep-versions"}, // a restore keeps no versions
        {"--restore", "l.vtl", "--notify"},
        {"--restore", "l.vtl", "--schedule=daily"},
        {"--restore", "l.vtl", "--run", "m.vtl"},
        {"--restore", "l.vtl", "--to="},
        {"--run", "l.vtl", "--to=/back"},
        {"--run", "l.vtl", "--version=2024-05-01"},
        {"--keep-versions"},
        {"l.vtl", "--version=2024-05-01"},
    };
    for (const auto& args : bad) {
        const CommandLine cl = parse_command_line(args);
        EXPECT_EQ(cl.mode, M::Invalid) << args.back();
        EXPECT_FALSE(cl.error.empty());
    }
}

TEST(CommandLine, HiddenFoldersForOneHeadlessRun) {
    using M = CommandLine::Mode;
    struct Case {
        std::vector<std::string> args;
        M mode;
        const char* hidden;
    };
    const Case cases[] = {
        {{"--run", "l.vtl"}, M::Run, ""},
        {{"--run", "l.vtl", "--hidden-folders=no"}, M::Run, "no"},
        {{"--check", "l.vtl", "--hidden-folders=yes"}, M::Check, "yes"},
        {{"--restore", "l.vtl", "--hidden-folders=no"}, M::Restore, "no"},
        {{"--run", "l.vtl", "--hidden-folders=off"}, M::Invalid, "off"},
        {{"--run", "l.vtl", "--hidden-folders="}, M::Invalid, ""},
        {{"l.vtl", "--hidden-folders=no"}, M::Invalid, "no"}, // the window has its menu item
    };
    for (const Case& c : cases) {
        const CommandLine cl = parse_command_line(c.args);
        EXPECT_EQ(cl.mode, c.mode) << c.args.back();
        EXPECT_EQ(cl.hidden_folders, c.hidden) << c.args.back();
    }
    struct Applied {
        const char* option;
        bool saved, result;
    };
    for (const Applied& a : {Applied{"", true, true}, Applied{"", false, false},
                             Applied{"no", true, false}, Applied{"yes", false, true}}) {
        CopyOptions options;
        options.copy_hidden_folders = a.saved;
        apply_hidden_folders_option(a.option, options);
        EXPECT_EQ(options.copy_hidden_folders, a.result) << a.option << a.saved;
    }
}

TEST(CommandLine, ResolvesTheNameAsStoredOnDisk) {
    test::TempDir dir;
    dir.write("Weekly.VTL", "");
    dir.write("twin.vtl", "");
    dir.write("TWIN.vtl", "");
    char old[4096];
    ASSERT_TRUE(::getcwd(old, sizeof old));
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    EXPECT_EQ(resolve_list_argument("weekly.vtl"), dir / "Weekly.VTL");
    EXPECT_EQ(resolve_list_argument(dir / "WEEKLY.vtl"), dir / "Weekly.VTL");
    // Two names that differ only in case: the argument is taken as it is.
    EXPECT_EQ(resolve_list_argument("Twin.vtl"), dir / "Twin.vtl");
    EXPECT_EQ(resolve_list_argument("missing.vtl"), dir / "missing.vtl");
    EXPECT_EQ(resolve_list_argument(""), "");
    ASSERT_EQ(::chdir(old), 0);
}

} // namespace
} // namespace vt
