#include "core/desktop/desktop_entry.h"
#include "core/desktop/freedesktop_type.h"
#include "core/desktop/shortcut_file.h"
#include "core/desktop/tool_run.h"
#include "support/file_stat.h"
#include "support/folder_listing.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace vt {
namespace {

using test::run_tool;
using test::shell_word;

// The Exec line as the desktop reads it: the file's value escapes first, then the
// command line's quoting, one argument each.
std::vector<std::string> exec_words(const std::string& value) {
    std::string unescaped;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char e = value[++i];
            unescaped += e == 's' ? ' ' : e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e;
        } else {
            unescaped += value[i];
        }
    }
    std::vector<std::string> words;
    std::string word;
    bool in_word = false, quoted = false;
    for (size_t i = 0; i < unescaped.size(); ++i) {
        const char c = unescaped[i];
        if (c == '%' && i + 1 < unescaped.size() && unescaped[i + 1] == '%') {
            word += '%'; // a field code: the same inside and outside quotation marks
            ++i;
            in_word = true;
        } else if (quoted) {
            if (c == '\\' && i + 1 < unescaped.size())
                word += unescaped[++i];
            else if (c == '"')
                quoted = false;
            else
                word += c;
        } else if (c == ' ') {
            if (in_word)
                words.push_back(word);
            word.clear();
            in_word = false;
        } else if (c == '"') {
            quoted = in_word = true;
        } else {
            word += c;
            in_word = true;
        }
    }
    if (in_word)
        words.push_back(word);
    return words;
}

std::string key_of(const std::string& entry, const std::string& key) {
    const std::string prefix = "\n" + key + "=";
    const size_t at = entry.find(prefix);
    if (at == std::string::npos)
        return {};
    const size_t start = at + prefix.size();
    return entry.substr(start, entry.find('\n', start) - start);
}

bool validates(const std::string& file, std::string* report = nullptr) {
    const auto run = run_tool("desktop-file-validate " + shell_word(file));
    if (report)
        *report = run.output;
    return run.status == 0 && run.output.find("error") == std::string::npos;
}

const std::string kOddPaths[] = {
    "/opt/vantorel/vantorel",           "/opt/Vantorel Tools/vantorel",
    "/home/ann/it's \"mine\"/v$ntorel", "/srv/100%/back\\slash/`tick`",
    "/tmp/ leading/;&|<>~*?#()",
};

TEST(DesktopEntry, ExecArgumentsComeBackAsTheyWere) {
    for (const std::string& path : kOddPaths) {
        const std::string exec =
            desktop_entry::escape_value(desktop_entry::exec_argument(path) + " %f");
        EXPECT_EQ(exec_words(exec), (std::vector<std::string>{path, "%f"})) << exec;
    }
    EXPECT_EQ(desktop_entry::exec_argument("/usr/bin/vantorel"), "/usr/bin/vantorel");
    EXPECT_EQ(desktop_entry::escape_value(desktop_entry::exec_argument("/a b/c\\d")),
              "\"/a b/c\\\\\\\\d\"");
}

class DesktopFilesTest : public ::testing::Test {
protected:
    test::TempDir dir;
};

TEST_F(DesktopFilesTest, HandlerEntryAndMimePackageAreAcceptedByTheDesktopTools) {
    if (!test::have_tool("desktop-file-validate") || !test::have_tool("update-mime-database"))
        GTEST_SKIP() << "desktop-file-utils or shared-mime-info missing";
    for (const std::string& program : kOddPaths) {
        FreedesktopType type(dir / "data", false);
        ASSERT_EQ(type.install(program), std::nullopt);
        std::string report;
        EXPECT_TRUE(validates(type.handler_entry_path(), &report)) << program << "\n" << report;
        const std::string entry = test::read_file(type.handler_entry_path());
        EXPECT_EQ(exec_words(key_of(entry, "Exec")), (std::vector<std::string>{program, "%f"}));
        EXPECT_EQ(key_of(entry, "MimeType"), "application/x-vantorel-list;");
    }
    const auto run = run_tool("update-mime-database " + shell_word(dir / "data/mime"));
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(test::exists(dir / "data/mime/mime.cache"));
    EXPECT_NE(test::read_file(dir / "data/mime/globs2").find("application/x-vantorel-list:*.vtl"),
              std::string::npos);
}

