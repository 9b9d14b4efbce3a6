#include "core/list/list_file.h"
#include "core/platform/sys.h"
#include "support/generated_fields.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace vt {
namespace {

using Items = std::vector<std::string>;

struct SplitCase {
    const char* what;
    std::string line;
    Items items;
};

TEST(SplitItems, FollowsTheCommaTextRules) {
    const std::vector<SplitCase> cases = {
        {"written entry line",
         R"("C:/a","*.*","D:/b","Yes","No")",
         {"C:/a", "*.*", "D:/b", "Yes", "No"}},
        {"empty line", "", {}},
        {"blanks only", " \t ", {}},
        {"quoted item keeps commas and blanks", R"("a, b c",x)", {"a, b c", "x"}},
        {"doubled quote stands for one", R"("say ""hi""",x)", {R"(say "hi")", "x"}},
        {"missing closing quote runs to the end", R"("abc,def)", {"abc,def"}},
        {"unquoted item ends at a blank", "one two three", {"one", "two", "three"}},
        {"unquoted item ends at a comma", "a,b", {"a", "b"}},
        {"trailing comma gives an empty item", "a,", {"a", ""}},
        {"two commas give an empty item", "a,,b", {"a", "", "b"}},
        {"blanks around commas are passed over", "a ,  b", {"a", "b"}},
        {"leading blanks are skipped", "   a", {"a"}},
        {"control characters separate like blanks",
         "a\tb\x01"
         "c",
         {"a", "b", "c"}},
        {"quoted item directly followed by text", R"("a"b)", {"a", "b"}},
        {"quote inside an unquoted item belongs to it", R"(ab"c,d)", {R"(ab"c)", "d"}},
        {"empty quoted items", R"("","","")", {"", "", ""}},
        {"a NUL ends the text", std::string("a,b\0,c", 6), {"a", "b"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(split_items(c.line), c.items) << c.what;
}

TEST(SplitItems, LongLinesAreReadWhole) {
    // A folder name alone may be 4096 bytes long: nothing of the line is cut.
    const std::string folder = "/" + std::string(4095, 'x');
    const Items items = split_items("\"" + folder + "\",\"*.*\",\"/dst\",\"Yes\",\"No\"");
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0], folder);
    EXPECT_EQ(items[4], "No");
}

TEST(ParseEntryLine, TakesItemsOneToFive) {
    EXPECT_EQ(parse_entry_line(R"("a","b","c")"), (CopyLine{"a", "b", "c", "", ""}));
    EXPECT_EQ(parse_entry_line("1,2,3,4,5,6,7"), (CopyLine{"1", "2", "3", "4", "5"}));
    // A file specification of two unquoted words shifts every following field.
    EXPECT_EQ(parse_entry_line(R"("/src",my file.txt,"/dst","Yes","No")"),
              (CopyLine{"/src", "my", "file.txt", "/dst", "Yes"}));
}

class ListFileTest : public ::testing::Test {
protected:
    test::TempDir dir;
    CopyList list;
};

TEST_F(ListFileTest, WritesMessageThenEntryLinesWithCrLf) {
    list.set_message("Insert the backup disk");
    list.append_line({"/home/a", "*.*", "/media/b", "Yes", "No"});
    list.append_line({"/x", "*.doc", "/y", "No", "Yes"});
    const std::string name = dir / "list.vtl";
    ASSERT_TRUE(save_vtl(list, name).ok);
    EXPECT_EQ(test::read_file(name), "Insert the backup disk\r\n"
                                     "\"/home/a\",\"*.*\",\"/media/b\",\"Yes\",\"No\"\r\n"
                                     "\"/x\",\"*.doc\",\"/y\",\"No\",\"Yes\"\r\n");
    EXPECT_FALSE(list.modified());
    EXPECT_EQ(list.file_name(), name);
    EXPECT_EQ(list.list_folder(), dir.path() + "/");
    EXPECT_EQ(list.caption(), "Vantorel: list.vtl");
}

TEST_F(ListFileTest, EmptyListWithoutMessageIsAZeroByteFile) {
    const std::string name = dir / "empty.vtl";
    ASSERT_TRUE(save_vtl(list, name).ok);
    EXPECT_EQ(test::read_file(name), "");
    list.set_message("kept");
    ASSERT_TRUE(load_vtl(list, name).ok);
    EXPECT_EQ(list.line_count(), 0);
    EXPECT_EQ(list.message(), "kept");
    EXPECT_FALSE(list.modified());
}

TEST_F(ListFileTest, MessageLineRules) {
    // The last message line wins, wherever it stands; empty lines are passed over
    // without touching the message; LF-only and CR-only line ends are read too.
    const std::string name = dir.write("m.vtl", "first\r\n\"a\",\"b\"\n\r\n \"lead\",\"blank\"\r"
                                                "\"c\",\"d\"\r\nlast");
    list.set_message("old");
    ASSERT_TRUE(load_vtl(list, name).ok);
    EXPECT_EQ(list.message(), "last");
    ASSERT_EQ(list.line_count(), 2);
    EXPECT_EQ(list.line(1), (CopyLine{"a", "b", "", "", ""}));
    EXPECT_EQ(list.line(2), (CopyLine{"c", "d", "", "", ""}));
    EXPECT_EQ(list.current_row(), 1);
    EXPECT_FALSE(list.modified());
}

TEST_F(ListFileTest, MessageBeginningWithAQuoteComesBackAsALine) {
    list.set_message("\"quoted\" message");
    const std::string name = dir / "q.vtl";
    ASSERT_TRUE(save_vtl(list, name).ok);
    CopyList other;
    other.set_message("before");
    ASSERT_TRUE(load_vtl(other, name).ok);
    EXPECT_EQ(other.message(), "before");
    ASSERT_EQ(other.line_count(), 1);
    EXPECT_EQ(other.line(1)[0], "quoted");
    EXPECT_EQ(other.line(1)[1], "message");
}

TEST_F(ListFileTest, RoundTripOfGeneratedLists) {
    std::mt19937 random(12345);
    const std::string alphabet = "abcXYZ019 ,.*?/\\-_:;'()[]~!$%&";
    auto text = [&](int max) {
        std::string s;
        const int n = static_cast<int>(random() % static_cast<unsigned>(max + 1));
        for (int i = 0; i < n; ++i)
            s += alphabet[random() % alphabet.size()];
        return s;
    };
    for (int round = 0; round < 50; ++round) {
        CopyList original;
        std::string message = text(30);
        if (!message.empty() && message.front() == '"')
            message.front() = 'm';
        original.set_message(message);
        const int lines = static_cast<int>(random() % 20);
        for (int i = 0; i < lines; ++i)
            original.append_line({text(40), text(10), text(40), text(3), text(3)});
        const std::string name = dir / ("round" + std::to_string(round) + ".vtl");
        ASSERT_TRUE(save_vtl(original, name).ok);
        CopyList copy;
        copy.set_message(message.empty() ? "unchanged" : "");
        ASSERT_TRUE(load_vtl(copy, name).ok);
        EXPECT_EQ(copy.lines(), original.lines()) << "round " << round;
        EXPECT_EQ(copy.message(), message.empty() ? "unchanged" : message);
    }
}

TEST_F(ListFileTest, QuotesAndBytesOfEveryKindSurviveSaveLoadAndTheListText) {
    std::mt19937 random(2024);
    for (int round = 0; round < 50; ++round) {
        CopyList original;
        std::string message = test::generated_field(random, 30);
        if (message.empty() || message.front() == '"')
            message.insert(0, "m");
        original.set_message(message);
        for (int i = static_cast<int>(random() % 10); i > 0; --i)
            original.append_line(test::generated_line(random));
        const std::string name = dir / "bytes.vtl";
        ASSERT_TRUE(save_vtl(original, name).ok);
        CopyList copy;
        ASSERT_TRUE(load_vtl(copy, name).ok);
        EXPECT_EQ(copy.lines(), original.lines()) << "round " << round;
        EXPECT_EQ(copy.message(), message);
        EXPECT_FALSE(copy.modified());
        vtl_to_grid(copy, grid_to_vtl(copy));
        EXPECT_EQ(copy.lines(), original.lines()) << "list text, round " << round;
    }
}

TEST_F(ListFileTest, AQuoteInAFieldIsWrittenDoubled) {
    list.append_line({"/src", "\"*.doc\"", "/dst", "Yes", "No"});
    ASSERT_TRUE(save_vtl(list, dir / "q.vtl").ok);
    EXPECT_EQ(test::read_file(dir / "q.vtl"),
              "\"/src\",\"\"\"*.doc\"\"\",\"/dst\",\"Yes\",\"No\"\r\n");
    CopyList copy;
    ASSERT_TRUE(load_vtl(copy, dir / "q.vtl").ok);
    EXPECT_EQ(copy.line(1), list.line(1));
}

TEST_F(ListFileTest, FailedReadChangesNothing) {
    list.append_line({"a", "b", "c", "Yes", "No"});
    const std::string before = dir / "before.vtl";
    ASSERT_TRUE(save_vtl(list, before).ok);
    list.set_message("changed");

    const IoResult r = load_vtl(list, dir / "missing.vtl");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "File not found");
    EXPECT_EQ(list.file_name(), before);
    EXPECT_EQ(list.caption(), "Vantorel: before.vtl");
    EXPECT_EQ(list.line_count(), 1);
    EXPECT_TRUE(list.modified());

    EXPECT_EQ(load_vtl(list, dir.path()).error, "File access denied"); // a folder

    // A read error in the middle of the file leaves the list as it was.
    const std::string big = dir.write("big.vtl", std::string(200000, 'x'));
    int reads = 0;
    sys::set_fault_hook(
        [&](sys::Op op, const char*) { return op == sys::Op::Read && ++reads == 2 ? EIO : 0; });
    EXPECT_EQ(load_vtl(list, big).error, "I/O error 5");
    sys::clear_fault_hook();
    EXPECT_EQ(list.message(), "changed");
    EXPECT_EQ(list.file_name(), before);
}

TEST_F(ListFileTest, AFileHoldingANulIsRefusedAsDamaged) {
    using namespace std::string_literals;
    struct Case {
        const char* what;
        std::string content;
        int line; // the line named in the error
    };
    const std::vector<Case> cases = {
        // Read on, the mask would end at the NUL and the line would copy nothing.
        {"in a mask", "msg\r\n\"/src\",\"*.txt\0\",\"/dst\",\"No\",\"No\"\r\n"s, 2},
        {"in the message", "Insert\0 the disk\r\n\"/a\",\"*.*\",\"/b\",\"No\",\"No\"\r\n"s, 1},
        {"after blank and LF-ended lines", "\r\n\"/a\",\"*.*\",\"/b\"\n\n\0"s, 4},
        {"a list written as UTF-16", "\"\0/\0a\0\"\0\r\0\n\0"s, 1},
    };
    const std::string before =
        dir.write("before.vtl", "kept\r\n\"1\",\"2\",\"3\",\"No\",\"No\"\r\n");
    for (const Case& c : cases) {
        ASSERT_TRUE(load_vtl(list, before).ok);
        const IoResult r = load_vtl(list, dir.write("damaged.vtl", c.content));
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_EQ(r.error,
                  "Damaged list file: line " + std::to_string(c.line) + " holds a NUL byte")
            << c.what;
        // Nothing of the list on screen changes.
        EXPECT_EQ(list.file_name(), before) << c.what;
        EXPECT_EQ(list.message(), "kept") << c.what;
        EXPECT_EQ(list.line(1), (CopyLine{"1", "2", "3", "No", "No"})) << c.what;
    }
}

TEST_F(ListFileTest, FailedWriteLeavesTheOldFileByteForByte) {
    const std::string name =
        dir.write("keep.vtl", "old message\r\n\"1\",\"2\",\"3\",\"No\",\"No\"\r\n");
    const std::string old = test::read_file(name);
    for (int line = 0; line < 2000; ++line)
        list.append_line({"/a/long/source/folder", "*.*", "/dest", "Yes", "Yes"});
    list.set_modified(true);
    for (const sys::Op failing :
         {sys::Op::Create, sys::Op::Write, sys::Op::Sync, sys::Op::Rename}) {
        sys::set_fault_hook([&](sys::Op op, const char*) { return op == failing ? ENOSPC : 0; });
        const IoResult r = save_vtl(list, name);
        sys::clear_fault_hook();
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, "Disk full");
        EXPECT_EQ(test::read_file(name), old);
        EXPECT_TRUE(list.modified());
    }
    // No temporary file is left behind.
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 1);
}

TEST_F(ListFileTest, SaveThroughASymbolicLinkReplacesTheTarget) {
    const std::string target = dir.write("real/target.vtl", "old\r\n");
    const std::string link = dir / "link.vtl";
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    list.set_message("new");
    ASSERT_TRUE(save_vtl(list, link).ok);
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(test::read_file(target), "new\r\n");
}

TEST_F(ListFileTest, SaveKeepsTheFilesPermissionBits) {
    const std::string name = dir.write("mode.vtl", "x\r\n");
    ::chmod(name.c_str(), 0600);
    ASSERT_TRUE(save_vtl(list, name).ok);
    struct stat st {};
    ::stat(name.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(ListText, GridToVtlAndBack) {
    CopyList list;
    list.append_line({"/a", "*.*", "/b", "Yes", "No"});
    list.append_line({"/c", "x y", "/d", "No", "Yes"});
    list.set_message("not part of the text");
    const auto text = grid_to_vtl(list);
    ASSERT_EQ(text.size(), 2u);
    EXPECT_EQ(text[0], R"("/a","*.*","/b","Yes","No")");

    list.set_current_row(2);
    vtl_to_grid(list, {text[0], "", "three words here"});
    ASSERT_EQ(list.line_count(), 3);
    EXPECT_EQ(list.line(1), (CopyLine{"/a", "*.*", "/b", "Yes", "No"}));
    EXPECT_EQ(list.line(2), CopyLine{});
    EXPECT_EQ(list.line(3), (CopyLine{"three", "words", "here", "", ""}));
    EXPECT_EQ(list.current_row(), 2); // keeps its number while the row exists
    EXPECT_EQ(list.message(), "not part of the text");

    vtl_to_grid(list, {"one"});
    EXPECT_EQ(list.current_row(), 1);
    vtl_to_grid(list, {});
    EXPECT_EQ(list.row_count(), 1);
    EXPECT_EQ(list.current_row(), 0);
}

} // namespace
} // namespace vt
