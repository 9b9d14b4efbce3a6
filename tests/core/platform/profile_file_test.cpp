#include "core/platform/profile_file.h"
#include "core/platform/sys.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>

namespace vt {
namespace {

struct ReadCase {
    const char* what;
    std::string file;
    const char* section;
    const char* key;
    std::optional<std::string> expected;
};

TEST(ProfileFileRead, FindsValuesByTheProfileRules) {
    const std::string long_value(2000, 'v');
    const std::vector<ReadCase> cases = {
        {"plain key", "[Options]\nJournalFile=1\n", "Options", "JournalFile", "1"},
        {"section and key in any letter case", "[oPTIONS]\nJOURNALFILE=0\n", "Options",
         "journalfile", "0"},
        {"blanks around names and values", "  [ Options ]  \n  JournalFile  =  1 2  \n", "Options",
         "JournalFile", "1 2"},
        {"empty value is empty, not missing", "[Defaults]\nFilter=\n", "Defaults", "Filter", ""},
        {"missing key", "[Defaults]\nSource=x\n", "Defaults", "Filter", std::nullopt},
        {"missing section", "[Defaults]\nFilter=x\n", "Options", "Filter", std::nullopt},
        {"empty file", "", "Defaults", "Filter", std::nullopt},
        {"key of another section", "[A]\nk=1\n[B]\nj=2\n", "B", "k", std::nullopt},
        {"key before any section", "k=1\n[A]\n", "A", "k", std::nullopt},
        {"first of two equal keys", "[A]\nk=1\nK=2\n", "A", "k", "1"},
        {"commented-out key", "[A]\n; k=1\n", "A", "k", std::nullopt},
        {"value keeps later equals signs", "[A]\nk=a=b\n", "A", "k", "a=b"},
        {"lines ended by CR LF", "[A]\r\nk=1\r\nj=2\r\n", "A", "k", "1"},
        {"last line without a line end", "[A]\nk=last", "A", "k", "last"},
        {"header without closing bracket", "[A\nk=1\n", "A", "k", "1"},
        {"line without equals sign is no key", "[A]\nk\n", "A", "k", std::nullopt},
        {"only 1023 characters of a value", "[A]\nk=" + long_value + "\n", "A", "k",
         long_value.substr(0, 1023)},
        {"binary bytes around", std::string("[A]\n\0\xff\nk=\x01\n", 11), "A", "k", "\x01"},
    };
    for (const ReadCase& c : cases)
        EXPECT_EQ(ProfileFile(c.file).value(c.section, c.key), c.expected) << c.what;
}

TEST(ProfileFileRead, IntegerForms) {
    const std::vector<std::pair<const char*, std::optional<int>>> cases = {
        {"0", 0},
        {"12", 12},
        {"-7", -7},
        {"+5", 5},
        {"007", 7},
        {"0x0", 0},
        {"0X1f", 31},
        {"$1F", 31},
        {"-$10", -16},
        {"$FFFFFFFF", -1},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", std::nullopt},
        {"$100000000", std::nullopt},
        {"99999999999999999999999", std::nullopt},
        {"0x", std::nullopt}, // too short for the 0x form, and no decimal
        {"$", std::nullopt},
        {"-", std::nullopt},
        {"", std::nullopt},
        {"yes", std::nullopt},
        {"12a", std::nullopt},
        {"1.5", std::nullopt},
        {"0x-1", std::nullopt},
        {"-0x10", std::nullopt},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(parse_profile_integer(text), expected) << '"' << text << '"';
}

TEST(ProfileFileRead, BooleansAreIntegersWithTheirDefault) {
    const ProfileFile ini("[A]\nyes=yes\ntwo=2\nempty=\n");
    EXPECT_TRUE(ini.read_bool("A", "yes", true));
    EXPECT_FALSE(ini.read_bool("A", "yes", false));
    EXPECT_TRUE(ini.read_bool("A", "two", false));
    EXPECT_TRUE(ini.read_bool("A", "empty", true)); // empty is no integer
    EXPECT_EQ(ini.read_string("A", "empty", "dflt"), "");
    EXPECT_EQ(ini.read_string("A", "missing", "dflt"), "dflt");
}

const char* const kHandWritten = "; my settings, edited by hand\r\n"
                                 "[Window]\r\n"
                                 "Left = 10\r\n"
                                 "\r\n"
                                 "[Options]\r\n"
                                 "; keep the journal\r\n"
                                 "journalfile = 0\r\n"
                                 "Extra=kept\r\n"
                                 "\r\n"
                                 "[Zeta]\r\n"
                                 "z=1\r\n";

TEST(ProfileFileWrite, ChangesOnlyTheLineOfTheValue) {
    ProfileFile ini(kHandWritten);
    ini.write_bool("OPTIONS", "JournalFile", true);
    std::string expected = kHandWritten;
    expected.replace(expected.find("journalfile = 0"), 15, "journalfile=1");
    EXPECT_EQ(ini.text(), expected);
}

TEST(ProfileFileWrite, NewKeyGoesAfterTheLastKeyOfItsSection) {
    ProfileFile ini(kHandWritten);
    ini.write_integer("Options", "JournalFileAppend", 1);
    const std::string text = ini.text();
    EXPECT_NE(text.find("Extra=kept\r\nJournalFileAppend=1\r\n\r\n[Zeta]"), std::string::npos)
        << text;
    EXPECT_EQ(ProfileFile(text).read_integer("Options", "JournalFileAppend", 0), 1);
}

TEST(ProfileFileWrite, NewSectionIsAddedAtTheEndInTheFilesLineStyle) {
    ProfileFile ini(kHandWritten);
    ini.write_string("Autoload", "File", "/home/u/Daily.vtl");
    EXPECT_EQ(ini.text(), std::string(kHandWritten) + "[Autoload]\r\nFile=/home/u/Daily.vtl\r\n");

    ProfileFile unterminated("[A]\nk=1");
    unterminated.write_string("A", "j", "2");
    unterminated.write_string("B", "x", "");
    EXPECT_EQ(unterminated.text(), "[A]\nk=1\nj=2\n[B]\nx=\n");

    // A last line cut after its CR: the header is still the section, before and after
    // the write gives it a line end, so the key is not lost behind a second header.
    ProfileFile cut("[Options]\nA=1\n[Defaults\r");
    cut.write_integer("defaults", "JournalFileAppend", 1);
    const ProfileFile back(cut.text());
    EXPECT_EQ(back.read_integer("Defaults", "JournalFileAppend", 0), 1) << cut.text();
    EXPECT_EQ(back.read_integer("Options", "A", 0), 1);
}

TEST(ProfileFileWrite, ErasingASectionTakesItsCommentsAndKeepsTheRest) {
    ProfileFile ini("[A]\na=1\n[History]\n; old\nFile0=x\n\n[B]\nb=2\n[history]\nFile9=y\n");
    ini.erase_section("HISTORY");
    EXPECT_EQ(ini.text(), "[A]\na=1\n[B]\nb=2\n");
    ini.erase_section("Missing");
    EXPECT_EQ(ini.text(), "[A]\na=1\n[B]\nb=2\n");
}

TEST(ProfileFileWrite, ALineBreakInAValueCannotInjectKeys) {
    ProfileFile ini;
    ini.write_string("Autoload", "File", "/tmp/a\n[Options]\nVerifyEachFile=0\n.vtl");
    ini.write_string("Defaults", "Source", "cr\ronly");
    EXPECT_EQ(ini.text(), "[Autoload]\nFile=\n[Defaults]\nSource=\n");
    EXPECT_FALSE(ini.value("Options", "VerifyEachFile"));
}

class ProfileFileOnDisk : public ::testing::Test {
protected:
    void TearDown() override { sys::clear_fault_hook(); }
    test::TempDir dir;
};

TEST_F(ProfileFileOnDisk, MissingFileReadsAsEmpty) {
    ProfileFile ini("[stale]\nk=1\n");
    const IoResult r = read_profile_file(dir / "none.ini", ini);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(ini.text(), "");
}

TEST_F(ProfileFileOnDisk, UnreadableFileIsAnErrorNotAnEmptyFile) {
    const std::string path = dir.write("a.ini", "[A]\nk=1\n");
    sys::set_fault_hook([](sys::Op op, const char*) { return op == sys::Op::Read ? EIO : 0; });
    ProfileFile ini;
    EXPECT_FALSE(read_profile_file(path, ini).ok);
    sys::set_fault_hook([](sys::Op op, const char*) { return op == sys::Op::Open ? EACCES : 0; });
    EXPECT_EQ(read_profile_file(path, ini).error_code, EACCES);
}

TEST_F(ProfileFileOnDisk, WritingCreatesTheMissingFoldersPrivately) {
    const std::string path = dir / "config/Vantorel/Vantorel.ini";
    ProfileFile ini;
    ini.write_bool("Options", "JournalFile", false);
    ASSERT_TRUE(write_profile_file(path, ini).ok);
    EXPECT_EQ(test::read_file(path), "[Options]\nJournalFile=0\n");
    struct stat st {};
    ASSERT_EQ(::stat((dir / "config/Vantorel").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ProfileFile back;
    ASSERT_TRUE(read_profile_file(path, back).ok);
    EXPECT_FALSE(back.read_bool("options", "journalfile", true));
}

TEST_F(ProfileFileOnDisk, FailedWriteLeavesTheOldFileAndNoTemporary) {
    const std::string path = dir.write("Vantorel.ini", kHandWritten);
    ProfileFile ini(kHandWritten);
    ini.write_string("Autoload", "File", "x");
    for (const sys::Op failing :
         {sys::Op::Create, sys::Op::Write, sys::Op::Sync, sys::Op::Rename}) {
        sys::set_fault_hook([&](sys::Op op, const char*) { return op == failing ? ENOSPC : 0; });
        EXPECT_EQ(write_profile_file(path, ini).error_code, ENOSPC);
        sys::clear_fault_hook();
        EXPECT_EQ(test::read_file(path), kHandWritten);
    }
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 1);

    sys::set_fault_hook([](sys::Op op, const char*) { return op == sys::Op::Mkdir ? EROFS : 0; });
    EXPECT_EQ(write_profile_file(dir / "new/Vantorel.ini", ini).error_code, EROFS);
}

} // namespace
} // namespace vt