// What a file manager asks: the type of a ".vtl" file and the program that opens it.
TEST_F(DesktopFilesTest, AfterInstallTheDesktopKnowsTheTypeAndItsProgram) {
    // Without a desktop session xdg-mime asks "mimetype" (libfile-mimeinfo-perl).
    if (!test::have_tool("xdg-mime") || !test::have_tool("mimetype") ||
        !test::have_tool("update-mime-database") || !test::have_tool("update-desktop-database"))
        GTEST_SKIP() << "xdg-utils, libfile-mimeinfo-perl, shared-mime-info or "
                        "desktop-file-utils missing";
    const std::string data = dir / "data";
    // An installed copy of the program on this machine must not answer for the user's.
    const std::string system = dir.mkdir("system");
    const std::string env =
        "env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION XDG_DATA_HOME=" + shell_word(data) +
        " XDG_DATA_DIRS=" + shell_word(system) + " XDG_CONFIG_HOME=" + shell_word(dir / "config") +
        " ";
    const std::string list =
        dir.write("lists/daily.vtl", "\"/a\",\"*.*\",\"/b\",\"No\",\"No\"\r\n");

    FreedesktopType type(data, true, {system});
    ASSERT_EQ(type.install("/opt/Vantorel Tools/vantorel"), std::nullopt);
    EXPECT_EQ(run_tool(env + "xdg-mime query filetype " + shell_word(list)).output,
              "application/x-vantorel-list");
    EXPECT_EQ(run_tool(env + "xdg-mime query default application/x-vantorel-list").output,
              "example.vantorel.Vantorel.desktop");

    type.uninstall();
    EXPECT_FALSE(test::exists(type.mime_package_path()));
    EXPECT_FALSE(test::exists(type.handler_entry_path()));
    EXPECT_NE(run_tool(env + "xdg-mime query filetype " + shell_word(list)).output,
              "application/x-vantorel-list");
    EXPECT_EQ(run_tool(env + "xdg-mime query default application/x-vantorel-list").output, "");
}

TEST_F(DesktopFilesTest, InstallReportsAFolderItCannotWrite) {
    dir.write("data/applications", "a file where the folder should be");
    FreedesktopType type(dir / "data", false);
    EXPECT_EQ(type.install("/usr/bin/vantorel"),
              "Unable to write to " +
                  (dir / "data/applications/example.vantorel.Vantorel.desktop"));
}

// The association and an installed copy's menu entry have the same name, so the
// association takes the menu entry's place: it shows in the menus only when there is
// an installed entry to stand in for, so that a copy run from its build folder adds
// nothing to the menus and an installed one does not vanish from them.
TEST_F(DesktopFilesTest, TheAssociationShowsInTheMenusOnlyInPlaceOfAnInstalledEntry) {
    const std::string system = dir.mkdir("usr/share");
    FreedesktopType type(dir / "data", false, {dir / "usr/local/share", system});
    EXPECT_FALSE(type.menu_entry_installed());
    ASSERT_EQ(type.install("/home/ann/build/vantorel"), std::nullopt);
    std::string entry = test::read_file(type.handler_entry_path());
    EXPECT_EQ(key_of(entry, "NoDisplay"), "true");
    EXPECT_EQ(key_of(entry, "Icon"), "example.vantorel.Vantorel");

    dir.write("usr/share/applications/example.vantorel.Vantorel.desktop", "[Desktop Entry]\n");
    EXPECT_TRUE(type.menu_entry_installed());
    ASSERT_EQ(type.install("/usr/bin/vantorel"), std::nullopt);
    entry = test::read_file(type.handler_entry_path());
    EXPECT_EQ(key_of(entry, "NoDisplay"), "");
    EXPECT_EQ(key_of(entry, "Categories"), "Utility;Archiving;");
}

