#include "core/list/copy_list.h"

#include <gtest/gtest.h>

namespace vt {
namespace {

TEST(CopyList, FlagsCountOnlyForTheExactTextYes) {
    EXPECT_TRUE(flag_set("Yes"));
    for (const char* text : {"yes", "YES", "", "No", "Yes "})
        EXPECT_FALSE(flag_set(text)) << text;
}

TEST(CopyList, ModifiedFlagRules) {
    CopyList list;
    EXPECT_FALSE(list.modified());
    EXPECT_EQ(list.caption(), "Vantorel: Untitled");
    list.set_message("a");
    EXPECT_TRUE(list.modified());
    list.set_modified(false);
    list.set_message("ab");
    list.set_message("a"); // typed and deleted again: still modified
    EXPECT_TRUE(list.modified());
    list.set_modified(false);
    // Adding rows, New and naming the list do not touch the flag.
    list.append_line({"a", "b", "c", "Yes", "No"});
    list.set_untitled();
    list.set_row_count(1);
    EXPECT_FALSE(list.modified());
}

TEST(CopyList, RowsThatLeaveKeepNothing) {
    CopyList list;
    for (int i = 0; i < 5; ++i)
        list.append_line({"s" + std::to_string(i), "*", "d", "Yes", "Yes"});
    list.replace_lines({{"x", "", "", "", ""}, {"y", "", "", "", ""}, {"z", "", "", "", ""}});
    EXPECT_EQ(list.row_count(), 4);
    list.set_row_count(6);
    EXPECT_EQ(list.line(4), CopyLine{});
    EXPECT_EQ(list.line(5), CopyLine{});
    EXPECT_EQ(list.cell(0, 0), "Source Directory");
    EXPECT_EQ(list.cell(4, 0), "Sub Dir's");
    EXPECT_EQ(list.cell(0, 99), "");
}

TEST(CopyList, CurrentRowFollowsTheLines) {
    CopyList list;
    EXPECT_EQ(list.current_row(), 0);
    list.append_line({"1"});
    EXPECT_EQ(list.current_row(), 1); // the first line becomes current
    list.append_line({"2"});
    list.append_line({"3"});
    EXPECT_EQ(list.current_row(), 1); // adding does not move it
    list.set_current_row(3);
    list.remove_line(3);
    EXPECT_EQ(list.current_row(), 2); // the new last line
    list.set_current_row(1);
    list.remove_line(1);
    EXPECT_EQ(list.current_row(), 1); // the line that followed
    list.remove_line(1);
    EXPECT_EQ(list.current_row(), 0);
}

TEST(CopyList, FileNameSetsFolderAndCaption) {
    CopyList list;
    list.set_file_name("/home/u/lists/daily.vtl");
    EXPECT_EQ(list.list_folder(), "/home/u/lists/");
    EXPECT_EQ(list.caption(), "Vantorel: daily.vtl");
    list.set_untitled();
    EXPECT_EQ(list.caption(), "Vantorel: Untitled");
    EXPECT_EQ(list.list_folder(), "/home/u/lists/"); // New keeps the folder for the dialogs
}

} // namespace
} // namespace vt
