#include "core/platform/sys.h"
#include "core/settings/settings_file.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>

namespace vt {
namespace {

using Strings = std::vector<std::string>;

class SettingsFileTest : public ::testing::Test {
protected:
    void TearDown() override { sys::clear_fault_hook(); }
    Settings read(const std::string& content) {
        return read_settings(dir.write("Vantorel.ini", content));
    }
    test::TempDir dir;
    std::string path = dir / "Vantorel.ini";
};

struct ReadCase {
    const char* what;
    std::string file;
    std::function<void(Settings&)> expect; // turns the defaults into the expected settings
};

TEST_F(SettingsFileTest, ReadingAppliesDefaultsAndTheValueRules) {
    const std::string long_name = "/" + std::string(1999, 'd');
    const std::vector<ReadCase> cases = {
        {"no file at all", "", [](Settings&) {}},
        {"unrelated sections only", "[Other]\nVerifyEachFile=0\n", [](Settings&) {}},
        {"all keys",
         "[Options]\nVerifyEachFile=0\nJournalFile=0\nJournalFileAppend=1\n"
         "[Defaults]\nSource=/s\nDestination=/d\nFilter=*.txt\nReplaceExisting=Yes\n"
         "SubDirs=Yes\n[Introduction]\nshow=0\nfirst=0\n"
         "[Autoload]\nFile=/l/Daily.vtl\n",
         [](Settings& s) {
             s.options = {false, false, 1};
             s.defaults = {"/s", "/d", "*.txt", "Yes", "Yes"};
             s.intro_show = false;
             s.intro_first = false;
             s.startup_list = "/l/Daily.vtl";
         }},
        {"yes is no integer: the default stays", "[Options]\nVerifyEachFile=yes\nJournalFile=yes\n",
         [](Settings&) {}},
        {"0x0 and $0 are zero", "[Options]\nVerifyEachFile=0x0\nJournalFile=$0\n",
         [](Settings& s) { s.options.verify_each_file = s.options.create_journal = false; }},
        {"$1F is true", "[Options]\nVerifyEachFile=$1F\n", [](Settings&) {}},
        {"radio index past the last selects the last", "[Options]\nJournalFileAppend=2\n",
         [](Settings& s) { s.options.journal_append_index = 1; }},
        {"negative radio index selects none", "[Options]\nJournalFileAppend=-3\n",
         [](Settings& s) { s.options.journal_append_index = -1; }},
        {"radio index in hex", "[Options]\nJournalFileAppend=0x1\n",
         [](Settings& s) { s.options.journal_append_index = 1; }},
        {"empty values are empty texts, not defaults",
         "[Defaults]\nFilter=\nReplaceExisting=\n[Options]\nVerifyEachFile=\n",
         [](Settings& s) { s.defaults.filter = s.defaults.replace_existing = ""; }},
        {"section and key names in any case", "[OPTIONS]\nverifyeachfile=0\n[defaults]\nFILTER=a\n",
         [](Settings& s) {
             s.options.verify_each_file = false;
             s.defaults.filter = "a";
         }},
        {"compare each copy: on with 1, off by default and for a word",
         "[Options]\nCompareEachCopy=1\n", [](Settings& s) { s.options.compare_each_copy = true; }},
        {"compare each copy: a word is not a number", "[Options]\nCompareEachCopy=yes\n",
         [](Settings&) {}},
        {"a 2000-character value is cut to 1023", "[Autoload]\nFile=" + long_name + "\n",
         [&](Settings& s) { s.startup_list = long_name.substr(0, 1023); }},
        {"recent files: gaps close, File10 and up are ignored",
         "[HistoryFiles]\nFile0=/a\nFile3=/b\nFile12=/c\nFile9=/d\nFile10=/e\n",
         [](Settings& s) {
             s.recent_files = {"", "/a", "/b", "/d"};
         }},
        {"recent files: empty values are skipped", "[HistoryFiles]\nFile0=\nFile1=/x\n",
         [](Settings& s) {
             s.recent_files = {"", "/x"};
         }},
    };
    for (const ReadCase& c : cases) {
        Settings expected;
        c.expect(expected);
        EXPECT_EQ(read(c.file), expected) << c.what;
    }
    EXPECT_EQ(read_settings(dir / "missing.ini"), Settings{});
}

TEST_F(SettingsFileTest, UnreadableFileGivesTheDefaults) {
    dir.write("Vantorel.ini", "[Options]\nVerifyEachFile=0\n");
    sys::set_fault_hook([](sys::Op op, const char*) { return op == sys::Op::Read ? EIO : 0; });
    EXPECT_EQ(read_settings(path), Settings{});
}

TEST_F(SettingsFileTest, WritesExactlyTheNamedGroupsInTheirOrder) {
    Settings s;
    s.options = {false, true, 1, true, true, 7};
    s.defaults = {"/src", "/dst", "*.doc", "Yes", "No"};
    s.intro_show = false;
    s.intro_first = false;
    s.startup_list = "";
    s.recent_files = {"", "/l/A.vtl"};
    ASSERT_TRUE(write_settings(path, s,
                               kSettingsHistoryFiles | kSettingsAutoload | kSettingsIntroduction |
                                   kSettingsDefaults | kSettingsOptions)
                    .ok);
    EXPECT_EQ(test::read_file(path),
              "[Options]\nVerifyEachFile=0\nJournalFile=1\n"
              "JournalFileAppend=1\nCompareEachCopy=1\nKeepVersions=1\nVersionsDays=7\n"
              "[Defaults]\nSource=/src\nDestination=/dst\nFilter=*.doc\n"
              "ReplaceExisting=Yes\nSubDirs=No\n"
              "[Introduction]\nshow=0\nfirst=0\n"
              "[Autoload]\nFile=\n"
              "[HistoryFiles]\nFile0=\nFile1=/l/A.vtl\n");

    s.options.verify_each_file = true;
    s.startup_list = "/l/B.vtl";
    ASSERT_TRUE(write_settings(path, s, kSettingsAutoload).ok);
    const Settings back = read_settings(path);
    EXPECT_EQ(back.startup_list, "/l/B.vtl");
    EXPECT_TRUE(back.options.keep_versions);
    EXPECT_EQ(back.options.versions_days, 7);
    EXPECT_FALSE(back.options.verify_each_file); // Options was not named
    EXPECT_TRUE(back.options.compare_each_copy);
    ASSERT_TRUE(write_settings(path, s, 0).ok);
    EXPECT_EQ(read_settings(path).startup_list, "/l/B.vtl");
}

TEST_F(SettingsFileTest, WritingOneGroupKeepsAHandWrittenFile) {
    const std::string hand = "; Vantorel settings\r\n"
                             "[Defaults]\r\n"
                             "; where my photos are\r\n"
                             "Source = /home/me/Photos\r\n"
                             "Filter=*.jpg\r\n"
                             "\r\n"
                             "[options]\r\n"
                             "JournalFileAppend=1\r\n"
                             "VerifyEachFile=1\r\n"
                             "\r\n"
                             "[Mine]\r\n"
                             "anything=at all\r\n";
    dir.write("Vantorel.ini", hand);
    Settings s = read_settings(path);
    s.options.verify_each_file = false;
    ASSERT_TRUE(write_settings(path, s, kSettingsOptions).ok);
    EXPECT_EQ(test::read_file(path), "; Vantorel settings\r\n"
                                     "[Defaults]\r\n"
                                     "; where my photos are\r\n"
                                     "Source = /home/me/Photos\r\n"
                                     "Filter=*.jpg\r\n"
                                     "\r\n"
                                     "[options]\r\n"
                                     "JournalFileAppend=1\r\n"
                                     "VerifyEachFile=0\r\n"
                                     "JournalFile=1\r\n"
                                     "CompareEachCopy=0\r\n"
                                     "KeepVersions=0\r\n"
                                     "VersionsDays=30\r\n"
                                     "\r\n"
                                     "[Mine]\r\n"
                                     "anything=at all\r\n");
}

TEST_F(SettingsFileTest, HistoryFilesAreRewrittenWhole) {
    dir.write("Vantorel.ini", "[HistoryFiles]\nFile0=/old0\n; note\nFile3=/old3\nFile12=/old12\n"
                              "[Autoload]\nFile=/keep.vtl\n");
    Settings s = read_settings(path);
    EXPECT_EQ(s.recent_files, (Strings{"", "/old0", "/old3"}));
    ASSERT_TRUE(write_settings(path, s, kSettingsHistoryFiles).ok);
    EXPECT_EQ(test::read_file(path), "[Autoload]\nFile=/keep.vtl\n"
                                     "[HistoryFiles]\nFile0=\nFile1=/old0\nFile2=/old3\n");
}

TEST_F(SettingsFileTest, RefusedWriteGivesTheErrorAndChangesNothing) {
    const std::string old = dir.write("Vantorel.ini", "[Autoload]\nFile=/a.vtl\n");
    Settings s;
    s.startup_list = "/b.vtl";
    for (const sys::Op failing : {sys::Op::Create, sys::Op::Write, sys::Op::Rename}) {
        sys::set_fault_hook([&](sys::Op op, const char*) { return op == failing ? EACCES : 0; });
        const IoResult r = write_settings(path, s, kSettingsOptions | kSettingsAutoload);
        sys::clear_fault_hook();
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, "Unable to write to Vantorel.ini");
        EXPECT_EQ(test::read_file(path), "[Autoload]\nFile=/a.vtl\n");
    }
}

TEST_F(SettingsFileTest, AFileThatCannotBeReadIsNotOverwritten) {
    dir.write("Vantorel.ini", "[Mine]\nprecious=1\n");
    sys::set_fault_hook([](sys::Op op, const char*) { return op == sys::Op::Read ? EIO : 0; });
    const IoResult r = write_settings(path, Settings{}, kSettingsOptions);
    sys::clear_fault_hook();
    EXPECT_EQ(r.error, "Unable to write to Vantorel.ini");
    EXPECT_EQ(test::read_file(path), "[Mine]\nprecious=1\n");
}

TEST_F(SettingsFileTest, LivesInTheUsersConfigFolder) {
    test::ScopedEnv config{"XDG_CONFIG_HOME", dir.path() + "/cfg/"};
    test::ScopedEnv home{"HOME", "/home/someone"};
    EXPECT_EQ(settings_file_path(), dir.path() + "/cfg/Vantorel/Vantorel.ini");
    config.set("relative/not/used");
    EXPECT_EQ(settings_file_path(), "/home/someone/.config/Vantorel/Vantorel.ini");
    config.set(std::nullopt);
    EXPECT_EQ(settings_file_path(), "/home/someone/.config/Vantorel/Vantorel.ini");

    // The copy options of a run without a window come from that file.
    config.set(dir.path());
    EXPECT_EQ(startup_copy_options(), CopyOptions{});
    dir.write("Vantorel/Vantorel.ini", "[Options]\nVerifyEachFile=0\nJournalFileAppend=1\n");
    EXPECT_EQ(startup_copy_options(), (CopyOptions{false, true, 1}));
}

} // namespace
} // namespace vt