// Earlier versions named the association vantorel.desktop, which is also the name of
// the shortcut to a list called "vantorel": only the association is taken away.
TEST_F(DesktopFilesTest, TheOldAssociationGoesButAShortcutOfTheSameNameStays) {
    const std::string old_association = "[Desktop Entry]\nType=Application\nName=Vantorel\n"
                                        "Comment=Open Vantorel List files\n"
                                        "Exec=\"/opt/My Tools/vantorel\" %f\n"
                                        "MimeType=application/x-vantorel-list;\nNoDisplay=true\n";
    const std::string list_shortcut =
        TShortcutFile::entry_for(dir / "lists/vantorel", "", "vantorel");
    const std::string own_menu_entry = "[Desktop Entry]\nType=Application\nName=Vantorel\n"
                                       "Exec=/opt/vantorel/vantorel %f\n";
    struct Case {
        const std::string& content;
        bool goes;
    } cases[] = {{old_association, true}, {list_shortcut, false}, {own_menu_entry, false}};
    for (const Case& c : cases) {
        EXPECT_EQ(FreedesktopType::is_old_handler_entry(c.content), c.goes) << c.content;
        for (bool by_install : {true, false}) {
            FreedesktopType type(dir / "data", false, {});
            dir.write("data/applications/vantorel.desktop", c.content);
            if (by_install)
                ASSERT_EQ(type.install("/usr/bin/vantorel"), std::nullopt);
            else
                type.uninstall();
            EXPECT_EQ(test::exists(type.old_handler_entry_path()), !c.goes) << c.content;
            if (!c.goes) {
                EXPECT_EQ(test::read_file(type.old_handler_entry_path()), c.content);
            }
        }
    }
}

TEST_F(DesktopFilesTest, AnOldAssociationNameThatIsNoPlainFileIsLeftAlone) {
    FreedesktopType type(dir / "data", false, {});
    dir.mkdir("data/applications");
    ASSERT_EQ(::mkfifo(type.old_handler_entry_path().c_str(), 0644), 0);
    type.uninstall(); // returns: the pipe is not opened
    EXPECT_TRUE(test::exists(type.old_handler_entry_path()));
}

// The files the package installs are the ones the file-type command writes.
TEST(InstalledFiles, AreTheOnesTheProgramWritesForTheUser) {
    EXPECT_EQ(test::read_file(VT_PACKAGING_DIR "/vantorel.xml"), FreedesktopType::mime_package());
    EXPECT_EQ(test::read_file(VT_PACKAGING_DIR "/example.vantorel.Vantorel.desktop"),
              FreedesktopType::handler_entry("vantorel", true));
}

TEST(RunQuietly, ReportsMissingToolsAndFailures) {
    EXPECT_TRUE(run_quietly({"true"}));
    EXPECT_FALSE(run_quietly({"false"}));
    EXPECT_FALSE(run_quietly({"vantorel-no-such-tool"}));
    EXPECT_FALSE(run_quietly({}));
}

// --- Shortcuts -----------------------------------------------------------------

class ShortcutTest : public ::testing::Test {
protected:
    std::string program() const {
        const std::string p = dir.write("My Programs/vantorel", "#!/bin/sh\n");
        ::chmod(p.c_str(), 0755);
        return p;
    }
    static unsigned permissions_of(const std::string& path) { return test::mode_of(path) & 07777; }
    static size_t files_in(const std::string& folder) { return test::names_in(folder).size(); }
    test::TempDir dir;
    TShortcutFile writer;
};

TEST_F(ShortcutTest, ProgramShortcutStartsTheProgramInItsFolder) {
    const std::string desktop = dir.mkdir("Desktop");
    const std::string target = program();
    shortcuts::create_program_shortcut(writer, desktop, target, shortcuts::Place::Desktop);
    const std::string link = desktop + "/Vantorel.desktop";
    ASSERT_TRUE(test::exists(link));
    const std::string entry = test::read_file(link);
    EXPECT_EQ(key_of(entry, "Type"), "Application");
    EXPECT_EQ(key_of(entry, "Name"), "Vantorel");
    EXPECT_EQ(exec_words(key_of(entry, "Exec")), std::vector<std::string>{target});
    EXPECT_EQ(key_of(entry, "Path"), dir / "My Programs/");
    EXPECT_EQ(key_of(entry, "Icon"), "example.vantorel.Vantorel");
    EXPECT_EQ(key_of(entry, "Categories"), ""); // the desktop has no menus
    EXPECT_EQ(permissions_of(link), 0755u);
    if (test::have_tool("desktop-file-validate")) {
        std::string report;
        EXPECT_TRUE(validates(link, &report)) << report;
    }
}

