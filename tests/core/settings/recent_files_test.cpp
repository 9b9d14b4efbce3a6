#include "core/settings/recent_files.h"
#include "core/settings/settings_file.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace vt {
namespace {

using Strings = std::vector<std::string>;

Strings captions(const Strings& list) {
    Strings out;
    for (const auto& item : recent::menu_items(list))
        out.push_back(item.visible ? item.caption : "(hidden)");
    while (!out.empty() && out.back() == "(hidden)")
        out.pop_back();
    return out;
}

TEST(RecentFiles, AddingPutsTheNameInFront) {
    Strings list{""};
    recent::add(list, "/l/A.vtl");
    EXPECT_EQ(list, (Strings{"/l/A.vtl"})); // the empty entry 0 is replaced
    recent::add(list, "/l/B.vtl");
    EXPECT_EQ(list, (Strings{"/l/B.vtl", "/l/A.vtl"}));
    EXPECT_EQ(captions(list), (Strings{"&1 A.vtl"}));

    recent::add(list, "/l/A.vtl"); // the old place goes
    EXPECT_EQ(list, (Strings{"/l/A.vtl", "/l/B.vtl"}));
    recent::add(list, "/L/a.vtl"); // names are compared exactly
    EXPECT_EQ(list, (Strings{"/L/a.vtl", "/l/A.vtl", "/l/B.vtl"}));
    recent::add(list, "/L/a.vtl"); // again: the former entry 0 is now entry 1 and goes
    EXPECT_EQ(list, (Strings{"/L/a.vtl", "/l/A.vtl", "/l/B.vtl"}));

    Strings empty;
    recent::add(empty, "/x.vtl");
    EXPECT_EQ(empty, (Strings{"/x.vtl"}));
}

TEST(RecentFiles, OnlyPlacesOneToNineAreLookedAt) {
    Strings list;
    for (int i = 0; i <= 10; ++i)
        list.push_back("/f" + std::to_string(i));
    recent::add(list, "/f10"); // place 10 is beyond the menu: the name is there twice
    ASSERT_EQ(list.size(), 12u);
    EXPECT_EQ(list.front(), "/f10");
    EXPECT_EQ(list.back(), "/f10");

    recent::add(list, "/f7"); // at place 9 once the new name is in front
    EXPECT_EQ(list.size(), 12u);
    EXPECT_EQ(list[0], "/f7");
    EXPECT_EQ(std::count(list.begin(), list.end(), "/f7"), 1);
    recent::add(list, "/f9"); // at place 10 once in front: stays there too
    EXPECT_EQ(list.size(), 13u);
    EXPECT_EQ(std::count(list.begin(), list.end(), "/f9"), 2);

    // A name held twice among the first nine (an edited settings file) goes both times.
    Strings twice{"/x", "/a", "/a", "/b"};
    recent::add(twice, "/a");
    EXPECT_EQ(twice, (Strings{"/a", "/x", "/b"}));
}

TEST(RecentFiles, ElevenOpensInOneRunAndTenReadBack) {
    test::TempDir dir;
    Strings list{""};
    for (int i = 1; i <= 11; ++i)
        recent::add(list, "/l/" + std::to_string(i) + ".vtl");
    ASSERT_EQ(list.size(), 11u);
    EXPECT_EQ(list.front(), "/l/11.vtl");
    const Strings menu = captions(list);
    EXPECT_EQ(menu.size(), 9u);
    EXPECT_EQ(menu.front(), "&1 10.vtl");
    EXPECT_EQ(menu.back(), "&9 2.vtl");

    Settings s;
    s.recent_files = list;
    ASSERT_TRUE(write_settings(dir / "Vantorel.ini", s, kSettingsHistoryFiles).ok);
    EXPECT_NE(test::read_file(dir / "Vantorel.ini").find("\nFile10=/l/1.vtl\n"), std::string::npos);
    const Strings back = read_settings(dir / "Vantorel.ini").recent_files;
    ASSERT_EQ(back.size(), 11u); // an empty entry 0 and ten names
    EXPECT_EQ(back[0], "");
    EXPECT_EQ(back[1], "/l/11.vtl");
    EXPECT_EQ(back[10], "/l/2.vtl");
    EXPECT_EQ(captions(back).size(), 9u);
    EXPECT_EQ(captions(back).front(), "&1 /l/11.vtl"); // no current list: full names
}

TEST(RecentFiles, ReopeningMovesTheEntryToTheFront) {
    Strings list{"/l/A.vtl", "/l/B.vtl", "/l/C.vtl", "/l/D.vtl", "/l/E.vtl"};
    EXPECT_EQ(recent::reopen(list, 4), "/l/E.vtl");
    EXPECT_EQ(list, (Strings{"/l/E.vtl", "/l/A.vtl", "/l/B.vtl", "/l/C.vtl", "/l/D.vtl"}));

    Strings start{"", "/l/A.vtl", "/l/B.vtl", "/l/C.vtl"};
    EXPECT_EQ(recent::reopen(start, 2), "/l/B.vtl");
    EXPECT_EQ(start, (Strings{"/l/B.vtl", "/l/A.vtl", "/l/C.vtl"})); // the empty entry is gone

    for (int tag : {0, -1, 3, 9, 10})
        EXPECT_FALSE(recent::reopen(start, tag)) << tag;
    EXPECT_EQ(start.size(), 3u);
}

TEST(RecentFiles, MenuCaptions) {
    struct Case {
        const char* what;
        Strings list;
        Strings captions;
    };
    const std::vector<Case> cases = {
        {"nothing stored", {""}, {}},
        {"no current list: full names",
         {"", "/a/X.vtl", "/b/Y.vtl"},
         {"&1 /a/X.vtl", "&2 /b/Y.vtl"}},
        {"names in the base folder are shortened, others are not",
         {"/l/Cur.vtl", "/l/A.vtl", "/other/C.vtl", "/l/sub/D.vtl"},
         {"&1 A.vtl", "&2 /other/C.vtl", "&3 sub/D.vtl"}},
        {"base folder inside another path is no prefix",
         {"/l/Cur.vtl", "/mnt/l/B.vtl"},
         {"&1 /mnt/l/B.vtl"}},
        {"letter case counts", {"/l/Cur.vtl", "/L/B.vtl"}, {"&1 /L/B.vtl"}},
        {"current name without folder", {"Cur.vtl", "/l/B.vtl"}, {"&1 /l/B.vtl"}},
        {"ampersands show as such", {"", "/R&D.vtl"}, {"&1 /R&&D.vtl"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(captions(c.list), c.captions) << c.what;

    Strings many{"/l/x"};
    for (int i = 0; i < 12; ++i)
        many.push_back("/l/" + std::to_string(i));
    const auto items = recent::menu_items(many);
    for (const auto& item : items)
        EXPECT_TRUE(item.visible);
    EXPECT_EQ(items[8].caption, "&9 8");

    const auto two = recent::menu_items({"", "/a"});
    EXPECT_TRUE(two[0].visible);
    EXPECT_FALSE(two[1].visible);
}

TEST(RecentFiles, ShortcutCaptionsNameTheCurrentFile) {
    EXPECT_FALSE(recent::shortcut_captions({}));
    EXPECT_FALSE(recent::shortcut_captions({"", "/l/A.vtl"}));
    EXPECT_FALSE(recent::shortcut_captions({"/l/folder/"}));
    const auto c = recent::shortcut_captions({"/l/Daily.vtl", "/l/A.vtl"});
    ASSERT_TRUE(c);
    EXPECT_EQ(c->desktop, "Create Desktop Shortcut to Daily.vtl");
    EXPECT_EQ(c->start_menu, "Create Start &Menu entry to Daily.vtl");
}

} // namespace
} // namespace vt
