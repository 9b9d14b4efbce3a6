// What a run without a window writes to a terminal of the names it meets: nothing
// that the terminal would take as a command, and every other character as it is.
#include "cli/terminal_text.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>

namespace vt {
namespace {

using namespace std::string_literals;

TEST(TerminalText, EscapesWhatATerminalWouldObeyAndKeepsTheRest) {
    // Every C0 control, 0x00 to 0x1F, and DEL after them, as octal escapes.
    std::string controls, controls_shown;
    const auto add_control = [&](int byte) {
        char shown[8];
        std::snprintf(shown, sizeof shown, "\\%03o", byte);
        controls += static_cast<char>(byte);
        controls_shown += shown;
    };
    for (int byte = 0; byte < 0x20; ++byte)
        add_control(byte);
    add_control(0x7F);
    const struct {
        const char* what;
        std::string text;
        std::string shown;
    } cases[] = {
        {"plain text", "backup/2024 report.txt", "backup/2024 report.txt"},
        {"a title change", "a\033]0;pwned\007b", "a\\033]0;pwned\\007b"},
        {"a cursor move and a clear", "\033[2J\033[H", "\\033[2J\\033[H"},
        {"line ends, tab, NUL and DEL",
         "1\r2\n3\t4\0"s
         "5\x7f",
         "1\\0152\\0123\\0114\\0005\\177"},
        {"every C0 control and DEL", controls, controls_shown},
        // The printable bytes nearest to them: space after 0x1F, tilde before DEL.
        {"space and tilde", " ~", " ~"},
        {"letters of other languages", "Übersicht €.txt 日本", "Übersicht €.txt 日本"},
        {"a four-byte character", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        // CSI written as one character: some terminals obey it.
        {"a C1 control in UTF-8",
         "a\xC2\x9B"
         "2J",
         "a\\302\\2332J"},
        {"the first letter after the C1 controls", "\xC2\xA0", "\xC2\xA0"},
        {"a stray byte of another code page", "caf\xE9.txt", "caf\\351.txt"},
        {"a character cut short", "x\xE2\x82", "x\\342\\202"},
        {"an overlong slash", "\xC0\xAF", "\\300\\257"},
        {"a surrogate", "\xED\xA0\x80", "\\355\\240\\200"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", "\\364\\220\\200\\200"},
        // Backslashes stay: a text escaped twice reads as once.
        {"a backslash", "D:\\Backup", "D:\\Backup"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(terminal_text(c.text), c.shown) << c.what;
        EXPECT_EQ(terminal_text(c.shown), c.shown) << c.what;
    }
}

} // namespace
} // namespace vt
