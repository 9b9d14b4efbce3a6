#pragma once
#include <string>
#include <string_view>

namespace vt {

// A text as it may be written to a terminal or a log: a file name can hold any byte,
// and an escape sequence in one would move the cursor, retitle the window or worse.
// Every control character (C0, DEL, and C1 written in UTF-8) and every byte that is
// not part of valid UTF-8 is written as a backslash and three octal digits, as
// `ls -b` writes them: ESC becomes \033. Everything else, other letters included,
// stays as it is.
std::string terminal_text(std::string_view text);

} // namespace vt
