#include "core/platform/error_text.h"
#include "core/platform/file_names.h"

#include <cerrno>
#include <gtest/gtest.h>

namespace vt {
namespace {

TEST(FileNames, Parts) {
    EXPECT_EQ(names::folder_part("/a/b/c.vtl"), "/a/b/");
    EXPECT_EQ(names::name_part("/a/b/c.vtl"), "c.vtl");
    EXPECT_EQ(names::folder_part("c.vtl"), "");
    EXPECT_EQ(names::name_part("c:d.vtl"), "c:d.vtl"); // ":" is an ordinary character
    EXPECT_EQ(names::extension("/a/b.c/d"), "");
    EXPECT_EQ(names::extension("/a/b.c.vtl"), ".vtl");
    EXPECT_EQ(names::without_extension("/a/b.c.vtl"), "/a/b.c");
    EXPECT_EQ(names::without_extension("/a/noext"), "/a/noext");
}

TEST(ErrorText, TrailingBlanksControlsAndPeriodsGo) {
    EXPECT_EQ(trim_message_end("Disk full. \r\n"), "Disk full");
    EXPECT_EQ(system_error_text(ENOENT), "No such file or directory");
}

} // namespace
} // namespace vt
