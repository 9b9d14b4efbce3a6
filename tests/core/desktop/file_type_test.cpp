#include "core/desktop/file_type.h"
#include "core/desktop/version_record.h"
#include "core/platform/sys.h"
#include "support/temp_dir.h"

#include <cerrno>
#include <cstdio>
#include <gtest/gtest.h>

namespace vt {
namespace {

constexpr KeyRoot kClasses = KeyRoot::ClassesRoot;
const std::string kProgram = "/opt/Vantorel Tools/vantorel";

class FileTypeTest : public ::testing::Test {
protected:
    void TearDown() override { sys::clear_fault_hook(); }
    std::string value(std::string_view key) const {
        return store.read_string(kClasses, key, "").text;
    }
    // The section headers of the store, in file order.
    std::vector<std::string> keys_in_file() const {
        std::vector<std::string> keys;
        const std::string content = test::read_file(store.path());
        for (size_t at = content.find("\n["); at != std::string::npos;
             at = content.find("\n[", at + 1))
            keys.push_back(content.substr(at + 2, content.find(']', at) - at - 2));
        return keys;
    }
    test::TempDir dir;
    KeyStore store{dir / "registry.ini"};
    FileTypeRegistration type{store};
};

TEST_F(FileTypeTest, InstallWritesTheSixKeysInOrderWithUnquotedPaths) {
    EXPECT_FALSE(type.check().registered);
    EXPECT_EQ(type.install(kProgram), std::nullopt);
    EXPECT_EQ(keys_in_file(), (std::vector<std::string>{
                                  "HKEY_CLASSES_ROOT\\.vtl",
                                  "HKEY_CLASSES_ROOT\\vtlfiles",
                                  "HKEY_CLASSES_ROOT\\vtlfiles\\DefaultIcon",
                                  "HKEY_CLASSES_ROOT\\vtlfiles\\Shell",
                                  "HKEY_CLASSES_ROOT\\vtlfiles\\Shell\\Open",
                                  "HKEY_CLASSES_ROOT\\vtlfiles\\Shell\\Open\\command",
                              }));
    EXPECT_EQ(value(".vtl"), "vtlfiles");
    EXPECT_EQ(value("vtlfiles"), "Vantorel List file");
    EXPECT_EQ(value("vtlfiles\\DefaultIcon"), "/opt/Vantorel Tools/vantorel,0");
    EXPECT_EQ(value("vtlfiles\\Shell"), "Open");
    EXPECT_EQ(value("vtlfiles\\Shell\\Open"), "Open Vantorel List files");
    EXPECT_EQ(value("vtlfiles\\Shell\\Open\\command"), "/opt/Vantorel Tools/vantorel %1");
    EXPECT_TRUE(type.check().registered);

    const std::string first = test::read_file(store.path());
    EXPECT_EQ(type.install(kProgram), std::nullopt);
    EXPECT_EQ(test::read_file(store.path()), first);
}

TEST_F(FileTypeTest, InstallTakesOverAnotherTypeAndLeavesThatTypeAlone) {
    ASSERT_TRUE(store.create_key(kClasses, ".vtl").ok);
    ASSERT_TRUE(store.write_string(kClasses, ".vtl", "", "otherfiles").ok);
    ASSERT_TRUE(store.create_key(kClasses, "otherfiles\\Shell").ok);
    ASSERT_TRUE(store.write_string(kClasses, "otherfiles\\Shell", "", "Edit").ok);
    EXPECT_TRUE(type.check().registered); // any association counts

    EXPECT_EQ(type.install(kProgram), std::nullopt);
    EXPECT_EQ(value(".vtl"), "vtlfiles");
    EXPECT_EQ(value("otherfiles\\Shell"), "Edit");

    type.uninstall();
    EXPECT_FALSE(type.check().registered);
    EXPECT_EQ(value("otherfiles\\Shell"), "Edit");
}

TEST_F(FileTypeTest, UninstallLeavesNoKeyOfTheType) {
    ASSERT_TRUE(store.create_key(kClasses, "vtlfiles\\Shell\\Print").ok); // someone else's verb
    EXPECT_EQ(type.install(kProgram), std::nullopt);
    type.uninstall();
    EXPECT_TRUE(keys_in_file().empty());
    type.uninstall(); // nothing left: still quiet
    EXPECT_FALSE(type.check().registered);
}

TEST_F(FileTypeTest, CheckTellsEmptyAndForeignValuesApart) {
    ASSERT_TRUE(store.create_key(kClasses, ".vtl").ok);
    EXPECT_EQ(type.check().registered, false); // key without value
    ASSERT_TRUE(store.write_string(kClasses, ".vtl", "", "").ok);
    EXPECT_EQ(type.check().registered, false);
    EXPECT_EQ(type.check().error, std::nullopt);

    dir.write("registry.ini", "[HKEY_CLASSES_ROOT\\.vtl]\n@=hex:76,74,6c\n");
    const auto check = type.check();
    EXPECT_FALSE(check.registered);
    EXPECT_EQ(check.error, "Invalid data type for ''");
}

// Every key write of a fresh install is two replacements of the store: the key, then
// its value. Failing each one in turn stops the install at that step.
TEST_F(FileTypeTest, AFailingStepStopsTheInstallAndKeepsTheStepsBefore) {
    const auto all = FileTypeRegistration::keys(kProgram);
    for (size_t step = 0; step < all.size(); ++step) {
        for (const bool failing_value : {false, true}) {
            std::remove(store.path().c_str());
            const int failing_write = static_cast<int>(2 * step) + (failing_value ? 2 : 1);
            int writes = 0;
            sys::set_fault_hook([&](sys::Op op, const char*) {
                return op == sys::Op::Rename && ++writes == failing_write ? EACCES : 0;
            });
            const auto error = type.install(kProgram);
            sys::clear_fault_hook();
            EXPECT_EQ(error, failing_value ? "Failed to set data for ''"
                                           : "Failed to create key " + all[step].key);
            for (size_t i = 0; i < all.size(); ++i)
                EXPECT_EQ(value(all[i].key), i < step ? all[i].value : "") << step << " " << i;
        }
    }
}

TEST_F(FileTypeTest, AKeyThatCannotBeOpenedKeepsItsValueAndTheInstallGoesOn) {
    int opens = 0;
    // The store is read once to create ".vtl" and once to open it: fail the opening.
    sys::set_fault_hook(
        [&](sys::Op op, const char*) { return op == sys::Op::Open && ++opens == 2 ? EIO : 0; });
    EXPECT_EQ(type.install(kProgram), std::nullopt);
    sys::clear_fault_hook();
    EXPECT_TRUE(store.open_key(kClasses, ".vtl"));
    EXPECT_EQ(value(".vtl"), "");
    EXPECT_EQ(value("vtlfiles\\Shell\\Open\\command"), kProgram + " %1");
}

TEST_F(FileTypeTest, VersionRecordIsWrittenOnlyWhenMissingOrEmpty) {
    const KeyRoot machine = KeyRoot::LocalMachine;
    EXPECT_EQ(ensure_version_record(store), std::nullopt);
    EXPECT_EQ(store.read_string(machine, kVersionKey, "Version").text, "1.0a");
    EXPECT_TRUE(store.open_key(machine, "Software\\Larchmere Utilities"));

    ASSERT_TRUE(store.write_string(machine, kVersionKey, "Version", "0.9").ok);
    EXPECT_EQ(ensure_version_record(store), std::nullopt);
    EXPECT_EQ(store.read_string(machine, kVersionKey, "Version").text, "0.9");

    ASSERT_TRUE(store.write_string(machine, kVersionKey, "Version", "").ok);
    EXPECT_EQ(ensure_version_record(store), std::nullopt);
    EXPECT_EQ(store.read_string(machine, kVersionKey, "Version").text, "1.0a");

    dir.write(
        "registry.ini",
        "[HKEY_LOCAL_MACHINE\\Software\\Larchmere Utilities\\Vantorel]\n\"Version\"=dword:1\n");
    const std::string odd = test::read_file(store.path());
    EXPECT_EQ(ensure_version_record(store), "Invalid data type for 'Version'");
    EXPECT_EQ(test::read_file(store.path()), odd);
}

TEST_F(FileTypeTest, VersionRecordFailuresNameTheKeyAndTheValue) {
    sys::set_fault_hook([](sys::Op op, const char*) { return op == sys::Op::Rename ? EROFS : 0; });
    EXPECT_EQ(ensure_version_record(store),
              "Failed to create key Software\\Larchmere Utilities\\Vantorel");
    sys::clear_fault_hook();

    ASSERT_TRUE(store.create_key(KeyRoot::LocalMachine, kVersionKey).ok);
    sys::set_fault_hook([](sys::Op op, const char*) { return op == sys::Op::Rename ? EROFS : 0; });
    EXPECT_EQ(ensure_version_record(store), "Failed to set data for 'Version'");
}

} // namespace
} // namespace vt
