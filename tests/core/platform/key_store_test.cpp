#include "core/platform/key_store.h"
#include "core/platform/sys.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace vt {
namespace {

using Status = ValueRead::Status;
constexpr KeyRoot kClasses = KeyRoot::ClassesRoot;

class KeyStoreTest : public ::testing::Test {
protected:
    void TearDown() override { sys::clear_fault_hook(); }
    test::TempDir dir;
    std::string file = dir / "config/Vantorel/registry.ini";
    KeyStore store{file};
};

TEST_F(KeyStoreTest, CreatedPathHasEveryKeyOnTheWayAndItsFolder) {
    EXPECT_FALSE(store.open_key(kClasses, "a"));
    ASSERT_TRUE(store.create_key(kClasses, "a\\b\\c").ok);
    for (const char* key : {"a", "a\\b", "a\\b\\c", "\\a\\b\\c", "A\\B"})
        EXPECT_TRUE(store.open_key(kClasses, key)) << key;
    EXPECT_FALSE(store.open_key(kClasses, "a\\b\\c\\d"));
    EXPECT_FALSE(store.open_key(KeyRoot::LocalMachine, "a"));
    EXPECT_EQ(store.read_string(kClasses, "a\\b\\c", "").status, Status::Absent);
}

TEST_F(KeyStoreTest, StringsSurviveTheRoundTrip) {
    ASSERT_TRUE(store.create_key(kClasses, "k").ok);
    const std::string values[] = {"",
                                  "plain",
                                  "with \"quotes\"",
                                  "back\\slash\\",
                                  "two\nlines\r",
                                  "=[@]=",
                                  " leading and trailing ",
                                  "\xc3\xa9t\xc3\xa9"};
    for (const std::string& v : values) {
        ASSERT_TRUE(store.write_string(kClasses, "k", "", v).ok);
        ASSERT_TRUE(store.write_string(kClasses, "k", "Named \"one\"", v).ok);
        KeyStore fresh(file);
        EXPECT_EQ(fresh.read_string(kClasses, "k", "").text, v);
        EXPECT_EQ(fresh.read_string(kClasses, "K", "named \"ONE\"").text, v);
        EXPECT_EQ(fresh.read_string(kClasses, "k", "").status, Status::Ok);
    }
    // One line per value: rewriting replaces, it does not add.
    const std::string content = test::read_file(file);
    EXPECT_EQ(std::count(content.begin(), content.end(), '@'), 1);
}

TEST_F(KeyStoreTest, FileReadsLikeARegistryExport) {
    ASSERT_TRUE(store.create_key(kClasses, ".vtl").ok);
    ASSERT_TRUE(store.write_string(kClasses, ".vtl", "", "vtlfiles").ok);
    ASSERT_TRUE(store.create_key(KeyRoot::LocalMachine, "Software\\X").ok);
    ASSERT_TRUE(store.write_string(KeyRoot::LocalMachine, "Software\\X", "Version", "1.0a").ok);
    EXPECT_EQ(test::read_file(file), "; Vantorel keys and values\n\n"
                                     "[HKEY_CLASSES_ROOT\\.vtl]\n@=\"vtlfiles\"\n\n"
                                     "[HKEY_LOCAL_MACHINE\\Software]\n\n"
                                     "[HKEY_LOCAL_MACHINE\\Software\\X]\n\"Version\"=\"1.0a\"\n\n");
    EXPECT_EQ(std::filesystem::status(file).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST_F(KeyStoreTest, ValuesOfOtherTypesAreNotStrings) {
    dir.write("config/Vantorel/registry.ini", "[HKEY_CLASSES_ROOT\\t]\r\n"
                                              "@=dword:00000001\r\n"
                                              "\"hex\"=hex:00,01\r\n"
                                              "\"open\"=\"no end\r\n"
                                              "\"tail\"=\"a\" junk\r\n"
                                              "\"good\" = \"yes\"  \r\n");
    EXPECT_EQ(store.read_string(kClasses, "t", "").status, Status::WrongType);
    for (const char* name : {"hex", "open", "tail"})
        EXPECT_EQ(store.read_string(kClasses, "t", name).status, Status::WrongType) << name;
    EXPECT_EQ(store.read_string(kClasses, "t", "good").text, "yes");
    EXPECT_EQ(store.read_string(kClasses, "t", "missing").status, Status::Absent);
}

TEST_F(KeyStoreTest, DeleteTakesSubkeysButNotKeysThatOnlyShareThePrefix) {
    for (const char* key : {"vtlfiles\\Shell\\Open\\command", "vtlfiles\\DefaultIcon", "vtlfiles2",
                            "other\\vtlfiles"})
        ASSERT_TRUE(store.create_key(kClasses, key).ok);
    ASSERT_TRUE(store.create_key(KeyRoot::CurrentUser, "vtlfiles").ok);
    bool deleted = false;
    ASSERT_TRUE(store.delete_key(kClasses, "VTLFILES", &deleted).ok);
    EXPECT_TRUE(deleted);
    for (const char* gone : {"vtlfiles", "vtlfiles\\Shell", "vtlfiles\\Shell\\Open\\command"})
        EXPECT_FALSE(store.open_key(kClasses, gone)) << gone;
    EXPECT_TRUE(store.open_key(kClasses, "vtlfiles2"));
    EXPECT_TRUE(store.open_key(kClasses, "other\\vtlfiles"));
    EXPECT_TRUE(store.open_key(KeyRoot::CurrentUser, "vtlfiles"));

    ASSERT_TRUE(store.delete_key(kClasses, "vtlfiles", &deleted).ok);
    EXPECT_FALSE(deleted);
    EXPECT_FALSE(store.delete_key(kClasses, "").ok); // a root stays
}

TEST_F(KeyStoreTest, LinesItDoesNotKnowAreKept) {
    dir.write("config/Vantorel/registry.ini", "; a note of the user\n"
                                              "[HKEY_CLASSES_ROOT\\k]\n"
                                              "# another note\n"
                                              "\"other\"=dword:2\n"
                                              "garbage line\n");
    ASSERT_TRUE(store.write_string(kClasses, "k", "", "v").ok);
    const std::string content = test::read_file(file);
    for (const char* kept : {"; a note of the user\n", "# another note\n", "\"other\"=dword:2\n",
                             "garbage line\n@=\"v\"\n"})
        EXPECT_NE(content.find(kept), std::string::npos) << kept;
}

TEST_F(KeyStoreTest, WritingNeedsTheKey) {
    EXPECT_EQ(store.write_string(kClasses, "none", "", "v").error_code, ENOENT);
    EXPECT_FALSE(test::exists(file));
    EXPECT_TRUE(store.delete_key(kClasses, "none").ok); // nothing to delete: no file made
    EXPECT_FALSE(test::exists(file));
}

TEST_F(KeyStoreTest, AStoreThatCannotBeReadIsNeverOverwritten) {
    ASSERT_TRUE(store.create_key(kClasses, "keep").ok);
    ASSERT_TRUE(store.write_string(kClasses, "keep", "", "me").ok);
    const std::string before = test::read_file(file);
    sys::set_fault_hook([](sys::Op op, const char*) { return op == sys::Op::Read ? EIO : 0; });
    EXPECT_EQ(store.create_key(kClasses, "new").error_code, EIO);
    EXPECT_EQ(store.write_string(kClasses, "keep", "", "lost").error_code, EIO);
    EXPECT_EQ(store.delete_key(kClasses, "keep").error_code, EIO);
    EXPECT_EQ(store.read_string(kClasses, "keep", "").status, Status::Absent);
    sys::clear_fault_hook();
    EXPECT_EQ(test::read_file(file), before);
}

TEST_F(KeyStoreTest, AFailedWriteLeavesTheOldFile) {
    ASSERT_TRUE(store.create_key(kClasses, "keep").ok);
    const std::string before = test::read_file(file);
    for (const sys::Op failing : {sys::Op::Create, sys::Op::Write, sys::Op::Rename}) {
        sys::set_fault_hook([&](sys::Op op, const char*) { return op == failing ? ENOSPC : 0; });
        EXPECT_EQ(store.create_key(kClasses, "new").error_code, ENOSPC);
        sys::clear_fault_hook();
        EXPECT_EQ(test::read_file(file), before);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "config/Vantorel"),
                            std::filesystem::directory_iterator{}),
              1);
}

TEST_F(KeyStoreTest, MalformedFilesDoNotCrash) {
    const std::string inputs[] = {
        std::string("\0\xff\xfe[\n]\n[]\n[[x]]\n@\n@=\n\"\n\"\\", 26),
        "[HKEY_CLASSES_ROOT\\k]\n@=\"\\",
        std::string(100000, '['),
        "no newline at all",
    };
    for (const std::string& input : inputs) {
        dir.write("config/Vantorel/registry.ini", input);
        store.read_string(kClasses, "k", "");
        EXPECT_TRUE(store.create_key(kClasses, "k").ok);
        EXPECT_TRUE(store.write_string(kClasses, "k", "", "v").ok);
        EXPECT_EQ(store.read_string(kClasses, "k", "").text, "v");
    }
}

TEST(KeyStorePath, FollowsTheConfigFolder) {
    test::ScopedEnv config{"XDG_CONFIG_HOME", "/somewhere/config"};
    test::ScopedEnv home{"HOME", "/home/someone"};
    EXPECT_EQ(KeyStore::default_path(), "/somewhere/config/Vantorel/registry.ini");
    config.set("relative/config"); // not absolute: ignored
    EXPECT_EQ(KeyStore::default_path(), "/home/someone/.config/Vantorel/registry.ini");
}

} // namespace
} // namespace vt