TEST_F(ShortcutTest, ListShortcutOpensTheListFromItsFolder) {
    const std::string menu = dir.mkdir("applications");
    const std::string list = dir.write("Lists/daily.vtl", "");
    ::chmod(list.c_str(), 0755); // lists on FAT disks look executable: still a document
    shortcuts::create_list_shortcut(writer, menu, list, shortcuts::Place::Menu);
    const std::string link = menu + "/daily.vtl.desktop";
    ASSERT_TRUE(test::exists(link));
    EXPECT_EQ(files_in(menu), 1u);
    const std::string entry = test::read_file(link);
    EXPECT_EQ(key_of(entry, "Name"), "daily.vtl");
    EXPECT_EQ(exec_words(key_of(entry, "Exec")), (std::vector<std::string>{"xdg-open", list}));
    EXPECT_EQ(key_of(entry, "Path"), dir / "Lists/");
    EXPECT_EQ(key_of(entry, "Icon"), "application-x-vantorel-list");
    EXPECT_EQ(key_of(entry, "Categories"), "Utility;Archiving;");
    EXPECT_EQ(permissions_of(link), 0755u);
    if (test::have_tool("desktop-file-validate")) {
        std::string report;
        EXPECT_TRUE(validates(link, &report)) << report;
    }
}

TEST_F(ShortcutTest, NameGetsOneExtensionOnly) {
    const std::string target = program();
    struct Case {
        const char* given;
        const char* written;
    } cases[] = {
        {"daily.vtl", "daily.vtl.desktop"},
        {"Vantorel.desktop", "Vantorel.desktop"},
        {"Shout.DESKTOP", "Shout.DESKTOP"},
        {"old.lnk", "old.lnk.desktop"},
        {"dot.desktop.d/name", "dot.desktop.d/name.desktop"},
    };
    dir.mkdir("links/dot.desktop.d");
    for (const Case& c : cases) {
        std::string name = (dir / "links/") + c.given;
        EXPECT_EQ(writer.CreateShortcut(target, "", name), 0) << c.given;
        EXPECT_EQ(name, (dir / "links/") + c.written);
        EXPECT_TRUE(test::exists(name));
    }
}

TEST_F(ShortcutTest, AnExistingShortcutIsReplacedAndMadeExecutable) {
    const std::string desktop = dir.mkdir("Desktop");
    const std::string link = dir.write("Desktop/Vantorel.desktop", "stale");
    ::chmod(link.c_str(), 0600);
    const std::string target = program();
    shortcuts::create_program_shortcut(writer, desktop, target, shortcuts::Place::Desktop);
    shortcuts::create_program_shortcut(writer, desktop, target, shortcuts::Place::Desktop);
    EXPECT_EQ(files_in(desktop), 1u);
    EXPECT_EQ(test::read_file(link).find("stale"), std::string::npos);
    EXPECT_EQ(permissions_of(link), 0755u);
}

TEST_F(ShortcutTest, FailuresLeaveNoFileAndNoTrace) {
    const std::string target = program();
    std::string into_nowhere = dir / "no such folder/x";
    EXPECT_NE(writer.CreateShortcut(target, "", into_nowhere), 0);
    shortcuts::create_program_shortcut(writer, dir / "no such folder", target,
                                       shortcuts::Place::Desktop);
    EXPECT_FALSE(test::exists(dir / "no such folder"));

    const std::string desktop = dir.mkdir("Desktop");
    shortcuts::create_list_shortcut(writer, desktop, dir / "gone.vtl", shortcuts::Place::Desktop);
    shortcuts::create_list_shortcut(writer, desktop, "", shortcuts::Place::Desktop);
    const std::string long_list = dir.write(std::string(250, 'n') + ".vtl", "");
    // The name is too long for the disk.
    shortcuts::create_list_shortcut(writer, desktop, long_list, shortcuts::Place::Desktop);
    EXPECT_EQ(files_in(desktop), 0u);

    // A list named like the program's entry would replace the file-type association.
    const std::string like_the_entry = dir.write("example.vantorel.Vantorel", "");
    shortcuts::create_list_shortcut(writer, desktop, like_the_entry, shortcuts::Place::Menu);
    EXPECT_EQ(files_in(desktop), 0u);

    // Without a folder the shortcut would land in the root folder.
    const bool was_there = test::exists("/Vantorel.desktop");
    shortcuts::create_program_shortcut(writer, "", target, shortcuts::Place::Desktop);
    EXPECT_EQ(test::exists("/Vantorel.desktop"), was_there);
}

} // namespace
} // namespace vt
