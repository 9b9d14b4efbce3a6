// Save As without a screen: the dialog and the boxes answer from scripts, the list
// is written into a real folder.
#include "core/list/file_commands.h"
#include "core/list/list_file.h"
#include "gui/list/scripted_file_dialog.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace vt {
namespace {

using test::exists;
using test::read_file;

std::string replace_text(const std::string& name) {
    return name + " already exists. Do you want to replace it?";
}

class SaveAsTest : public ::testing::Test {
protected:
    SaveAsTest() { list.append_line({"/home/a", "*.*", "/backup/a", "Yes", "No"}); }
    void TearDown() override {
        EXPECT_TRUE(prompter.done());
        EXPECT_TRUE(save_dialog.done());
    }

    test::TempDir dir;
    CopyList list;
    test::ScriptedPrompter prompter;
    test::ScriptedFileDialog open_dialog, save_dialog;
    std::vector<std::string> history;
    FileCommands commands{
        list, prompter, open_dialog, save_dialog,
        FileCommandHooks{[this](const std::string& n) { return vt::load_vtl(list, n).ok; },
                         [this](const std::string& n) { return vt::save_vtl(list, n).ok; },
                         [this](const std::string& n) { history.push_back(n); },
                         {},
                         {},
                         {},
                         {}}};
};

TEST(ListNameFor, ANameWithoutExtensionBecomesAList) {
    const struct {
        const char* typed;
        const char* saved;
    } cases[] = {
        {"/l/docs", "/l/docs.vtl"},
        {"/l/docs.vtl", "/l/docs.vtl"},
        {"/l/docs.VTL", "/l/docs.VTL"},
        {"/l/notes.txt", "/l/notes.txt"},             // an extension of the user's own stays
        {"/l/Weekly.", "/l/Weekly.vtl"},              // not "Weekly..vtl"
        {"/l/.hidden", "/l/.hidden.vtl"},             // a leading dot only hides the file
        {"/l/my.lists/docs", "/l/my.lists/docs.vtl"}, // a dot of the folder is no extension
        {"docs", "docs.vtl"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileCommands::list_name_for(c.typed), c.saved) << c.typed;
}

TEST_F(SaveAsTest, TheDialogOffersListsAlsoForAnUntitledList) {
    save_dialog.answer(std::nullopt);
    EXPECT_FALSE(commands.SaveAs1Click());
    ASSERT_EQ(save_dialog.shown.size(), 1u);
    EXPECT_EQ(save_dialog.shown[0].filter, "*.vtl");
    EXPECT_EQ(save_dialog.shown[0].file_name, "*.vtl");
    EXPECT_TRUE(history.empty());
}

TEST_F(SaveAsTest, ATypedNameIsSavedAsAList) {
    save_dialog.answer(dir / "docs");
    ASSERT_TRUE(commands.SaveAs1Click());
    EXPECT_TRUE(exists(dir / "docs.vtl"));
    EXPECT_FALSE(exists(dir / "docs"));
    EXPECT_EQ(list.file_name(), dir / "docs.vtl");
    EXPECT_EQ(history, std::vector<std::string>{dir / "docs.vtl"});
}

TEST_F(SaveAsTest, NoToReplacingKeepsTheOtherFileAndGoesBackToTheDialog) {
    const std::string other = dir.write("docs.vtl", "\"/x\",\"*.*\",\"/y\",\"No\",\"No\"\r\nmine");
    const std::string before = read_file(other);
    // Typed without extension: the question is about the file the list would replace.
    save_dialog.answer(dir / "docs");
    prompter.expect("Confirm", replace_text("docs.vtl"), Answer::No);
    save_dialog.answer(std::nullopt);

    EXPECT_FALSE(commands.SaveAs1Click());

    EXPECT_EQ(read_file(other), before);
    ASSERT_EQ(save_dialog.shown.size(), 2u);
    EXPECT_EQ(save_dialog.shown[1].file_name, other); // to be changed, not typed again
    EXPECT_TRUE(list.file_name().empty());
    EXPECT_TRUE(history.empty());
    const Prompt& asked = prompter.shown.at(0);
    EXPECT_EQ(asked.buttons, Buttons::YesNo);
    EXPECT_EQ(asked.default_button, Answer::No);
    EXPECT_EQ(asked.escape_answer, Answer::No);
}

TEST_F(SaveAsTest, NoThenAnotherNameSavesThere) {
    const std::string other = dir.write("docs.vtl", "theirs");
    save_dialog.answer(other);
    prompter.expect("Confirm", replace_text("docs.vtl"), Answer::No);
    save_dialog.answer(dir / "mine.vtl");

    ASSERT_TRUE(commands.SaveAs1Click());

    EXPECT_EQ(read_file(other), "theirs");
    EXPECT_EQ(list.file_name(), dir / "mine.vtl");
}

TEST_F(SaveAsTest, YesReplacesTheOtherFile) {
    const std::string other = dir.write("docs.vtl", "theirs");
    save_dialog.answer(other);
    prompter.expect("Confirm", replace_text("docs.vtl"), Answer::Yes);

    ASSERT_TRUE(commands.SaveAs1Click());

    EXPECT_EQ(read_file(other), "\"/home/a\",\"*.*\",\"/backup/a\",\"Yes\",\"No\"\r\n");
    EXPECT_EQ(list.file_name(), other);
}

TEST_F(SaveAsTest, TheCurrentListIsSavedOverWithoutAQuestion) {
    const std::string name = dir / "Daily.vtl";
    ASSERT_TRUE(vt::save_vtl(list, name).ok);
    const std::string link = dir / "Link.vtl";
    ASSERT_EQ(::symlink(name.c_str(), link.c_str()), 0);
    list.append_line({"/home/b", "*.txt", "/backup/b", "No", "No"});
    save_dialog.answer(name);
    save_dialog.answer(link); // the same file by another name

    ASSERT_TRUE(commands.SaveAs1Click());
    list.set_file_name(name);
    ASSERT_TRUE(commands.SaveAs1Click());

    EXPECT_NE(read_file(name).find("/home/b"), std::string::npos);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(SaveAsTest, SaveOfAnUntitledListAsksTooWhenItWouldReplaceAFile) {
    const std::string other = dir.write("docs.vtl", "theirs");
    save_dialog.answer(other);
    prompter.expect("Confirm", replace_text("docs.vtl"), Answer::No);
    save_dialog.answer(std::nullopt);
    EXPECT_FALSE(commands.Save1Click());
    EXPECT_EQ(read_file(other), "theirs");
}

} // namespace
} // namespace vt
