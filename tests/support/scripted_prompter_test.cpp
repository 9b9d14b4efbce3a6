// The scripted prompter is what makes the window and run suites fail when a box is
// missing or extra; these check that it does.
#include "support/scripted_prompter.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace vt::test {
namespace {

Prompt box(const char* title, const char* text) {
    Prompt p;
    p.title = title;
    p.text = text;
    p.escape_answer = Answer::Cancel;
    return p;
}

TEST(ScriptedPrompterTest, ABoxScriptedButNeverShownFailsTheTestNamingIt) {
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPrompter prompter;
            prompter.expect("Copy this file?", "Confirm copy of a.txt", Answer::Yes);
        },
        "scripted message box never came: \"Copy this file?\": Confirm copy of a.txt");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPrompter prompter;
            prompter.answer_next(Answer::No);
        },
        "a message box scripted to be answered never came");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPrompter prompter;
            prompter.expect("First", "1", Answer::Ok);
            prompter.expect("Second", "2", Answer::Ok);
            prompter.ask(box("First", "1"));
            EXPECT_FALSE(prompter.done());
        },
        "\"Second\": 2");
}

TEST(ScriptedPrompterTest, AnUnexpectedOrDifferentBoxFailsTheTest) {
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPrompter prompter;
            EXPECT_EQ(prompter.ask(box("Oops", "unasked")), Answer::Cancel);
        },
        "unexpected message box \"Oops\": unasked");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPrompter prompter;
            prompter.expect("Title", "the text scripted", Answer::Yes);
            prompter.ask(box("Title", "another text"));
        },
        "another text");
}

TEST(ScriptedPrompterTest, AnAllowedBoxMayComeOrNot) {
    {
        ScriptedPrompter prompter;
        prompter.allow("Maybe", "timing", Answer::No);
        EXPECT_TRUE(prompter.done());
    }
    {
        ScriptedPrompter prompter;
        prompter.allow("Maybe", "timing", Answer::No);
        prompter.expect("Sure", "always", Answer::Yes);
        EXPECT_EQ(prompter.ask(box("Maybe", "timing")), Answer::No);
        EXPECT_EQ(prompter.ask(box("Sure", "always")), Answer::Yes);
    }
    {
        // Passed over when the next required box comes first.
        ScriptedPrompter prompter;
        prompter.allow("Maybe", "timing", Answer::No);
        prompter.expect("Sure", "always", Answer::Yes);
        EXPECT_EQ(prompter.ask(box("Sure", "always")), Answer::Yes);
        EXPECT_TRUE(prompter.done());
    }
}

} // namespace
} // namespace vt::test
