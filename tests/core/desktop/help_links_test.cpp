#include "core/desktop/help_topics.h"
#include "core/desktop/links.h"
#include "core/desktop/product_info.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace vt {
namespace {

// A mail client takes the address, subject and body apart at "?" and "&": each must
// arrive whole, the body of the support mail naming the version the about box shows.
TEST(Links, MailLinksCarryTheirAddressSubjectAndBody) {
    struct Case {
        std::string link;
        std::string address, body;
    };
    const Case cases[] = {
        {links::support_mail(), links::kSupportMail,
         std::string("Vantorel Version ") + ProductInfo::version_number()},
        {links::information_mail(), links::kInformationMail,
         "I have the following questions and comments regarding Vantorel"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.link, "mailto:" + c.address + "?subject=Vantorel support&body=" + c.body);
    EXPECT_EQ(links::web_site(), std::string("http://") + links::kWebAddress);
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
