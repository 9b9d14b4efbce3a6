#include "core/platform/file_mask.h"
#include "core/platform/folder_tree.h"
#include "support/file_stat.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vt::folders {
namespace {

TEST(FolderTree, AncestorsAndCleaning) {
    EXPECT_EQ(ancestors("/home/anna/Docs"),
              (std::vector<std::string>{"/", "/home", "/home/anna", "/home/anna/Docs"}));
    EXPECT_EQ(ancestors("/"), (std::vector<std::string>{"/"}));
    EXPECT_EQ(clean("/home//anna/./x/../Docs/"), "/home/anna/Docs");
    EXPECT_EQ(clean("/.."), "/");
}

TEST(FolderTree, SubfoldersAreDirectoriesAndLinksToThemVisibleOnesFirst) {
    test::TempDir dir;
    dir.mkdir("beta");
    dir.mkdir("Alpha");
    dir.mkdir(".config");
    dir.mkdir("gamma/deeper");
    dir.write("file.txt", "x");
    ASSERT_EQ(::symlink((dir / "gamma").c_str(), (dir / "link").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "missing").c_str(), (dir / "dangling").c_str()), 0);
    std::vector<std::string> names;
    ASSERT_TRUE(subfolders(dir.path(), names).ok);
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "beta", "gamma", "link", ".config"}));

    const IoResult missing = subfolders(dir / "nothing", names);
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.error, "No such file or directory");
    EXPECT_TRUE(names.empty());
}

TEST(FolderTree, ANewFolderIsMadeOnlyUnderAPlainName) {
    test::TempDir dir;
    dir.mkdir("Taken");
    const struct {
        const char* name;
        const char* made; // nullptr: refused
        const char* error;
    } cases[] = {
        {"Backup 2024", "Backup 2024", nullptr},
        {"  Pasted\t", "Pasted", nullptr},
        {".hidden", ".hidden", nullptr},
        {"", nullptr, "\"\" is not a name for a new folder"},
        {"   ", nullptr, "\"\" is not a name for a new folder"},
        {"..", nullptr, "\"..\" is not a name for a new folder"},
        {"a/b", nullptr, "A folder name cannot contain \"/\""},
        {"Taken", nullptr, "File exists"},
    };
    for (const auto& c : cases) {
        std::string made;
        const IoResult r = make_subfolder(dir.path(), c.name, made);
        EXPECT_EQ(r.ok, c.made != nullptr) << c.name;
        if (c.made) {
            EXPECT_EQ(made, dir / c.made);
            EXPECT_TRUE(S_ISDIR(test::mode_of(made))) << c.name;
        } else {
            EXPECT_EQ(r.error, c.error) << c.name;
            EXPECT_TRUE(made.empty());
        }
    }
    std::string made;
    EXPECT_EQ(make_subfolder(dir / "missing", "x", made).error, "No such file or directory");
}

TEST(FolderTree, MatchingFilesFollowTheMask) {
    test::TempDir dir;
    for (const char* name : {"a.txt", "B.TXT", "notes", ".hidden.txt", "report.txt.bak"})
        dir.write(name, "x");
    dir.mkdir("folder.txt");
    std::vector<std::string> names;
    ASSERT_TRUE(matching_files(dir.path(), "*.txt", names).ok);
    EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "B.TXT", ".hidden.txt"}));
    ASSERT_TRUE(matching_files(dir.path(), "*.*", names).ok);
    EXPECT_EQ(names.size(), 5u); // every file, "notes" without a dot included
}

TEST(FolderTree, MaskMatching) {
    struct Case {
        const char* mask;
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        {"*.*", "README", true},
        {"*", "", true},
        {"*.doc", "Letter.DOC", true},
        {"*.doc", "letter.docx", false},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"*a*b", "xaxxb", true},
        {"*a*b", "xaxxbc", false},
        {"report.txt", "Report.txt", true},
        {"**x", "x", true},
        {"?", "", false},
        {"a*", "a*b", true}, // a star in the mask is a wildcard, even against a star
    };
    for (const Case& c : cases)
        EXPECT_EQ(mask_matches(c.mask, c.name), c.matches) << c.mask << " ~ " << c.name;
}

TEST(FolderTree, ShortenKeepsTheFirstAndLastParts) {
    const auto width = [](const std::string& s) { return static_cast<int>(s.size()); };
    EXPECT_EQ(shorten("/home/anna/Docs", 100, width), "/home/anna/Docs");
    EXPECT_EQ(shorten("/home/anna/Documents/Reports/2024", 26, width), "/home/.../Reports/2024");
    EXPECT_EQ(shorten("/home/anna/Documents/Reports/2024", 5, width), "/.../2024");
}

} // namespace
} // namespace vt::folders
