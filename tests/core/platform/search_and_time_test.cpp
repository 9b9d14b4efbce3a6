#include "core/platform/directory.h"
#include "core/platform/file_mask.h"
#include "core/platform/file_time.h"
#include "core/platform/folder_create.h"
#include "core/platform/sys.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

#include <clocale>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sys/stat.h>

namespace vt {
namespace {

TEST(FileMask, MatchesLikeTheOldDesktopSearch) {
    struct Case {
        const char* mask;
        const char* name;
        bool match;
    };
    const Case cases[] = {
        {"*.*", "README", true},
        {"*.*", ".hidden", true},
        {"*.*", "a.b.c", true},
        {"*", "anything.at.all", true},
        {"*.txt", "notes.txt", true},
        {"*.txt", "NOTES.TXT", true},
        {"*.TXT", "notes.txt", true},
        {"*.txt", "notes.txt.bak", false},
        {"*.txt", "txt", false},
        {"?.doc", "a.doc", true},
        {"?.doc", "ab.doc", false},
        {"a*b*c", "aXXbYYc", true},
        {"a*b*c", "aXXbYY", false},
        {"exact.name", "Exact.Name", true},
        {"exact.name", "exact.names", false},
        {"**a", "bba", true},
        {"", "", true},
        {"", "x", false},
        {"report-??.pdf", "Report-07.PDF", true},
        {"ä*", "äbc", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(mask_matches(c.mask, c.name), c.match) << c.mask << " / " << c.name;
}

TEST(FileMask, ManyStarsStayFast) {
    const std::string name(5000, 'a');
    EXPECT_FALSE(mask_matches("*a*a*a*a*a*a*a*a*a*a*a*b", name));
}

class LocalTime : public ::testing::Test {
protected:
    void SetUp() override {
        tz_.emplace("TZ", "UTC");
        ::tzset();
    }
    void TearDown() override {
        tz_.reset();
        ::tzset();
    }
    std::optional<test::ScopedEnv> tz_;
};

TEST_F(LocalTime, TimesCompareAtTwoSeconds) {
    const std::time_t even = 1700049600; // 2023-11-15 12:00:00
    EXPECT_EQ(file_time(even), file_time(even + 1));
    EXPECT_LT(file_time(even + 1), file_time(even + 2));
    EXPECT_GT(file_time(even), file_time(even - 1));
    // Minutes, hours, days and years order as well.
    EXPECT_LT(file_time(even + 58), file_time(even + 60));
    EXPECT_LT(file_time(even), file_time(even + 86400 * 400));
    // Before 1980 and after 2107 (outside the old 7-bit year) the order still holds.
    EXPECT_LT(file_time(0), file_time(even));
    EXPECT_LT(file_time(even), file_time(4398046511LL));
}

TEST_F(LocalTime, DateTimeTextLeavesOutMidnight) {
    std::setlocale(LC_TIME, "C");
    EXPECT_EQ(date_time_text(file_time(1700049601)), "11/15/23 12:00:00");
    EXPECT_EQ(date_time_text(file_time(1700006400)), "11/15/23");
    EXPECT_EQ(date_time_text(file_time(1700006401)), "11/15/23");
    EXPECT_EQ(date_time_text(file_time(1700006402)), "11/15/23 00:00:02");
}

TEST(FolderCreate, NewFolderTakesTheTemplatesBitsAndStaysWritable) {
    test::TempDir dir;
    const std::string open_template = dir.mkdir("open");
    const std::string locked_template = dir.mkdir("locked");
    ASSERT_EQ(::chmod(open_template.c_str(), 0750), 0);
    ASSERT_EQ(::chmod(locked_template.c_str(), 0555), 0);
    ASSERT_TRUE(create_folder_from_template(open_template, dir / "a").ok);
    ASSERT_TRUE(create_folder_from_template(locked_template, dir / "b").ok);
    struct stat st {};
    ASSERT_EQ(::stat((dir / "a").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0750u);
    ASSERT_EQ(::stat((dir / "b").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);

    const IoResult again = create_folder_from_template(open_template, dir / "a");
    EXPECT_FALSE(again.ok);
    EXPECT_EQ(again.error, "File exists");
    EXPECT_FALSE(create_folder_from_template(open_template, dir / "missing/c").ok);
}

TEST(Directory, ClassifiesEntriesForTheFileSearch) {
    test::TempDir dir;
    dir.write("file", "x");
    dir.mkdir("folder");
    ASSERT_EQ(::symlink("file", (dir / "file-link").c_str()), 0);
    ASSERT_EQ(::symlink("folder", (dir / "folder-link").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", (dir / "dangling").c_str()), 0);
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    Directory d(dir.path());
    ASSERT_TRUE(d.is_open());
    std::map<std::string, std::pair<EntryKind, bool>> seen;
    std::string_view name;
    unsigned char type = 0;
    while (d.next(name, type)) {
        struct stat st {};
        const std::string n(name);
        seen[n] = {classify_entry(d.fd(), n.c_str(), type, st),
                   is_real_folder(d.fd(), n.c_str(), type)};
    }
    const std::map<std::string, std::pair<EntryKind, bool>> expected = {
        {"file", {EntryKind::File, false}},      {"folder", {EntryKind::Folder, true}},
        {"file-link", {EntryKind::File, false}}, {"folder-link", {EntryKind::Other, false}},
        {"dangling", {EntryKind::Other, false}}, {"fifo", {EntryKind::Other, false}},
    };
    EXPECT_EQ(seen, expected);
}

// A folder of many batches of entries is read whole, each name once; a read that
// fails in a later batch is an error, never the end of the folder.
TEST(Directory, ReadsAFolderOfManyBatchesWholeAndTellsAFailureFromItsEnd) {
    test::TempDir dir;
    constexpr int kFiles = 3000; // names of 40 bytes: several batches
    for (int i = 0; i < kFiles; ++i)
        dir.write(std::string(35, 'n') + std::to_string(10000 + i), "");
    auto read = [&](int& error) {
        Directory d(dir.path());
        std::set<std::string> names;
        std::string_view name;
        unsigned char type = 0;
        int count = 0;
        for (; d.next(name, type); ++count)
            names.emplace(name);
        error = d.error();
        return std::make_pair(count, names.size());
    };
    int error = -1;
    EXPECT_EQ(read(error), std::make_pair(kFiles, std::size_t{kFiles}));
    EXPECT_EQ(error, 0);
    sys::set_fault_hook([asked = 0](sys::Op op, const char*) mutable {
        return op == sys::Op::ReadDir && ++asked == 2500 ? EIO : 0;
    });
    const auto partly = read(error);
    sys::clear_fault_hook();
    EXPECT_LT(partly.first, kFiles);
    EXPECT_EQ(error, EIO);
}

} // namespace
} // namespace vt
