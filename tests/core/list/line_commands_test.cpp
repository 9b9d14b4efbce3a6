#include "core/list/line_commands.h"
#include "support/scripted_prompter.h"

#include <functional>
#include <gtest/gtest.h>

namespace vt {
namespace {

CopyLine line_of(const std::string& tag) {
    return {"/src/" + tag, tag + ".*", "/dst/" + tag, "Yes", "No"};
}

class LineCommandsTest : public ::testing::Test {
protected:
    void fill_lines(int n) {
        for (int i = 1; i <= n; ++i)
            list.append_line(line_of(std::to_string(i)));
        list.set_modified(false);
    }
    std::vector<std::string> filters() const {
        std::vector<std::string> out;
        for (const CopyLine& l : list.lines())
            out.push_back(l[kSpecColumn]);
        return out;
    }

    CopyList list;
    test::ScriptedPrompter prompter;
    int mode = 0;
    int row = 0;
    LineCommands commands{list, prompter, mode, row};
};

TEST_F(LineCommandsTest, InsertAbandonedLeavesTheListAsItWas) {
    fill_lines(3);
    const auto before = list.lines();

    // Closed without OK.
    list.set_current_row(2);
    commands.insert();
    commands.editor_closed();
    EXPECT_EQ(list.lines(), before);
    EXPECT_FALSE(list.modified());
    EXPECT_EQ(list.current_row(), 2);
    EXPECT_EQ(row, 0);

    // Refused for want of a file specification: the line is not inserted, but the
    // refusal still counts as a change.
    prompter.expect("No File!", "Cannot add an entry witout a file name for filter specfication",
                    Answer::Ok);
    commands.insert();
    EXPECT_TRUE(commands.confirm({"/a", "", "/b", true, true}));
    commands.editor_closed();
    EXPECT_EQ(list.lines(), before);
    EXPECT_TRUE(list.modified());

    // Replaced by another command while the editor is open: Add reuses the editor.
    list.set_current_row(3);
    commands.insert();
    commands.add();
    EXPECT_EQ(list.lines(), before);
    EXPECT_EQ(list.current_row(), 3);
    EXPECT_EQ(commands.pending_insert_row(), 0);
}

TEST_F(LineCommandsTest, AbandonedInsertFollowsDeletionsMadeMeanwhile) {
    fill_lines(4);
    list.set_current_row(3);
    commands.insert(); // 1 2 3 3 4
    list.set_current_row(1);
    commands.remove(); // 2 3 3 4
    EXPECT_EQ(commands.pending_insert_row(), 2);
    commands.editor_closed();
    EXPECT_EQ(filters(), (std::vector<std::string>{"2.*", "3.*", "4.*"}));

    // Deleting one of the pair already undoes the insert: nothing more goes.
    list.set_current_row(2);
    commands.insert(); // 2 3 3 4
    commands.remove(); // 2 3 4
    commands.editor_closed();
    EXPECT_EQ(filters(), (std::vector<std::string>{"2.*", "3.*", "4.*"}));

    // A list replaced meanwhile (a file opened) is left alone.
    commands.insert();
    list.replace_lines({line_of("x"), line_of("x")});
    commands.editor_closed();
    EXPECT_EQ(list.line_count(), 2);
}

struct FollowCase {
    const char* what;
    std::function<void(CopyList&, LineCommands&)> meanwhile;
    int row_after;                     // the editor's row once it happened
    std::vector<std::string> after_ok; // the filters after "Change" with "new.*"
};

TEST_F(LineCommandsTest, TheEditorsRowFollowsItsLine) {
    const FollowCase cases[] = {
        {"delete above",
         [](CopyList& l, LineCommands& c) {
             l.set_current_row(1);
             c.remove();
         },
         2,
         {"2.*", "new.*", "4.*"}},
        {"delete below",
         [](CopyList& l, LineCommands&) { l.remove_line(4); },
         3,
         {"1.*", "2.*", "new.*"}},
        {"insert above",
         [](CopyList& l, LineCommands&) { l.insert_line(1, line_of("x")); },
         4,
         {"x.*", "1.*", "2.*", "new.*", "4.*"}},
        {"insert just below",
         [](CopyList& l, LineCommands&) { l.insert_line(4, line_of("x")); },
         3,
         {"1.*", "2.*", "new.*", "x.*", "4.*"}},
        {"delete the line itself: it becomes a new line",
         [](CopyList& l, LineCommands& c) {
             l.set_current_row(3);
             c.remove();
         },
         0,
         {"1.*", "2.*", "4.*", "new.*"}},
    };
    for (const FollowCase& c : cases) {
        list.replace_lines({});
        fill_lines(4);
        list.set_file_name("/lists/Daily.vtl");
        int retargeted = 0;
        commands.editor_target_changed = [&] { ++retargeted; };
        list.set_current_row(3);
        ASSERT_TRUE(commands.edit());
        c.meanwhile(list, commands);
        EXPECT_EQ(row, c.row_after) << c.what;
        EXPECT_EQ(retargeted, c.row_after == 0 ? 1 : 0) << c.what;
        EXPECT_EQ(commands.editor_title(),
                  c.row_after == 0 ? "Adding to Daily.vtl" : "Editing Daily.vtl")
            << c.what;
        EXPECT_STREQ(confirm_caption(mode), c.row_after == 0 ? "Add" : "Change") << c.what;
        // A new line keeps the editor open for the next one.
        EXPECT_EQ(commands.confirm({"/n", "new.*", "/d", true, false}), c.row_after != 0) << c.what;
        EXPECT_EQ(filters(), c.after_ok) << c.what;
        commands.editor_closed();
    }
}

TEST_F(LineCommandsTest, AFieldWithALineBreakIsRefusedAndTheEditorStaysOpen) {
    fill_lines(2);
    const auto before = list.lines();
    list.set_current_row(1);
    commands.edit();
    const std::pair<EntryValues, const char*> cases[] = {
        {{"/a\nb", "*.*", "/d", true, true}, "source directory"},
        {{"/a", "*.\r*", "/d", true, true}, "file specification"},
        {{"/a", "*.*", "/d\r\n", true, true}, "destination directory"},
    };
    for (const auto& [values, field] : cases) {
        prompter.expect("Line Break!",
                        std::string("Cannot add an entry whose ") + field +
                            " holds a line break: a list file cannot store it",
                        Answer::Ok);
        EXPECT_FALSE(commands.confirm(values)) << field;
        EXPECT_EQ(list.lines(), before) << field;
        EXPECT_FALSE(list.modified()) << field;
        EXPECT_EQ(row, 1) << field;
    }
}

TEST_F(LineCommandsTest, AnInsertSavedThenAbandonedMarksTheList) {
    fill_lines(3);
    list.set_current_row(2);
    commands.insert();
    EXPECT_FALSE(commands.changes_to_save());
    list.mark_saved(); // the file now holds the duplicate line
    EXPECT_TRUE(commands.changes_to_save());
    EXPECT_FALSE(list.modified());
    commands.editor_closed();
    EXPECT_EQ(filters(), (std::vector<std::string>{"1.*", "2.*", "3.*"}));
    EXPECT_TRUE(list.modified());
}

TEST_F(LineCommandsTest, WhileLockedNoLineChangesAndAnAbandonedInsertWaits) {
    fill_lines(3);
    list.set_current_row(2);
    ASSERT_TRUE(commands.insert()); // 1 2 2 3
    const auto during = list.lines();
    commands.set_locked(true);
    EXPECT_FALSE(commands.confirm({"/a", "new.*", "/b", true, true}));
    EXPECT_FALSE(commands.add());
    EXPECT_FALSE(commands.edit());
    EXPECT_FALSE(commands.insert());
    commands.remove();
    commands.editor_closed();
    EXPECT_EQ(list.lines(), during);
    EXPECT_FALSE(list.modified());
    EXPECT_TRUE(prompter.shown.empty());
    commands.set_locked(false); // the run has ended: the duplicate goes
    EXPECT_EQ(filters(), (std::vector<std::string>{"1.*", "2.*", "3.*"}));
    EXPECT_FALSE(list.modified());
    EXPECT_TRUE(commands.edit());
}

TEST_F(LineCommandsTest, FillFromALine) {
    list.set_file_name("/lists/Daily.vtl");
    list.append_line({"/data", "*.doc", "/backup", "yes", "Yes"});
    list.append_line({"", "", "", "", ""});
    list.set_current_row(1);

    commands.edit();
    EntryFill fill = commands.fill({});
    EXPECT_EQ(fill.source, "/data");
    EXPECT_EQ(fill.filter, "*.doc");
    EXPECT_EQ(fill.destination, "/backup");
    EXPECT_FALSE(fill.replace_existing); // only the exact "Yes" is set
    EXPECT_TRUE(fill.sub_dirs);
    EXPECT_EQ(fill.title, "Editing Daily.vtl");
    EXPECT_EQ(fill.confirm_caption, "Change");

    // Empty folders leave the pickers where they are; an empty filter is shown.
    list.set_current_row(2);
    commands.insert();
    fill = commands.fill({});
    EXPECT_EQ(fill.source, std::nullopt);
    EXPECT_EQ(fill.destination, std::nullopt);
    EXPECT_EQ(fill.filter, "");
    EXPECT_EQ(fill.confirm_caption, "OK");
}

TEST_F(LineCommandsTest, FillForANewLineFromTheDefaults) {
    struct Case {
        EntryDefaults defaults;
        bool replace, sub_dirs;
        std::optional<std::string> source, filter;
    };
    const Case cases[] = {
        {{"/data", "/backup", "*.doc", "Yes", "No"}, true, false, "/data", "*.doc"},
        {{"", "", "", "yes", "y"}, true, true, std::nullopt, std::nullopt},
        {{"/d", "", "a.txt", "", "Nope"}, false, false, "/d", "a.txt"},
    };
    for (const Case& c : cases) {
        commands.add();
        const EntryFill fill = commands.fill(c.defaults);
        EXPECT_EQ(fill.replace_existing, c.replace);
        EXPECT_EQ(fill.sub_dirs, c.sub_dirs);
        EXPECT_EQ(fill.source, c.source);
        EXPECT_EQ(fill.filter, c.filter);
        EXPECT_EQ(fill.title, "Adding to "); // untitled list
        EXPECT_EQ(fill.confirm_caption, "Add");
    }
}

TEST(EntryDefaultsRules, SaveRestoreClear) {
    const EntryDefaults saved = entry_defaults::from_values({"/src", "*.txt", "/dst", true, false});
    EXPECT_EQ(saved, (EntryDefaults{"/src", "/dst", "*.txt", "Yes", "No"}));

    // Restore takes the flags only from the exact "Yes" (a new line also takes "yes").
    EntryFill restored = entry_defaults::restore({"/src", "", "*.txt", "yes", "Yes"});
    EXPECT_EQ(restored.source, "/src");
    EXPECT_EQ(restored.destination, std::nullopt);
    EXPECT_FALSE(restored.replace_existing);
    EXPECT_TRUE(restored.sub_dirs);

    // Cleared defaults restore to: folders as they are, an empty filter, no flags.
    const EntryDefaults cleared = entry_defaults::cleared();
    EXPECT_EQ(cleared, (EntryDefaults{"", "", "", "No", "No"}));
    restored = entry_defaults::restore(cleared);
    EXPECT_EQ(restored.source, std::nullopt);
    EXPECT_EQ(restored.destination, std::nullopt);
    EXPECT_EQ(restored.filter, "");
    EXPECT_FALSE(restored.replace_existing);
    EXPECT_FALSE(restored.sub_dirs);
}

} // namespace
} // namespace vt
