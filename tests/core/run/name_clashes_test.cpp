#include "core/platform/directory.h"
#include "core/platform/disk_catalog.h"
#include "core/platform/name_fold.h"
#include "core/platform/sys.h"
#include "core/run/destination_case.h"
#include "core/run/name_clash.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vt::test {
namespace {

TEST(NameFold, NamesADiskThatIgnoresCaseTakesForOne) {
    struct Case {
        const char* a;
        const char* b;
        bool one;
    };
    const Case cases[] = {
        {"README", "Readme", true},
        {"readme.TXT", "README.txt", true},
        {"a", "b", false},
        {"Ärger", "äRGER", true},       // Latin-1 letters
        {"ΩMEGA", "ωmega", true},       // Greek
        {"ПРИВЕТ", "привет", true},     // Cyrillic
        {"Straße", "STRASSE", false},   // one letter never becomes two
        {"é", "e\xcc\x81", false},      // not normalised: the disks do not either
        {"a\xff", "A\xff", true},       // a byte that is not UTF-8 stays as it is
        {"\xc3", "\xe3", false},        // and is never taken for another
        {"\xc3\xa4", "\xc3\x84", true}, // ä and Ä
        {"\xc3\x84", "\xc3", false},    // Ä and a stray byte
        {"x\xed\xa0\x80", "x", false},  // an encoded surrogate is not UTF-8
        {"", "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " / " + c.b);
        EXPECT_EQ(fold_name(c.a) == fold_name(c.b), c.one);
    }
}

class NameClashesTest : public ::testing::Test {
protected:
    std::vector<NameClash> clashes(const ClashRule& rule) {
        Directory d(dir.path());
        std::vector<std::pair<std::string, unsigned char>> entries;
        std::string_view name;
        unsigned char type = 0;
        while (d.next(name, type))
            entries.emplace_back(name, type);
        // The folder's order must not matter: the names are given backwards too.
        std::vector<NameClash> found = name_clashes(d.fd(), entries, rule);
        std::reverse(entries.begin(), entries.end());
        std::vector<NameClash> backwards = name_clashes(d.fd(), entries, rule);
        EXPECT_EQ(found.size(), backwards.size());
        for (std::size_t i = 0; i < std::min(found.size(), backwards.size()); ++i) {
            EXPECT_EQ(found[i].name, backwards[i].name);
            EXPECT_EQ(found[i].winner, backwards[i].winner);
        }
        return found;
    }
    static std::vector<std::string> texts(const std::vector<NameClash>& found) {
        std::vector<std::string> out;
        for (const NameClash& c : found)
            out.push_back(c.name + (c.folder ? "/" : "") + " < " + c.winner);
        return out;
    }

    TempDir dir;
};

TEST_F(NameClashesTest, OnlyWhatTheLineWritesClashesAndTheFirstByBytesWins) {
    dir.write("Notes.txt", "");
    dir.write("notes.txt", "");
    dir.write("NOTES.txt", "");
    dir.write("Photo.JPG", "");
    dir.write("photo.jpg", "");
    dir.write("Sub/x", "");
    dir.write("sub", ""); // a file with a folder's name
    dir.write(".Cache/x", "");
    dir.write(".cache/x", "");
    dir.write("kept.txt", "");
    ASSERT_EQ(::symlink("kept.txt", (dir / "KEPT.txt").c_str()), 0); // a file too
    ASSERT_EQ(::mkfifo((dir / "Pipe.txt").c_str(), 0600), 0);
    dir.write("pipe.txt", "");

    struct Case {
        const char* what;
        ClashRule rule;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"everything",
         {"*", true, true, nullptr},
         {".cache/ < .Cache", "Notes.txt < NOTES.txt", "kept.txt < KEPT.txt",
          "notes.txt < NOTES.txt", "photo.jpg < Photo.JPG", "sub < Sub"}},
        // The mask leaves the photos out, hidden folders are not entered, and a FIFO
        // is never copied.
        {"*.txt without hidden folders",
         {"*.txt", true, false, nullptr},
         {"Notes.txt < NOTES.txt", "kept.txt < KEPT.txt", "notes.txt < NOTES.txt"}},
        // Without subfolders the folder "Sub" is not written: the file "sub" is.
        {"no subfolders", {"s*", false, true, nullptr}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> found = texts(clashes(c.rule));
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, c.expected);
    }
    EXPECT_EQ(clash_text("/src", {"b", "B", false}),
              "/src/b not copied: it has the same name as B on a disk that ignores case");
}

TEST_F(NameClashesTest, AFolderStillToBeMadeIsAnsweredForByTheNearestThatExists) {
    // The test machine's own disk, and the same made to look like FAT: a folder with
    // no entries to look up in the other case, on a disk not written to, is taken as
    // its type says.
    for (const bool fat : {false, true}) {
        if (fat)
            sys::set_disk_type_hook([](long) { return disk_type::kVfat; });
        for (const char* destination : {"", "/missing/deeper"}) {
            SCOPED_TRACE(std::string(fat ? "FAT" : "ext4") + destination);
            DiskCatalog disks;
            disks.start(false);
            DestinationCase cases(disks, dir.path() + destination);
            EXPECT_EQ(cases.ignores_case(""), fat);
            EXPECT_EQ(cases.ignores_case("/a/b"), fat);
        }
        sys::clear_disk_type_hook();
    }
    // Where a file can be written, the disk is asked: this one takes case.
    sys::set_disk_type_hook([](long) { return disk_type::kVfat; });
    DiskCatalog disks;
    disks.start(true);
    DestinationCase cases(disks, dir / "missing");
    EXPECT_FALSE(cases.ignores_case("/a"));
    sys::clear_disk_type_hook();
}

} // namespace
} // namespace vt::test
