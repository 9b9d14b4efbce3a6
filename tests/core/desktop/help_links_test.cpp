#include "core/desktop/help_topics.h"
#include "core/desktop/links.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace vt {
namespace {

TEST(Links, AddressesAreComposedByteForByte) {
    EXPECT_EQ(links::support_mail(), "mailto:support@vantorel.example?subject=Vantorel "
                                     "support&body=Vantorel Version 1.0a");
    EXPECT_EQ(links::information_mail(),
              "mailto:info@vantorel.example?subject=Vantorel support&body=I have the following "
              "questions and comments regarding Vantorel");
    EXPECT_EQ(links::web_site(), "http://www.vantorel.example");
}

TEST(Help, KeywordsLeadToAnchors) {
    const std::pair<const char*, const char*> cases[] = {
        {help::kUsingVantorel, "using-vantorel"},
        {help::kCopySpecification, "copy-specification"},
        {help::kEditingVtl, "editing-vtl"},
        {help::kCopyright, "copyright"},
        {"", "contents"},
        {"  --  ", "contents"},
        {"A  b.C", "a-b-c"},
    };
    for (const auto& [keyword, anchor] : cases)
        EXPECT_EQ(help::anchor_for(keyword), anchor) << keyword;
}

TEST(Help, TheManualMustBeAFileBesideTheProgram) {
    test::TempDir dir;
    const std::string folder = dir.path() + "/";
    EXPECT_EQ(help::find_help_file(folder), "");
    dir.mkdir("Vantorel.html"); // a folder of that name is no manual
    EXPECT_EQ(help::find_help_file(folder), "");

    test::TempDir other;
    const std::string manual = other.write("Vantorel.html", "<html></html>");
    EXPECT_EQ(help::find_help_file(other.path() + "/"), manual);
    EXPECT_EQ(help::find_help_file(other.path() + "/sub/"), "");
}

// A build folder has the manual beside the program, an installed program in
// <prefix>/share/doc/vantorel/ beside <prefix>/bin/.
TEST(Help, TheManualIsFoundBesideTheProgramFirstThenInTheInstalledLayout) {
    struct Case {
        bool beside, installed;
        const char* found; // relative to the prefix; "" for none
    } cases[] = {
        {false, false, ""},
        {false, true, "share/doc/vantorel/Vantorel.html"},
        {true, false, "bin/Vantorel.html"},
        {true, true, "bin/Vantorel.html"},
    };
    for (const Case& c : cases) {
        test::TempDir prefix;
        prefix.mkdir("bin");
        if (c.beside)
            prefix.write("bin/Vantorel.html", "<html></html>");
        if (c.installed)
            prefix.write("share/doc/vantorel/Vantorel.html", "<html></html>");
        const std::string expected = *c.found ? prefix / c.found : "";
        EXPECT_EQ(help::find_manual(prefix / "bin/"), expected) << c.beside << c.installed;
    }
    test::TempDir prefix;
    prefix.mkdir("bin");
    prefix.mkdir("share/doc/vantorel/Vantorel.html"); // a folder of that name is no manual
    EXPECT_EQ(help::find_manual(prefix / "bin/"), "");
}

TEST(Help, MissingManualBoxHasNoIconAndOnlyOk) {
    const Prompt p = help::no_help_prompt();
    EXPECT_EQ(p.title, "No Help Available!");
    EXPECT_EQ(p.text, "Unable to find the help file Vantorel.html");
    EXPECT_EQ(p.buttons, Buttons::Ok);
    EXPECT_EQ(p.icon, Icon::None);
}

} // namespace
} // namespace vt
